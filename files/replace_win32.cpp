// Windows side of replacing a file: a uniquely named file in the same folder,
// written whole, then moved over the target with MoveFileExW; and the write
// helpers the reader-safe route shares.

#include "files/replace_win32.h"

#include <cstring>
#include <memory>
#include <new>

#include "files/sibling_names.h"
#include "win32/scoped.h"

namespace files {

namespace win32_files {

namespace {

// Rows are a few KB each; they are gathered into chunks of this size so that
// the file goes out in a handful of large writes, never row by row.
constexpr std::size_t kChunkBytes = 256 * 1024;

bool WriteBlock(HANDLE file, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD done = 0;
    if (!WriteFile(file, data, want, &done, nullptr) || done == 0) return false;
    data += done;
    size -= done;
  }
  return true;
}

}  // namespace

bool WriteAll(HANDLE file, std::span<const ByteRange> parts) {
  std::unique_ptr<std::uint8_t[]> chunk(new (std::nothrow) std::uint8_t[kChunkBytes]);
  std::size_t used = 0;
  auto flush = [&] {
    const bool ok = WriteBlock(file, chunk.get(), used);
    used = 0;
    return ok;
  };
  for (const ByteRange& part : parts) {
    if (!chunk || part.size >= kChunkBytes / 2) {
      if (used > 0 && !flush()) return false;
      if (!WriteBlock(file, part.data, part.size)) return false;
      continue;
    }
    if (used + part.size > kChunkBytes && !flush()) return false;
    std::memcpy(chunk.get() + used, part.data, part.size);
    used += part.size;
  }
  return used == 0 || flush();
}

std::uint64_t TotalSize(std::span<const ByteRange> parts) {
  std::uint64_t total = 0;
  for (const ByteRange& part : parts) total += part.size;
  return total;
}

bool NameExists(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

bool RemoveName(const PathName& name) {
  if (DeleteFileW(name.c_str())) return true;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

PathName WriteTemporary(const PathName& target, std::span<const ByteRange> parts) {
  win32::ScopedHandle file;
  PathName temporary;
  for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
    temporary = TemporarySibling(target, GetCurrentProcessId());
    file.reset(CreateFileW(temporary.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() && !NameExists(GetLastError())) return {};
  }
  if (!file.valid()) return {};
  const bool written = WriteAll(file.get(), parts);
  // A write may fail only when the file is closed.
  const bool closed = file.close();
  if (written && closed) return temporary;
  DeleteFileW(temporary.c_str());
  return {};
}

}  // namespace win32_files

bool WriteFileReplacing(const PathName& target, std::span<const ByteRange> parts) noexcept {
  try {
    if (!HasFileName(target)) return false;
    const PathName temporary = win32_files::WriteTemporary(target, parts);
    if (temporary.empty()) return false;
    if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    DeleteFileW(temporary.c_str());
    return false;
  } catch (...) {
    return false;
  }
}

}  // namespace files
