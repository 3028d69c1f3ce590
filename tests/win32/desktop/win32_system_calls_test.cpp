// The real system calls behind the desktop rules, in this process: what
// each one reads back from the system, and what publishing leaves in the
// desktop setting and in the user's profile.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "desktop/desktop.h"
#include "desktop/win32_system_calls.h"
#include "unit/render/temp_folder.h"

namespace {

constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";

std::wstring AskTempPathW() {
  std::vector<wchar_t> buffer(GetTempPathW(0, nullptr) + 1);
  const DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
  return std::wstring(buffer.data(), length);
}

std::wstring DeskWallpaper() {
  // SPI_GETDESKWALLPAPER takes a length but gives no way to ask for more;
  // a buffer far longer than any path the tests publish leaves no doubt.
  std::vector<wchar_t> buffer(4096);
  EXPECT_TRUE(SystemParametersInfoW(SPI_GETDESKWALLPAPER, static_cast<UINT>(buffer.size()),
                                    buffer.data(), 0));
  return buffer.data();
}

// The Wallpaper value in the user's profile: its type and raw bytes, or
// nothing when there is no such value.
struct RegistryValue {
  DWORD type = 0;
  std::vector<BYTE> data;
};

std::optional<RegistryValue> ReadProfileWallpaper() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  RegistryValue value;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(key, L"Wallpaper", nullptr, &value.type, nullptr, &size);
  if (status == ERROR_SUCCESS) {
    value.data.resize(size);
    status = RegQueryValueExW(key, L"Wallpaper", nullptr, &value.type, value.data.data(), &size);
    value.data.resize(size);
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return std::nullopt;
  return value;
}

std::wstring ProfileWallpaperText() {
  std::vector<wchar_t> buffer(4096);
  DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"Wallpaper", RRF_RT_REG_SZ,
                                      nullptr, buffer.data(), &size);
  EXPECT_EQ(status, ERROR_SUCCESS);
  return status == ERROR_SUCCESS ? std::wstring(buffer.data()) : std::wstring();
}

// Puts the desktop wallpaper and its profile value back as they were found:
// other suites share this Wine prefix.
class WallpaperRestorer {
 public:
  WallpaperRestorer() : desktop_(DeskWallpaper()), profile_(ReadProfileWallpaper()) {}
  ~WallpaperRestorer() {
    std::wstring desktop = desktop_;
    SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, desktop.data(), SPIF_UPDATEINIFILE);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
      return;
    }
    if (profile_) {
      RegSetValueExW(key, L"Wallpaper", 0, profile_->type, profile_->data.data(),
                     static_cast<DWORD>(profile_->data.size()));
    } else {
      RegDeleteValueW(key, L"Wallpaper");
    }
    RegCloseKey(key);
  }
  WallpaperRestorer(const WallpaperRestorer&) = delete;
  WallpaperRestorer& operator=(const WallpaperRestorer&) = delete;

 private:
  std::wstring desktop_;
  std::optional<RegistryValue> profile_;
};

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A 2 x 2, 24-bit, bottom-up BMP: red and green over blue and white.
std::vector<std::uint8_t> SmallBmp() {
  const std::uint32_t stride = 8;  // 2 pixels of 3 bytes, padded to 4
  const std::uint32_t pixelBytes = stride * 2;
  std::vector<std::uint8_t> bmp = {'B', 'M'};
  PutLittleEndian(bmp, 54 + pixelBytes, 4);
  PutLittleEndian(bmp, 0, 4);
  PutLittleEndian(bmp, 54, 4);
  PutLittleEndian(bmp, 40, 4);
  PutLittleEndian(bmp, 2, 4);   // width
  PutLittleEndian(bmp, 2, 4);   // height
  PutLittleEndian(bmp, 1, 2);   // planes
  PutLittleEndian(bmp, 24, 2);  // bits per pixel
  PutLittleEndian(bmp, 0, 4);   // BI_RGB
  PutLittleEndian(bmp, pixelBytes, 4);
  for (int i = 0; i < 4; ++i) PutLittleEndian(bmp, 0, 4);
  const std::uint8_t rows[] = {255, 0, 0,   255, 255, 255, 0, 0,   // blue, white
                               0,   0, 255, 0,   255, 0,   0, 0};  // red, green
  bmp.insert(bmp.end(), std::begin(rows), std::end(rows));
  return bmp;
}

void WriteWholeFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  const BOOL ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_TRUE(ok);
  ASSERT_EQ(written, bytes.size());
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const wchar_t* name, const std::wstring& value) : name_(name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size > 0) {
      std::vector<wchar_t> buffer(size);
      GetEnvironmentVariableW(name, buffer.data(), size);
      old_ = buffer.data();
    }
    SetEnvironmentVariableW(name, value.c_str());
  }
  ~ScopedEnvironment() { SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const wchar_t* name_;
  std::optional<std::wstring> old_;
};

