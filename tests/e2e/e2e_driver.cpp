// e2e_driver: the Windows half of the end-to-end suite. It runs in the same
// Wine prefix as huevane.exe and does what only a Windows process can do
// there: set the user's temporary folder and wallpaper setting before a run,
// find the program's windows on its virtual desktop, read back what the
// program published, and end the program the way a user does.
//
//   e2e_driver profile
//   e2e_driver prepare TEMP_FOLDER
//   e2e_driver --desktop NAME wait TIMEOUT_MS
//   e2e_driver --desktop NAME state
//   e2e_driver --desktop NAME close TIMEOUT_MS
//
// Output is one "key value" line per fact, in UTF-8, so that the suite can
// compare non-ASCII paths byte for byte. Exit status: 0 done, 1 the command
// failed (reason on the last line), 2 bad arguments.

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kMainWindowClass = L"TForm1";
constexpr const wchar_t* kDialogClass = L"#32770";
// How often a bounded wait looks again.
constexpr DWORD kPollMs = 20;

void WriteUtf8(const std::wstring& text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), bytes,
                      nullptr, nullptr);
  out += '\n';
  // Raw bytes: a console would re-encode them, a file or pipe keeps them.
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written,
            nullptr);
}

void Say(const std::wstring& key, const std::wstring& value) { WriteUtf8(key + L" " + value); }

int Fail(const std::wstring& why) {
  Say(L"error", why);
  return 1;
}

std::wstring Hex(const void* handle) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%08lx", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(handle)));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// --- the profile: temporary folder and wallpaper setting --------------------

bool SetUserString(const wchar_t* key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG status =
      RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

// A missing or non-text value reads as "(none)", which no path equals.
std::wstring UserString(const wchar_t* key, const wchar_t* name) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) {
    return L"(none)";
  }
  DWORD type = 0;
  DWORD bytes = 0;
  std::wstring value = L"(none)";
  if (RegQueryValueExW(handle, name, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &bytes) == ERROR_SUCCESS) {
      value = buffer.data();
    }
  }
  RegCloseKey(handle);
  return value;
}

constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";

int Profile() {
  wchar_t profile[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH) == 0) {
    return Fail(L"USERPROFILE is not set");
  }
  Say(L"profile", profile);
  return 0;
}

// Programs started after this read TEMP and TMP from the user's environment
// key, as on Windows; the wallpaper setting goes back to "none", so that
// whatever names a file afterwards was published by the run that follows.
int Prepare(const std::wstring& tempFolder) {
  if (!SetUserString(L"Environment", L"TEMP", tempFolder) ||
      !SetUserString(L"Environment", L"TMP", tempFolder) ||
      !SetUserString(kDesktopKey, L"Wallpaper", L"")) {
    return Fail(L"cannot write the user's registry");
  }
  Say(L"temp", tempFolder);
  return 0;
}

// --- the program's windows ----------------------------------------------------

struct ProgramWindows {
  HWND main = nullptr;
  DWORD pid = 0;
  int visibleDialogs = 0;
};

BOOL CALLBACK CountDialog(HWND window, LPARAM context) {
  auto& windows = *reinterpret_cast<ProgramWindows*>(context);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == windows.pid && IsWindowVisible(window) && ClassOf(window) == kDialogClass) {
    ++windows.visibleDialogs;
  }
  return TRUE;
}

// Top-level windows of the driver's desktop: the main window, then every
// visible standard dialog (a message box among them) of the same process.
ProgramWindows FindProgramWindows() {
  ProgramWindows found;
  found.main = FindWindowW(kMainWindowClass, nullptr);
  if (found.main == nullptr) return found;
  GetWindowThreadProcessId(found.main, &found.pid);
  EnumWindows(CountDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

BOOL CALLBACK SayDialogText(HWND child, LPARAM) {
  if (ClassOf(child) == L"Static" && !TextOf(child).empty()) Say(L"dialog-text", TextOf(child));
  return TRUE;
}

// What a message box says, so that a failing case shows it.
BOOL CALLBACK SayDialog(HWND window, LPARAM context) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == static_cast<DWORD>(context) && IsWindowVisible(window) &&
      ClassOf(window) == kDialogClass) {
    Say(L"dialog-title", TextOf(window));
    EnumChildWindows(window, SayDialogText, 0);
  }
  return TRUE;
}

