// The thin seam between the portable renderer and the operating system:
// where a surface's pixels live, and how a file is replaced safely.
// platform_win32.cpp and platform_posix.cpp are the two sides.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

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

// A name for the new file beside `target` that no other save uses: the
// process id keeps two running copies apart, a counter two saves of one
// process. (The caller still creates it exclusively, in case of a leftover.)
std::filesystem::path TemporarySibling(const std::filesystem::path& target,
                                       std::uint32_t processId);

}  // namespace platform
