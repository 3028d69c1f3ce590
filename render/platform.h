// The thin seam between the portable renderer and the operating system:
// where a surface's pixels live (surface_memory_win32.cpp and _posix.cpp),
// and how a file is replaced safely (replace_win32.cpp and _posix.cpp, with
// the names of our own files in replace_common.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "render/bitmap_info.h"

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
bool WriteFileReplacing(const std::filesystem::path& target,
                        std::span<const ByteRange> parts) noexcept;

// Our own files beside a target are named "~hv", then the writer's process
// id in seven base-32 digits, then one base-32 digit that keeps apart the
// names one process uses at once: 11 characters, never more, so they are
// never longer than "Huevane.Bmp". A folder that can hold the wallpaper's
// path can hold theirs.
constexpr std::size_t kSiblingNameLength = 11;

// A name for a new file beside `target` (temporary or spare) of that form,
// for `processId`. Successive calls cycle through its 32 last digits, so the
// caller still creates it exclusively and tries the next on a clash.
std::filesystem::path TemporarySibling(const std::filesystem::path& target,
                                       std::uint32_t processId);

// The process id in a name of that form; nothing for any other name.
std::optional<std::uint32_t> SiblingOwner(const std::filesystem::path& name);

// Saves one target again and again. Where the system allows it, no save
// makes or frees a file: a spare file of the target's size is rewritten in
// place, under an exclusive share mode; the target's file gets a second
// name; the spare is moved over the target; and the old file, under its
// second name, is the next save's spare. The target always names a whole
// picture. Whenever a step is refused (no hard links, the spare held open,
// changed in size or shared with another name, any error), the save falls
// back to WriteFileReplacing and leaves no name behind. The spare is born
// from the second save of one target, so a single save leaves only the
// target. Natively every save takes WriteFileReplacing.
class SpareRoute {
 public:
  // Makes `link` a second name for `existing`; false, with the system's
  // error set, when refused. The default is the system's hard link.
  using LinkMaker = bool (*)(const std::filesystem::path& link,
                             const std::filesystem::path& existing);

  explicit SpareRoute(LinkMaker makeLink = nullptr) noexcept;
  // Removes the spare.
  ~SpareRoute();
  SpareRoute(const SpareRoute&) = delete;
  SpareRoute& operator=(const SpareRoute&) = delete;

  // Whether `target` now holds the new bytes. A failure leaves `target` as
  // it was.
  bool Write(const std::filesystem::path& target, std::span<const ByteRange> parts) noexcept;

  // The spare the next save rewrites; empty when there is none.
  const std::filesystem::path& Spare() const noexcept { return spare_; }

 private:
  bool RewriteSpare(const std::filesystem::path& target, std::span<const ByteRange> parts);
  bool WriteFresh(const std::filesystem::path& target, std::span<const ByteRange> parts,
                  bool keepOld);
  std::filesystem::path SecondName(const std::filesystem::path& existing);
  void DropSpare() noexcept;
  void RemoveLeftovers() noexcept;

  LinkMaker makeLink_;
  // What the last save wrote whole; empty after a failed one.
  std::filesystem::path target_;
  std::filesystem::path spare_;
  // Names that could not be removed yet (held open elsewhere).
  std::vector<std::filesystem::path> leftovers_;
};

#ifdef _WIN32
// At start-up, before this process saves anything there: removes the files
// of our naming beside `target` that a killed run left. A file whose writer
// still runs, or that is open, is left alone.
void RemoveLeftoverSaves(const std::filesystem::path& target) noexcept;

// Whether a process with that id exists now.
bool ProcessIsRunning(std::uint32_t processId) noexcept;
#endif

}  // namespace platform