void SayWindows(const ProgramWindows& windows) {
  Say(L"window", Hex(windows.main));
  Say(L"pid", std::to_wstring(windows.pid));
  Say(L"visible", IsWindowVisible(windows.main) ? L"1" : L"0");
  RECT rect{};
  GetWindowRect(windows.main, &rect);
  Say(L"rect", std::to_wstring(rect.left) + L" " + std::to_wstring(rect.top) + L" " +
                   std::to_wstring(rect.right) + L" " + std::to_wstring(rect.bottom));
  Say(L"dialogs", std::to_wstring(windows.visibleDialogs));
  if (windows.visibleDialogs > 0) EnumWindows(SayDialog, static_cast<LPARAM>(windows.pid));
}

// Windows of a virtual desktop are found only from a thread on that desktop.
bool JoinDesktop(const std::wstring& name) {
  HDESK desktop = OpenDesktopW(name.c_str(), 0, FALSE, GENERIC_ALL);
  if (desktop == nullptr) return false;
  if (SetThreadDesktop(desktop)) return true;
  CloseDesktop(desktop);
  return false;
}

// Until the main window is visible, or a dialog of the program shows first
// (an error box during start-up keeps the main window hidden).
// The desktop itself may not exist yet either: the program's start creates it.
int Wait(const std::wstring& desktop, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  bool joined = false;
  for (;;) {
    if (!joined) joined = JoinDesktop(desktop);
    const ProgramWindows windows = joined ? FindProgramWindows() : ProgramWindows{};
    if (windows.main != nullptr && (IsWindowVisible(windows.main) || windows.visibleDialogs > 0)) {
      SayWindows(windows);
      return 0;
    }
    if (GetTickCount64() >= deadline) return Fail(L"no visible main window in time");
    Sleep(kPollMs);
  }
}

int State() {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  SayWindows(windows);
  DWORD_PTR result = 0;
  const bool responds = SendMessageTimeoutW(windows.main, WM_NULL, 0, 0,
                                            SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000, &result) != 0;
  Say(L"responds", responds ? L"1" : L"0");
  Say(L"wallpaper-registry", UserString(kDesktopKey, L"Wallpaper"));
  wchar_t wallpaper[MAX_PATH + 1] = {};
  SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, wallpaper, 0);
  Say(L"wallpaper-spi", wallpaper);
  return 0;
}

// WM_CLOSE, as the close button sends it; then the process's own exit code.
int Close(DWORD timeoutMs) {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  HANDLE process =
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, windows.pid);
  if (process == nullptr) return Fail(L"cannot open the program's process");
  PostMessageW(windows.main, WM_CLOSE, 0, 0);
  const DWORD waited = WaitForSingleObject(process, timeoutMs);
  DWORD exitCode = STILL_ACTIVE;
  GetExitCodeProcess(process, &exitCode);
  CloseHandle(process);
  if (waited != WAIT_OBJECT_0) return Fail(L"the program did not end in time");
  Say(L"exit-code", std::to_wstring(exitCode));
  return 0;
}

int Usage() {
  Say(L"error",
      L"usage: e2e_driver profile | prepare TEMP_FOLDER | --desktop NAME (wait MS | state | close MS)");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == L"profile") return Profile();
  if (args.size() == 2 && args[0] == L"prepare") return Prepare(args[1]);
  if (args.size() < 3 || args[0] != L"--desktop") return Usage();
  const std::wstring desktop = args[1];
  const std::wstring command = args[2];
  if (args.size() == 4 && (command == L"wait" || command == L"close")) {
    const DWORD timeoutMs = static_cast<DWORD>(std::wcstoul(args[3].c_str(), nullptr, 10));
    if (command == L"wait") return Wait(desktop, timeoutMs);
    if (!JoinDesktop(desktop)) return Fail(L"cannot join the desktop " + desktop);
    return Close(timeoutMs);
  }
  if (args.size() == 3 && command == L"state") {
    if (!JoinDesktop(desktop)) return Fail(L"cannot join the desktop " + desktop);
    return State();
  }
  return Usage();
}
