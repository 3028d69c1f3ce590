// Where a surface's pixels live: a DIB section in a memory DC on Windows
// (surface_memory_win32.cpp), a plain zeroed block elsewhere
// (surface_memory_posix.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

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

}  // namespace platform
