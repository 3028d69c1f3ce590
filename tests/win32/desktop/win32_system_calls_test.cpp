// The real system calls behind the desktop rules, in this process: the
// temporary folder each call reads back, and the start-up step. What
// publishing leaves in the desktop setting and the user's profile, by either
// route, is checked on every start of the real program (tests/e2e: the
// non-ASCII folder and the Windows 98 cases).

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "desktop/desktop.h"
#include "desktop/win32_system_calls.h"

namespace {

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
  ScopedEnvironment tmp(L"TMP", L"C:\\Users\\Jo Doe\\Tëmp Жж");
  const UINT before = GetErrorMode();
  SetErrorMode(0);
  desktop::Win32SystemCalls calls;
  desktop::DesktopState state;
  desktop::StartupStep(calls, state);
  const UINT after = GetErrorMode();
  SetErrorMode(before);

  EXPECT_EQ(after, 0x8007u);
  EXPECT_EQ(desktop::WallpaperFilePath(state), L"C:\\Users\\Jo Doe\\Tëmp Жж\\Huevane.Bmp");
}

}  // namespace
