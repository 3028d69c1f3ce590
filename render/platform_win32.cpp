// Windows side of the platform seam: the surface is a DIB section selected
// into a memory DC for its whole life, and the wallpaper file is replaced
// through a uniquely named file in the same folder and MoveFileExW.

#include <windows.h>

#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "render/platform.h"
#include "render/win.h"

namespace platform {

SurfaceMemory AcquireSurfaceMemory(const BitmapInfoHeader& header, std::size_t bytes) {
  const std::int32_t height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  auto fail = [&](const char* what) {
    return SurfaceError("Not enough " + std::string(what) + " for a " +
                        std::to_string(header.biWidth) + " x " + std::to_string(height) +
                        " picture (" + std::to_string(bytes) + " bytes).");
  };
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) throw fail("graphics resources");

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = header.biWidth;
  info.bmiHeader.biHeight = header.biHeight;
  info.bmiHeader.biPlanes = header.biPlanes;
  info.bmiHeader.biBitCount = header.biBitCount;
  info.bmiHeader.biCompression = header.biCompression;
  info.bmiHeader.biSizeImage = header.biSizeImage;
  info.bmiHeader.biXPelsPerMeter = header.biXPelsPerMeter;
  info.bmiHeader.biYPelsPerMeter = header.biYPelsPerMeter;
  info.bmiHeader.biClrUsed = header.biClrUsed;
  info.bmiHeader.biClrImportant = header.biClrImportant;

  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) {
    if (bitmap != nullptr) DeleteObject(bitmap);
    DeleteDC(dc);
    throw fail("memory");
  }
  SelectObject(dc, bitmap);
  // The padding bytes are never painted, and go into every saved file.
  std::memset(bits, 0, bytes);
  return {bitmap, dc, static_cast<std::uint8_t*>(bits)};
}

void ReleaseSurfaceMemory(SurfaceMemory& memory, std::size_t) noexcept {
  // The DC goes first, with the section still selected; then the section.
  if (memory.dc != nullptr) DeleteDC(static_cast<HDC>(memory.dc));
  if (memory.bitmap != nullptr) DeleteObject(static_cast<HBITMAP>(memory.bitmap));
  memory = {};
}

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

bool NameExists(DWORD error) {
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// The whole new file beside `target`, written and closed; empty on failure,
// with nothing left behind.
std::filesystem::path WriteTemporary(const std::filesystem::path& target,
                                     std::span<const ByteRange> parts) {
  HANDLE file = INVALID_HANDLE_VALUE;
  std::filesystem::path temporary;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = TemporarySibling(target, GetCurrentProcessId());
    file = CreateFileW(temporary.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && !NameExists(GetLastError())) return {};
  }
  if (file == INVALID_HANDLE_VALUE) return {};
  const bool written = WriteAll(file, parts);
  const bool closed = CloseHandle(file) != 0;
  if (written && closed) return temporary;
  DeleteFileW(temporary.c_str());
  return {};
}

}  // namespace

bool WriteFileReplacing(const std::filesystem::path& target,
                        std::span<const ByteRange> parts) noexcept {
  try {
    if (!target.has_filename()) return false;
    const std::filesystem::path temporary = WriteTemporary(target, parts);
    if (temporary.empty()) return false;
    if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    DeleteFileW(temporary.c_str());
    return false;
  } catch (...) {
    return false;
  }
}

bool ProcessIsRunning(std::uint32_t processId) noexcept {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  if (process == nullptr) {
    // One we may not open exists all the same.
    return GetLastError() == ERROR_ACCESS_DENIED;
  }
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

void RemoveLeftoverSaves(const std::filesystem::path& target) noexcept {
  try {
    if (!target.has_filename()) return;
    std::filesystem::path pattern = target;
    pattern.replace_filename(L"~hv*");
    std::vector<std::filesystem::path> found;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        std::filesystem::path name = target;
        name.replace_filename(entry.cFileName);
        found.push_back(std::move(name));
      }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    const DWORD self = GetCurrentProcessId();
    for (const std::filesystem::path& name : found) {
      const std::optional<std::uint32_t> owner = SiblingOwner(name);
      if (!owner) continue;
      // Our own id can only be a dead run's that had it before us. A file
      // still open, whoever holds it, refuses to go.
      if (*owner != self && ProcessIsRunning(*owner)) continue;
      DeleteFileW(name.c_str());
    }
  } catch (...) {
  }
}

}  // namespace platform
