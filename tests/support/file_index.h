// Which file a path names on Windows: the file system's index of the file,
// the same for every name of one file. 0 when the path names nothing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace test {

inline std::uint64_t FileIndex(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  BY_HANDLE_FILE_INFORMATION facts{};
  const bool known = file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &facts);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return known ? (static_cast<std::uint64_t>(facts.nFileIndexHigh) << 32) | facts.nFileIndexLow : 0;
}

}  // namespace test