TEST(Win32SystemCalls, TempPathAnsiIsWhatTheSystemSays) {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof(buffer), buffer);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, 256u);
  std::wstring expected(buffer, buffer + length);  // Wine's folder is plain ASCII

  desktop::Win32SystemCalls calls;
  EXPECT_EQ(calls.TempPathAnsi(), expected);
}

TEST(Win32SystemCalls, TempPathFollowsTheEnvironmentAtAnyLength) {
  // GetTempPathW takes the folder from TMP first, whether or not it exists.
  // Beyond about MAX_PATH characters it refuses (Wine stops at 258), so the
  // longest case here is 258 characters.
  const std::wstring unicode = L"C:\\Tëmp Жж 日本\\";
  const std::wstring longest = L"C:\\" + std::wstring(254, L'd') + L"\\";   // 258
  const std::wstring justFits = L"C:\\" + std::wstring(251, L'f') + L"\\";  // 255
  const std::wstring tooLong = L"C:\\" + std::wstring(252, L'f') + L"\\";   // 256
  // What the ANSI call should give: the same text, nothing (too long for its
  // 256 bytes), or whatever the code page makes of it, which is not checked.
  enum class Ansi { kSame, kTooLong, kUnchecked };
  const struct {
    std::wstring tmp;
    std::wstring wide;
    Ansi ansi;
  } cases[] = {
      {L"C:\\Plain\\Temp\\", L"C:\\Plain\\Temp\\", Ansi::kSame},
      {L"C:\\Plain\\Temp", L"C:\\Plain\\Temp\\", Ansi::kSame},
      {unicode, unicode, Ansi::kUnchecked},
      {longest, longest, Ansi::kTooLong},
      {longest.substr(0, 257), longest, Ansi::kTooLong},
      {justFits, justFits, Ansi::kSame},
      {tooLong, tooLong, Ansi::kTooLong},
  };
  desktop::Win32SystemCalls calls;
  for (const auto& c : cases) {
    ScopedEnvironment tmp(L"TMP", c.tmp);
    EXPECT_EQ(calls.TempPathWide(), c.wide) << c.tmp.size() << " characters";
    if (c.ansi == Ansi::kSame) {
      EXPECT_EQ(calls.TempPathAnsi(), c.wide) << c.tmp.size() << " characters";
    } else if (c.ansi == Ansi::kTooLong) {
      EXPECT_EQ(calls.TempPathAnsi(), std::nullopt) << c.tmp.size() << " characters";
    }
  }
}

TEST(Win32SystemCalls, StartupReadsTheFolderAndSwitchesErrorBoxesOff) {
  const UINT before = GetErrorMode();
  SetErrorMode(0);
  desktop::Win32SystemCalls calls;
  desktop::DesktopState state;
  desktop::StartupStep(calls, state);
  const UINT after = GetErrorMode();
  SetErrorMode(before);

  EXPECT_EQ(after, 0x8007u);
  EXPECT_EQ(state.tempFolder, AskTempPathW());
  EXPECT_EQ(desktop::WallpaperFilePath(state), AskTempPathW() + L"Huevane.Bmp");
}

TEST(Win32SystemCalls, PublishSetsTheWallpaperAndStoresItInTheProfile) {
  test::TempFolder scratch;
  const std::filesystem::path folder = scratch.path() / L"Tëmp Жж 日本";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  desktop::DesktopState state;
  state.tempFolder = folder.wstring() + L"\\";
  const std::wstring path = desktop::WallpaperFilePath(state);
  WriteWholeFile(path, SmallBmp());
  if (HasFatalFailure()) return;

  WallpaperRestorer restorer;
  desktop::Win32SystemCalls calls;
  desktop::PublishWallpaper(calls, state, path);

  EXPECT_EQ(DeskWallpaper(), path);
  EXPECT_EQ(ProfileWallpaperText(), path);
}

TEST(Win32SystemCalls, AnsiWallpaperCallHandsOverTheSameText) {
  // The route of 95/98/Me: the text goes through the ANSI code page, which
  // holds every character of this path.
  test::TempFolder scratch;
  const std::filesystem::path folder = scratch.path() / L"Plain Folder";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  const std::wstring path = (folder / L"Huevane.Bmp").wstring();
  WriteWholeFile(path, SmallBmp());
  if (HasFatalFailure()) return;

  WallpaperRestorer restorer;
  desktop::Win32SystemCalls calls;
  calls.SystemParametersInfoA(desktop::kSpiSetDeskWallpaper, 0, path, desktop::kSpifUpdateIniFile);

  EXPECT_EQ(DeskWallpaper(), path);
  EXPECT_EQ(ProfileWallpaperText(), path);
}

}  // namespace
