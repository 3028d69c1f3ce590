// The one converter between the program's wide strings and the byte strings
// of a code page (the ANSI page, Windows-1252, UTF-8).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace win32 {

// Western European: the code page of the texts the program carries.
constexpr UINT kWindows1252 = 1252;

inline std::wstring Widen(std::string_view text, UINT codePage = CP_ACP) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
  return wide;
}

inline std::string Narrow(std::wstring_view text, UINT codePage = CP_ACP) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
  return bytes;
}

}  // namespace win32
