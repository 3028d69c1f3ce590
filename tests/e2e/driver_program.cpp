// e2e_driver's verbs on the program itself: its start, its state and use of
// resources, and its end, by itself, by the close button or at log-off.

#include "driver.h"

#include <psapi.h>

namespace driver {

// How many visible top-level windows of one class a process shows.
struct VisibleCount {
  DWORD pid = 0;
  std::wstring className;
  int shown = 0;
};

BOOL CALLBACK CountVisible(HWND window, LPARAM context) {
  auto& count = *reinterpret_cast<VisibleCount*>(context);
  if (ShownBy(window, count.pid, count.className)) ++count.shown;
  return TRUE;
}

BOOL CALLBACK SayDialogText(HWND child, LPARAM) {
  if (ClassOf(child) == L"Static" && !TextOf(child).empty()) Say(L"dialog-text", TextOf(child));
  return TRUE;
}

// What a message box says, so that a failing case shows it.
BOOL CALLBACK SayDialog(HWND window, LPARAM context) {
  if (ShownBy(window, static_cast<DWORD>(context), kDialogClass)) {
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

int CountVisibleWindows(DWORD pid, const std::wstring& className) {
  VisibleCount count{pid, className, 0};
  EnumWindows(CountVisible, reinterpret_cast<LPARAM>(&count));
  return count.shown;
}

// Top-level windows of the driver's desktop: the main window, then every
// visible standard dialog (a message box among them) of the same process.
ProgramWindows FindProgramWindows() {
  ProgramWindows found;
  found.main = FindWindowW(kMainWindowClass, nullptr);
  if (found.main == nullptr) return found;
  GetWindowThreadProcessId(found.main, &found.pid);
  found.visibleDialogs = CountVisibleWindows(found.pid, kDialogClass);
  return found;
}

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
  SayWallpaper();
  return 0;
}

// The program's use of memory and handles, as the system reports them.
int ResourceUsage() {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, windows.pid);
  if (process == nullptr) return Fail(L"cannot open the program's process");
  DWORD handles = 0;
  Say(L"handles", GetProcessHandleCount(process, &handles) ? std::to_wstring(handles) : L"-1");
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof(memory);
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof(memory))) {
    Say(L"private-bytes", std::to_wstring(memory.PrivateUsage));
    Say(L"working-set", std::to_wstring(memory.WorkingSetSize));
  } else {
    Say(L"private-bytes", L"-1");
    Say(L"working-set", L"-1");
  }
  Say(L"gdi-objects", std::to_wstring(GetGuiResources(process, GR_GDIOBJECTS)));
  Say(L"user-objects", std::to_wstring(GetGuiResources(process, GR_USEROBJECTS)));
  CloseHandle(process);
  return 0;
}

// Waits for the program to end, having opened its process first (a process
// that is gone cannot be opened any more): after WM_CLOSE, as the close
// button sends it, when `close` is set; otherwise by itself, once the suite
// has acted ("watching" tells it when). Reports every standard dialog that
// shows meanwhile, the exit code, and whether the main window outlived it.
int AwaitEnd(DWORD timeoutMs, bool close) {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, windows.pid);
  if (process == nullptr) return Fail(L"cannot open the program's process");
  if (close) {
    PostMessageW(windows.main, WM_CLOSE, 0, 0);
  } else {
    Say(L"watching", std::to_wstring(windows.pid));
  }
  const ULONGLONG start = GetTickCount64();
  const ULONGLONG deadline = start + timeoutMs;
  ULONGLONG windowGone = 0;
  int dialogs = 0;
  DWORD waited = WAIT_TIMEOUT;
  while (waited == WAIT_TIMEOUT && GetTickCount64() < deadline) {
    if (windowGone == 0 && !IsWindow(windows.main)) windowGone = GetTickCount64();
    const int shown = CountVisibleWindows(windows.pid, kDialogClass);
    if (shown > dialogs) {
      dialogs = shown;
      EnumWindows(SayDialog, static_cast<LPARAM>(windows.pid));
    }
    waited = WaitForSingleObject(process, kPollMs);
  }
  DWORD exitCode = STILL_ACTIVE;
  GetExitCodeProcess(process, &exitCode);
  CloseHandle(process);
  Say(L"dialogs-seen", std::to_wstring(dialogs));
  if (waited != WAIT_OBJECT_0) return Fail(L"the program did not end in time");
  Say(L"exit-code", std::to_wstring(exitCode));
  Say(L"main-window-left", IsWindow(windows.main) ? L"1" : L"0");
  // Milliseconds from the start of the wait: the window gone, the process
  // ended.
  const ULONGLONG ended = GetTickCount64();
  Say(L"window-gone-ms", std::to_wstring((windowGone != 0 ? windowGone : ended) - start));
  Say(L"ended-ms", std::to_wstring(ended - start));
  return 0;
}

// The end of the session as Windows ends it at log-off: WM_QUERYENDSESSION,
// then WM_ENDSESSION saying that the session does end, and then the process
// is ended from outside, with no WM_DESTROY (unless it has ended itself).
// Reports the program's answer, whether it ended by itself, and its exit
// code.
int LogOff(DWORD timeoutMs) {
  // An exit code no program gives itself (DBG_TERMINATE_PROCESS): the
  // report shows that the end came from outside.
  constexpr UINT kEndedFromOutside = 0x40010004;
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION,
                               FALSE, windows.pid);
  if (process == nullptr) return Fail(L"cannot open the program's process");
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(windows.main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                           timeoutMs, &answer)) {
    CloseHandle(process);
    return Fail(L"no answer to WM_QUERYENDSESSION");
  }
  Say(L"query-end-session", answer != 0 ? L"1" : L"0");
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutW(windows.main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                           timeoutMs, &ignored)) {
    CloseHandle(process);
    return Fail(L"WM_ENDSESSION was not handled in time");
  }
  const bool byItself = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  Say(L"ended-by-itself", byItself ? L"1" : L"0");
  if (!byItself) TerminateProcess(process, kEndedFromOutside);
  const bool ended = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
  DWORD exitCode = STILL_ACTIVE;
  GetExitCodeProcess(process, &exitCode);
  CloseHandle(process);
  if (!ended) return Fail(L"the program did not end");
  Say(L"exit-code", std::to_wstring(exitCode));
  return 0;
}

}  // namespace driver
