// The thin seam between the portable renderer and the operating system:
// where a surface's pixels live (surface_memory_win32.cpp and _posix.cpp),
// and how a file is replaced safely (replace_win32.cpp and _posix.cpp, with
// the names of our own files in replace_common.cpp; on Windows the spare
// route in spare_route_win32.cpp and the start-up sweep in
// leftovers_win32.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "render/bitmap_info.h"
#include "render/path_name.h"

namespace platform {

struct SurfaceMemory {
  void* bitmap = nullptr;        // DIB section handle (Windows)
  void* dc = nullptr;            // memory DC the section is selected into (Windows)
  std::uint8_t* bits = nullptr;  // top-down pixel rows, all zero
};

// Allocates `bytes` zeroed bytes of pixel memory described by `header`.
// Throws SurfaceError when it cannot.
SurfaceMemory AcquireSurfaceMemory(const BitmapInfoHeader& header, std::size_t bytes);

// Releases what AcquireSurfaceMemory returned for `bytes`: on Windows the DC
// first, then the section it still holds.
void ReleaseSurfaceMemory(SurfaceMemory& memory, std::size_t bytes) noexcept;

struct ByteRange {
  const std::uint8_t* data;
  std::size_t size;
};

// Writes `parts`, in order, to a new uniquely named file in the folder of
// `target`, closes it, then moves it over `target`. On any failure the new
// file is removed and `target` is left as it was. Returns whether `target`
// now holds the new bytes.
bool WriteFileReplacing(const PathName& target, std::span<const ByteRange> parts) noexcept;

// Our own files beside a target are named "~hv", then the writer's process
// id in seven base-32 digits, then one base-32 digit that keeps apart the
// names one process uses at once: 11 characters, never more, so they are
// never longer than "Huevane.Bmp". A folder that can hold the wallpaper's
// path can hold theirs.
constexpr std::size_t kSiblingNameLength = 11;

// A name for a new file beside `target` (temporary or spare) of that form,
// for `processId`. Successive calls cycle through its 32 last digits, so the
// caller still creates it exclusively and tries the next on a clash.
PathName TemporarySibling(const PathName& target, std::uint32_t processId);

// The process id in a name of that form; nothing for any other name.
std::optional<std::uint32_t> SiblingOwner(const PathName& name);

// Where the saves of one target go, and what they leave to finish: the seam
// between the wallpaper's owner and the file system.
class SaveRoute {
 public:
  virtual ~SaveRoute() = default;
  // Whether `target` now holds the new bytes. A failure leaves `target` as
  // it was; when a reader holds it, the picture is pending.
  virtual bool Write(const PathName& target, std::span<const ByteRange> parts) noexcept = 0;
  // Whether a whole picture waits for its target.
  virtual bool Pending() const noexcept = 0;
  // Whether anything is left: a pending picture, or names of ours that a
  // reader kept from being removed.
  virtual bool Unfinished() const noexcept = 0;
  // Tries once more, at once: moves a pending picture in, removes what can
  // be removed. True when a pending picture has landed now.
  virtual bool Finish() noexcept = 0;
  // Removes every name of ours it can, a pending picture too; a name still
  // held is left for the next start's sweep. Later saves start afresh.
  virtual void Clear() noexcept = 0;
  // Before this process saves at `target`: removes what a killed run left
  // beside it.
  virtual void Sweep(const PathName& target) noexcept = 0;
};

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
// Natively every save writes a new file, with nothing pending.
class SpareRoute final : public SaveRoute {
 public:
  // Makes `link` a second name for `existing`; false, with the system's
  // error set, when refused. The default is the system's hard link.
  using LinkMaker = bool (*)(const PathName& link, const PathName& existing);
  // Refusals with the target free, in a row, before the folder is taken to
  // refuse every change: one could be a reader that let go between the
  // move and the look, two readers in turn another.
  static constexpr int kFolderEvidence = 3;

  explicit SpareRoute(LinkMaker makeLink = nullptr) noexcept;
  // Removes the spare, a pending picture and the names left for later.
  ~SpareRoute() override;
  SpareRoute(const SpareRoute&) = delete;
  SpareRoute& operator=(const SpareRoute&) = delete;

  bool Write(const PathName& target, std::span<const ByteRange> parts) noexcept override;
  bool Pending() const noexcept override { return !pending_.empty(); }
  bool Unfinished() const noexcept override { return Pending() || !leftovers_.empty(); }
  bool Finish() noexcept override;
  void Clear() noexcept override;
  void Sweep(const PathName& target) noexcept override;

  // The spare the next save rewrites; empty when there is none.
  const PathName& Spare() const noexcept { return spare_; }

 private:
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

#ifdef _WIN32
// Before this process saves anything there: removes the files of our
// naming beside `target` that a killed run left. A file whose writer
// still runs, or that is open, is left alone.
void RemoveLeftoverSaves(const PathName& target) noexcept;

// Whether the process with that id runs now and may have written a file last
// written at `lastWrite` (a FILETIME, in 100 ns units since 1601; 0 for any
// time): one that started after the file was written has only taken the id
// of the dead writer.
bool WriterIsRunning(std::uint32_t processId, std::uint64_t lastWrite = 0) noexcept;
#endif

}  // namespace platform
