// The route that keeps saving while readers hold the target: a save never
// waits for one, and the target always names a whole picture.
#pragma once

#include <span>
#include <vector>

#include "files/path_name.h"
#include "files/replace.h"
#include "files/save_route.h"

namespace files {

// Saves one target again and again. Where the system allows it, no save
// makes or frees a file: a spare file of the target's size is rewritten in
// place, under an exclusive share mode; the target's file gets a second
// name; the spare is moved over the target; and the old file, under its
// second name, is the next save's spare. The target always names a whole
// picture. Whenever a step is refused (no hard links, the spare held open,
// changed in size or shared with another name, any error), the save falls
// back to a new file moved over the target, and leaves no name behind. The
// spare is born from the second save of one target, so a single save leaves
// only the target.
//
// Readers come and go: a scanner or a viewer that has the target open stops
// it being replaced. A save never waits for one: the whole new picture is
// kept, pending, and never written again for that reason. Finish() moves it
// in once the target is free, and a later save supersedes it, rewriting it
// in place.
//
// A folder or a read-only file in the target's place takes no picture:
// nothing is written at all. Where the folder takes no change although
// nobody holds the target, and has refused so on kFolderEvidence tries in a
// row, the target itself is rewritten in place, as a last resort.
//
// Windows only: elsewhere nothing saves through it.
class ReaderSafeRoute final : public SaveRoute {
 public:
  // Makes `link` a second name for `existing`; false, with the system's
  // error set, when refused. The default is the system's hard link
  // (MakeHardLink).
  using LinkMaker = bool (*)(const PathName& link, const PathName& existing);

  explicit ReaderSafeRoute(LinkMaker makeLink = nullptr) noexcept;
  // Removes the spare, a pending picture and the names left for later.
  ~ReaderSafeRoute() override;
  ReaderSafeRoute(const ReaderSafeRoute&) = delete;
  ReaderSafeRoute& operator=(const ReaderSafeRoute&) = delete;

  bool Write(const PathName& target, std::span<const ByteRange> parts) noexcept override;
  bool Pending() const noexcept override { return !pending_.empty(); }
  bool Unfinished() const noexcept override { return Pending() || !leftovers_.empty(); }
  bool Finish() noexcept override;
  void Clear() noexcept override;
  void Sweep(const PathName& target) noexcept override;

 private:
  // Refusals with the target free, in a row, before the folder is taken to
  // refuse every change: one could be a reader that let go between the
  // move and the look, two readers in turn another.
  static constexpr int kFolderEvidence = 3;
  // Whether the file a move replaces stays, under a second name, as the
  // next spare.
  enum class OldFile { kKeep, kDrop };
  // Why a move over the target was refused.
  enum class Refusal { kHeld, kFolder, kOther };

  bool MoveIn(PathName written, const PathName& target, std::span<const ByteRange> parts,
              OldFile old);
  Refusal SortRefusal(const PathName& target) const;
  bool Landed(const PathName& target);
  bool Pend(PathName written, const PathName& target);
  bool Overwrite(PathName written, const PathName& target, std::span<const ByteRange> parts);
  PathName SecondName(const PathName& existing);
  void Drop(PathName& name) noexcept;
  void RemoveLeftovers() noexcept;

  LinkMaker makeLink_;
  // The target whose file the last landed save wrote; empty after a failure.
  PathName target_;
  // The spare the next save rewrites; empty when there is none.
  PathName spare_;
  // A whole new picture that waits for `pendingTarget_` to be free, and the
  // second name made for the file it is to replace, the spare to be.
  PathName pending_;
  PathName oldName_;
  PathName pendingTarget_;
  // Names that could not be removed yet (held open elsewhere).
  std::vector<PathName> leftovers_;
  // Refusals in a row with the target free (see kFolderEvidence).
  int folderRefusals_ = 0;
};

}  // namespace files
