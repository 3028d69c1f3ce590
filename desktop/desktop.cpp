// The desktop rules: which family gets which wallpaper call, how the
// temporary folder becomes the wallpaper file path. The system is reached
// only through SystemCalls.

#include "desktop/desktop.h"

#include <utility>

namespace desktop {

std::int32_t OsFamilyCode(std::uint32_t platformId) {
  switch (platformId) {
    case 0: return kFamilyWin32s;
    case 1: return kFamilyWindows9x;
    case 2: return kFamilyWindowsNt;
    default: return kFamilyOther;
  }
}

namespace {

// 95/98/Me and Win32s: ANSI calls only, and the wallpaper path in quotes.
bool IsOldFamily(std::int32_t familyCode) { return familyCode < 0; }

}  // namespace

void VersionCheck(SystemCalls& calls, DesktopState& state) {
  // A failed call says nothing about the platform. Quoting a path that the
  // system does not expect quoted leaves the desktop unpainted, so an unknown
  // platform is taken for the NT family, which wants the path as it is.
  const std::optional<std::uint32_t> platformId = calls.PlatformId();
  state.osFamilyCode = platformId ? OsFamilyCode(*platformId) : kFamilyWindowsNt;
}

void StartupStep(SystemCalls& calls, DesktopState& state) {
  VersionCheck(calls, state);
  std::optional<std::wstring> folder =
      IsOldFamily(state.osFamilyCode) ? calls.TempPathAnsi() : calls.TempPathWide();
  // An unreadable folder stays empty: no wallpaper path is ever built from it.
  if (folder && !folder->empty()) {
    if (folder->back() != L'\\') folder->push_back(L'\\');
    state.tempFolder = std::move(*folder);
  } else {
    state.tempFolder.clear();
  }
  calls.SetErrorMode(kErrorMode);
}

std::wstring WallpaperFilePath(const DesktopState& state) {
  if (state.tempFolder.empty()) return {};
  return state.tempFolder + kWallpaperFileName;
}

std::int32_t ScreenWidth(SystemCalls& calls) { return calls.GetSystemMetrics(kSmCxScreen); }

std::int32_t ScreenHeight(SystemCalls& calls) { return calls.GetSystemMetrics(kSmCyScreen); }

void PublishWallpaper(SystemCalls& calls, DesktopState& state, std::wstring path) {
  // Handing the system an empty path would clear the user's wallpaper.
  if (path.empty()) return;
  VersionCheck(calls, state);
  if (IsOldFamily(state.osFamilyCode)) {
    // `path` is this call's own copy: quoting it here never reaches the
    // caller, so every publish quotes the plain path exactly once.
    path = L'"' + path + L'"';
    calls.SystemParametersInfoA(kSpiSetDeskWallpaper, 0, path, kSpifUpdateIniFile);
  } else {
    calls.SystemParametersInfoW(kSpiSetDeskWallpaper, 0, path, kSpifUpdateIniFile);
  }
}

void ExitStep(DesktopState& state) {
  // swap, not clear: the folder's memory is given back, not just emptied.
  std::wstring().swap(state.tempFolder);
}

}  // namespace desktop
