// Native side of the platform seam: a zeroed heap block for the pixels, and
// a file replaced through write-to-temporary then rename.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <string>

#include "render/platform.h"
#include "render/win.h"

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
  if (end > aligned + length) ::munmap(reinterpret_cast<void*>(aligned + length), end - aligned - length);
#ifdef MADV_HUGEPAGE
  ::madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
#endif
  return reinterpret_cast<void*>(aligned);
}

}  // namespace

SurfaceMemory AcquireSurfaceMemory(const BitmapInfoHeader& header, std::size_t bytes) {
  void* block = MapZeroedBlock(bytes);
  if (block == nullptr) {
    const std::int32_t height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    throw SurfaceError("Not enough memory for a " + std::to_string(header.biWidth) + " x " +
                       std::to_string(height) + " picture (" + std::to_string(bytes) +
                       " bytes).");
  }
  return {nullptr, nullptr, static_cast<std::uint8_t*>(block)};
}

void ReleaseSurfaceMemory(SurfaceMemory& memory, std::size_t bytes) noexcept {
  if (memory.bits != nullptr) ::munmap(memory.bits, MappedLength(bytes));
  memory = {};
}

namespace {

// Writes every range, in order, with as few system calls as the kernel's
// gather limit allows. Returns false on any error or short device.
bool WriteAll(int fd, std::span<const ByteRange> parts) {
#ifdef IOV_MAX
  constexpr std::size_t kBatch = IOV_MAX < 1024 ? IOV_MAX : 1024;
#else
  constexpr std::size_t kBatch = 1024;
#endif
  iovec batch[kBatch];
  std::size_t next = 0;        // first range not yet in a batch
  std::size_t skipped = 0;     // bytes of parts[next] already written
  while (next < parts.size()) {
    std::size_t count = 0;
    for (std::size_t i = next; i < parts.size() && count < kBatch; ++i, ++count) {
      const std::size_t offset = i == next ? skipped : 0;
      batch[count].iov_base = const_cast<std::uint8_t*>(parts[i].data + offset);
      batch[count].iov_len = parts[i].size - offset;
    }
    const ssize_t written = ::writev(fd, batch, static_cast<int>(count));
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) return false;
    // Step past what went out, which may end inside a range.
    std::size_t left = static_cast<std::size_t>(written);
    while (next < parts.size() && left >= parts[next].size - skipped) {
      left -= parts[next].size - skipped;
      skipped = 0;
      ++next;
    }
    skipped += left;
  }
  return true;
}

}  // namespace

bool WriteFileReplacing(const std::filesystem::path& target,
                        std::span<const ByteRange> parts) noexcept {
  try {
    if (!target.has_filename()) return false;
    int fd = -1;
    std::filesystem::path temporary;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
      temporary = TemporarySibling(target, static_cast<std::uint32_t>(::getpid()));
      fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    const bool written = WriteAll(fd, parts);
    const bool closed = ::close(fd) == 0;
    if (written && closed && ::rename(temporary.c_str(), target.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
  } catch (...) {
    return false;
  }
}

}  // namespace platform
