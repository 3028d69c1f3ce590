// What the program asks of the desktop and the system folders: the
// temporary folder, the screen size, the error mode, the operating-system
// family and publishing the wallpaper. Portable: the system is reached only
// through SystemCalls, so the rules here are tested with a recording fake.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace desktop {

// OS family codes, from GetVersionExA's dwPlatformId. Only the sign matters:
// a negative code means the wallpaper path is handed over in quotes.
constexpr std::int32_t kFamilyWin32s = -32;
constexpr std::int32_t kFamilyWindows9x = -95;
constexpr std::int32_t kFamilyWindowsNt = 10;
constexpr std::int32_t kFamilyOther = 100;

// SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOALIGNMENTFAULTEXCEPT
// | SEM_NOOPENFILEERRORBOX
constexpr std::uint32_t kErrorMode = 0x8007;
constexpr std::uint32_t kSpiSetDeskWallpaper = 20;
constexpr std::uint32_t kSpifUpdateIniFile = 1;
constexpr std::int32_t kSmCxScreen = 0;
constexpr std::int32_t kSmCyScreen = 1;

constexpr const wchar_t* kWallpaperFileName = L"Huevane.Bmp";

// 0 (Win32s) -> -32, 1 (95/98/Me) -> -95, 2 (NT) -> 10, anything else -> 100.
std::int32_t OsFamilyCode(std::uint32_t platformId);

// Everything this module asks of the system. Win32SystemCalls is the real
// one; each member is one system call and nothing more.
class SystemCalls {
 public:
  virtual ~SystemCalls() = default;
  // GetTempPathW, with a buffer as large as the path needs; nullopt when the
  // call fails.
  virtual std::optional<std::wstring> TempPathWide() = 0;
  // GetTempPathA into a 256-byte buffer, converted from the ANSI code page;
  // nullopt when the call fails or the path does not fit.
  virtual std::optional<std::wstring> TempPathAnsi() = 0;
  virtual void SetErrorMode(std::uint32_t mode) = 0;
  virtual std::int32_t GetSystemMetrics(std::int32_t index) = 0;
  // GetVersionExA with dwOSVersionInfoSize 148: dwPlatformId, or nullopt
  // when the call fails.
  virtual std::optional<std::uint32_t> PlatformId() = 0;
  // SystemParametersInfoA with the text converted to the ANSI code page.
  virtual void SystemParametersInfoA(std::uint32_t action, std::uint32_t param,
                                     const std::wstring& text, std::uint32_t flags) = 0;
  virtual void SystemParametersInfoW(std::uint32_t action, std::uint32_t param,
                                     const std::wstring& text, std::uint32_t flags) = 0;
};

// The process-wide state of this module.
struct DesktopState {
  // The temporary folder, ending in a backslash; empty until the start-up
  // step, and empty for good if the system could not tell it.
  std::wstring tempFolder;
  // Set by the version check at every publish.
  std::int32_t osFamilyCode = 0;
};

// Asks the platform id anew and stores its family code. A failing call
// counts as the NT family.
void VersionCheck(SystemCalls& calls, DesktopState& state);

// Once, before any window exists: reads the temporary folder (the wide call
// on the NT family and beyond, the ANSI one on 95/98/Me and Win32s) and
// switches the system's error boxes off.
void StartupStep(SystemCalls& calls, DesktopState& state);

// The wallpaper file path: the temporary folder followed directly by
// "Huevane.Bmp"; empty when the temporary folder is unknown.
std::wstring WallpaperFilePath(const DesktopState& state);

std::int32_t ScreenWidth(SystemCalls& calls);
std::int32_t ScreenHeight(SystemCalls& calls);

// Makes `path` the desktop wallpaper, stored in the user's profile, with no
// broadcast. Runs the version check first; 95/98/Me and Win32s get the ANSI
// call with the path in double quotes, everything else the wide call with
// the path as it is. An empty path (no temporary folder) publishes nothing,
// so the user's wallpaper is left as it was.
void PublishWallpaper(SystemCalls& calls, DesktopState& state, std::wstring path);

// At process exit: releases the temporary folder path.
void ExitStep(DesktopState& state);

}  // namespace desktop
