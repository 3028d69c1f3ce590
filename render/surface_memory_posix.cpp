// Native side of the surface's memory: a zeroed block straight from the
// kernel.

#include <sys/mman.h>

#include <cstdint>

#include "render/surface.h"
#include "render/surface_memory.h"

namespace platform {

namespace {

// Screen-sized blocks come straight from the kernel, aligned for transparent
// huge pages where the system offers them: a 4K surface is 25 MB, and taking
// it in 4 KB page faults costs more than painting it.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t MappedLength(std::size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

void* MapZeroedBlock(std::size_t bytes) {
  const std::size_t length = MappedLength(bytes);
  // Map one huge page more than needed and trim to an aligned start.
  void* raw = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start) ::munmap(raw, aligned - start);
  const std::uintptr_t end = start + length + kHugePage;
  if (end > aligned + length)
    ::munmap(reinterpret_cast<void*>(aligned + length), end - aligned - length);
#ifdef MADV_HUGEPAGE
  ::madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
#endif
  return reinterpret_cast<void*>(aligned);
}

}  // namespace

SurfaceMemory AcquireSurfaceMemory(const BitmapInfoHeader& header, std::size_t bytes) {
  void* block = MapZeroedBlock(bytes);
  if (block == nullptr) {
    throw SurfaceError(SurfaceError::Reason::NoMemory, header.biWidth, HeightOf(header), bytes);
  }
  return {nullptr, nullptr, static_cast<std::uint8_t*>(block)};
}

void ReleaseSurfaceMemory(SurfaceMemory& memory, std::size_t bytes) noexcept {
  if (memory.bits != nullptr) ::munmap(memory.bits, MappedLength(bytes));
  memory = {};
}

}  // namespace platform
