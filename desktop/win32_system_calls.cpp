// Win32 side of the desktop rules. Nothing here decides anything: the rules
// live in desktop.cpp, where they are tested against a fake of this class.

#include "desktop/win32_system_calls.h"

#include <windows.h>

#include <string>
#include <string_view>

#include "win32/text.h"

namespace desktop {

namespace {

// The size field tells the call which record it was given; 148 bytes is the
// plain record, the one that every family, 95 and NT 3.x included, accepts.
static_assert(sizeof(OSVERSIONINFOA) == 148);

constexpr DWORD kAnsiFolderBuffer = 256;

}  // namespace

std::optional<std::wstring> Win32SystemCalls::TempPathWide() {
  // The call answers a buffer too small for the path, the empty one first,
  // with the size it needs; the folder could change between two calls, so
  // ask until the answer fits.
  std::wstring buffer;
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = GetTempPathW(size, size == 0 ? nullptr : buffer.data());
    if (length == 0) return std::nullopt;
    if (length < size) {
      buffer.resize(length);
      return buffer;
    }
    buffer.assign(length + 1, L'\0');
  }
}

std::optional<std::wstring> Win32SystemCalls::TempPathAnsi() {
  char buffer[kAnsiFolderBuffer] = {};
  const DWORD length = GetTempPathA(kAnsiFolderBuffer, buffer);
  // A path too long for the buffer comes back as the size it would need,
  // with nothing written: there is no path to take.
  if (length == 0 || length >= kAnsiFolderBuffer) return std::nullopt;
  return win32::Widen(std::string_view(buffer, length));
}

void Win32SystemCalls::SetErrorMode(std::uint32_t mode) { ::SetErrorMode(mode); }

std::int32_t Win32SystemCalls::GetSystemMetrics(std::int32_t index) {
  return ::GetSystemMetrics(index);
}

std::optional<std::uint32_t> Win32SystemCalls::PlatformId() {
  OSVERSIONINFOA info;
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info)) return std::nullopt;
  return info.dwPlatformId;
}

void Win32SystemCalls::SystemParametersInfoA(std::uint32_t action, std::uint32_t param,
                                             const std::wstring& text, std::uint32_t flags) {
  std::string ansi = win32::Narrow(text);
  // An empty text would clear the wallpaper instead of setting it.
  if (ansi.empty() && !text.empty()) return;
  ::SystemParametersInfoA(action, param, ansi.data(), flags);
}

void Win32SystemCalls::SystemParametersInfoW(std::uint32_t action, std::uint32_t param,
                                             const std::wstring& text, std::uint32_t flags) {
  std::wstring wide = text;
  ::SystemParametersInfoW(action, param, wide.data(), flags);
}

}  // namespace desktop
