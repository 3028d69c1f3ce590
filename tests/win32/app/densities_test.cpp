// The windows on denser displays, as a user there sees them: the cases that
// look at the main window and the dialogs run again, each density in a
// process of its own. Wine takes a process's pixels per inch from the
// user's LogPixels setting once, as the process starts, so the setting
// stands while that process runs; every other test that makes windows
// waits for the desktop meanwhile, as this one holds it.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "toolkit/font.h"

namespace {

constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";
// The child's cases: the density's proof first, then what it shows.
constexpr const wchar_t* kCommand =
    L" --gtest_filter=Densities.ThisProcess*:DialogLayouts.*:MainWindow.*";

// This program again on a display of `pixelsPerInch`, its output on ours:
// its exit code.
DWORD RunAt(DWORD pixelsPerInch) {
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(program) + L"\"" + kCommand;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::fflush(stdout);
  SetEnvironmentVariableW(L"HUEVANE_TEST_PIXELS_PER_INCH", std::to_wstring(pixelsPerInch).c_str());
  RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &pixelsPerInch,
                  sizeof(pixelsPerInch));
  PROCESS_INFORMATION child{};
  DWORD code = ~0u;
  if (CreateProcessW(program, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &child)) {
    if (WaitForSingleObject(child.hProcess, 120000) != WAIT_OBJECT_0) {
      TerminateProcess(child.hProcess, code);
    }
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
  }
  RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels");
  SetEnvironmentVariableW(L"HUEVANE_TEST_PIXELS_PER_INCH", nullptr);
  return code;
}

TEST(Densities, TheWindowsShowRightAt120_144And192PixelsPerInch) {
  for (DWORD pixelsPerInch : {120u, 144u, 192u}) {
    EXPECT_EQ(RunAt(pixelsPerInch), 0u) << pixelsPerInch << " pixels per inch";
  }
}

TEST(Densities, ThisProcessHasTheDensityItWasStartedFor) {
  const char* asked = std::getenv("HUEVANE_TEST_PIXELS_PER_INCH");
  EXPECT_EQ(toolkit::ScreenPixelsPerInch(), asked != nullptr ? std::atoi(asked) : 96)
      << "the display's density did not take; or one left in the prefix's LogPixels";
}

}  // namespace
