// e2e_driver: the Windows half of the end-to-end suite. It runs in the same
// Wine prefix as huevane.exe and does what only a Windows process can do
// there: set the user's temporary folder and wallpaper setting before a run,
// find the program's windows on its virtual desktop, read back what the
// program published, end the program the way a user or a log-off does,
// hold the wallpaper file open as a scanner does, and change the size of
// the program's screen.
//
//   e2e_driver VERB [ARG ...]
//   e2e_driver --desktop NAME VERB [ARG ...]
//
// The verbs and their arguments are the rows of kVerbs, at the end of this
// file; `e2e_driver --help` prints them. MS is a timeout in milliseconds;
// BAR a scroll bar's place on the main window, counted from the left
// (0..6); KEY a virtual-key code; CLASS the window class of one of the
// program's top-level windows; FILE a Windows path.
//
// Output is one "key value" line per fact, in UTF-8, so that the suite can
// compare non-ASCII paths byte for byte. Exit status: 0 done, 1 the command
// failed (reason on the last line), 2 bad arguments.

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kMainWindowClass = L"TForm1";
constexpr const wchar_t* kDialogClass = L"#32770";
// The system's class of the window that shows an open menu.
constexpr const wchar_t* kMenuClass = L"#32768";
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

// The Windows version Wine reports to programs started afterwards, as
// winecfg sets it ("win98", "win7", "win10"); an empty one removes the
// setting, so the prefix's default holds again.
bool SetWindowsVersion(const std::wstring& version) {
  constexpr const wchar_t* kWineKey = L"Software\\Wine";
  if (!version.empty()) return SetUserString(kWineKey, L"Version", version);
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kWineKey, 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS) {
    return true;
  }
  const LONG status = RegDeleteValueW(handle, L"Version");
  RegCloseKey(handle);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

// Programs started after this read TEMP and TMP from the user's environment
// key, as on Windows; the wallpaper setting goes back to "none", so that
// whatever names a file afterwards was published by the run that follows.
int Prepare(const std::wstring& tempFolder, const std::wstring& windowsVersion) {
  if (!SetUserString(L"Environment", L"TEMP", tempFolder) ||
      !SetUserString(L"Environment", L"TMP", tempFolder) ||
      !SetUserString(kDesktopKey, L"Wallpaper", L"") || !SetWindowsVersion(windowsVersion)) {
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

// How many visible top-level windows of one class a process shows.
struct VisibleCount {
  DWORD pid = 0;
  std::wstring className;
  int shown = 0;
};

BOOL CALLBACK CountVisible(HWND window, LPARAM context) {
  auto& count = *reinterpret_cast<VisibleCount*>(context);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == count.pid && IsWindowVisible(window) && ClassOf(window) == count.className) {
    ++count.shown;
  }
  return TRUE;
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

// The wallpaper setting as any program reads it: the stored value and the
// system's answer.
void SayWallpaper() {
  Say(L"wallpaper-registry", UserString(kDesktopKey, L"Wallpaper"));
  wchar_t wallpaper[MAX_PATH + 1] = {};
  SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, wallpaper, 0);
  Say(L"wallpaper-spi", wallpaper);
}

// The same after the program has gone, when there is no window to ask.
int Wallpaper() {
  SayWallpaper();
  return 0;
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

// --- the main window's scroll bars -------------------------------------------

struct Bar {
  HWND handle = nullptr;
  RECT client{};     // in the main window's client coordinates
  int stacking = 0;  // place among the main window's children, top first
};

// The main window's scroll bars, left to right.
std::vector<Bar> BarsOf(HWND main) {
  std::vector<Bar> bars;
  int stacking = 0;
  for (HWND child = GetWindow(main, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT), ++stacking) {
    if (lstrcmpiW(ClassOf(child).c_str(), L"ScrollBar") != 0) continue;
    Bar bar;
    bar.handle = child;
    bar.stacking = stacking;
    GetWindowRect(child, &bar.client);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&bar.client), 2);
    bars.push_back(bar);
  }
  std::stable_sort(bars.begin(), bars.end(),
                   [](const Bar& a, const Bar& b) { return a.client.left < b.client.left; });
  return bars;
}

std::wstring Numbers(std::initializer_list<long> values) {
  std::wstring text;
  for (long value : values) text += (text.empty() ? L"" : L" ") + std::to_wstring(value);
  return text;
}

// What any other program sees of the main window's controls: the client
// area, and per bar its rectangle, range and position, read two ways
// (GetScrollInfo and the SBM_GETPOS message), its styles and its stacking.
int Bars() {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  RECT client{};
  GetClientRect(windows.main, &client);
  POINT origin{0, 0};
  ClientToScreen(windows.main, &origin);
  Say(L"client", Numbers({client.right, client.bottom}));
  Say(L"client-origin", Numbers({origin.x, origin.y}));
  for (const Bar& bar : BarsOf(windows.main)) {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    const BOOL got = GetScrollInfo(bar.handle, SB_CTL, &info);
    const LRESULT position = SendMessageW(bar.handle, SBM_GETPOS, 0, 0);
    const LONG style = GetWindowLongW(bar.handle, GWL_STYLE);
    // left top width height | min max page pos (GetScrollInfo) | SBM_GETPOS |
    // vertical tabstop | stacking
    Say(L"bar",
        Numbers({bar.client.left, bar.client.top, bar.client.right - bar.client.left,
                 bar.client.bottom - bar.client.top, got ? info.nMin : -1, got ? info.nMax : -1,
                 got ? static_cast<long>(info.nPage) : -1, got ? info.nPos : -1,
                 static_cast<long>(position), (style & SBS_VERT) ? 1L : 0L,
                 (style & WS_TABSTOP) ? 1L : 0L, bar.stacking}));
  }
  return 0;
}

HWND BarAt(HWND main, const std::wstring& index) {
  const std::vector<Bar> bars = BarsOf(main);
  const unsigned long at = std::wcstoul(index.c_str(), nullptr, 10);
  return at < bars.size() ? bars[at].handle : nullptr;
}

// Key presses posted to bars, as the system queues them for a focused bar.
// Returns once they are queued; the suite waits for the wallpaper file that
// the last of them leaves.
int Keys(const std::vector<std::wstring>& args) {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  for (std::size_t i = 0; i + 2 < args.size(); i += 3) {
    HWND bar = BarAt(windows.main, args[i]);
    if (bar == nullptr) return Fail(L"no bar " + args[i]);
    const WPARAM key = std::wcstoul(args[i + 1].c_str(), nullptr, 10);
    const unsigned long count = std::wcstoul(args[i + 2].c_str(), nullptr, 10);
    for (unsigned long n = 0; n < count; ++n) {
      PostMessageW(bar, WM_KEYDOWN, key, 1);
      PostMessageW(bar, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
    }
  }
  Say(L"posted", L"1");
  return 0;
}

// Whether the main window keeps answering: posts the key presses (as
// Keys), then sends it WM_NULL back to back for `forMs`, and reports how
// many answers came and the longest wait for one, in milliseconds.
int Answers(DWORD forMs, const std::vector<std::wstring>& keys) {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  if (!keys.empty() && Keys(keys) != 0) return 1;
  LARGE_INTEGER frequency, start, before, after;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  double longest = 0;
  unsigned long answers = 0;
  for (after = start; (after.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart < forMs;) {
    QueryPerformanceCounter(&before);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(windows.main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result)) {
      return Fail(L"the main window did not answer within 10 s");
    }
    QueryPerformanceCounter(&after);
    longest = std::max(longest, static_cast<double>(after.QuadPart - before.QuadPart) * 1000.0 /
                                    static_cast<double>(frequency.QuadPart));
    ++answers;
  }
  Say(L"answers", std::to_wstring(answers));
  Say(L"longest-ms", std::to_wstring(static_cast<long>(longest + 0.5)));
  return 0;
}

// A fast thumb drag, as the control reports it to its window: COUNT
// positions all over the bar's range, back to back, then the final one.
// Sent, like the control's own notifications, so each is handled before the
// next; a notification the program does not answer in time counts as lost.
int Drag(const std::wstring& index, unsigned long count, int final) {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  HWND bar = BarAt(windows.main, index);
  if (bar == nullptr) return Fail(L"no bar " + index);
  int low = 0, high = 0;
  SendMessageW(bar, SBM_GETRANGE, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
  if (high <= low) return Fail(L"the bar has no range");
  unsigned long lost = 0;
  auto send = [&](int code, int thumb) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(windows.main, WM_VSCROLL, MAKEWPARAM(code, thumb),
                             reinterpret_cast<LPARAM>(bar), SMTO_ABORTIFHUNG, 5000, &result)) {
      ++lost;
    }
  };
  const int span = high - low + 1;
  for (unsigned long n = 0; n < count; ++n) {
    // Up and down the whole range, as a restless hand does.
    const int phase = static_cast<int>(n % (2 * static_cast<unsigned long>(span)));
    send(SB_THUMBTRACK, low + (phase < span ? phase : 2 * span - 1 - phase));
  }
  send(SB_THUMBTRACK, final);
  send(SB_THUMBPOSITION, final);
  send(SB_ENDSCROLL, 0);
  Say(L"sent", std::to_wstring(count + 3));
  Say(L"lost", std::to_wstring(lost));
  return 0;
}

// Random messages at the main window: scroll codes with wild positions from
// bars, from nothing and from strangers; system commands no system menu
// has; command identifiers of every kind. None may bring up a box or end
// the program.
int Storm(std::uint32_t seed, unsigned long count) {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  const std::vector<Bar> bars = BarsOf(windows.main);
  auto next = [&seed] {  // xorshift32: the same storm for the same seed
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    return seed;
  };
  unsigned long lost = 0;
  unsigned long kinds[4] = {};
  for (unsigned long n = 0; n < count; ++n) {
    const std::uint32_t kind = next() % 4;
    ++kinds[kind];
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    if (kind <= 1) {
      message = kind == 0 ? WM_VSCROLL : WM_HSCROLL;
      wParam = MAKEWPARAM(next() % 12, next() & 0xFFFF);  // SB_ENDSCROLL is 8
      const std::uint32_t from = next() % 10;
      if (from < 7 && from < bars.size()) {
        lParam = reinterpret_cast<LPARAM>(bars[from].handle);
      } else if (from == 7) {
        lParam = 0;  // a window scroll bar
      } else if (from == 8) {
        lParam = reinterpret_cast<LPARAM>(windows.main);
      } else {
        lParam = static_cast<LPARAM>(next());  // no window at all
      }
    } else if (kind == 2) {
      message = WM_SYSCOMMAND;
      // Below the system's own commands (SC_SIZE is 0xF000 and up).
      wParam = next() % 0xF000;
      lParam = static_cast<LPARAM>(next());
    } else {
      message = WM_COMMAND;
      wParam = MAKEWPARAM(next() & 0xFFFF, next() % 2);  // from a menu or an accelerator
      lParam = 0;
    }
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(windows.main, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000,
                             &result)) {
      ++lost;
    }
  }
  Say(L"sent", Numbers({static_cast<long>(kinds[0]), static_cast<long>(kinds[1]),
                        static_cast<long>(kinds[2]), static_cast<long>(kinds[3])}));
  Say(L"lost", std::to_wstring(lost));
  return 0;
}

BOOL CALLBACK SayTooltip(HWND window, LPARAM context) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != static_cast<DWORD>(context) || !IsWindowVisible(window) ||
      lstrcmpiW(ClassOf(window).c_str(), L"tooltips_class32") != 0) {
    return TRUE;
  }
  // A tooltip answers WM_GETTEXT with the tip it shows.
  wchar_t text[256] = {};
  DWORD_PTR length = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, &length);
  RECT rect{};
  GetWindowRect(window, &rect);
  Say(L"tooltip", Numbers({rect.left, rect.top, rect.right, rect.bottom}) + L" " + text);
  return TRUE;
}

// The program's visible tooltips: where they are and what they say.
int Tooltips() {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  EnumWindows(SayTooltip, static_cast<LPARAM>(windows.pid));
  Say(L"done", L"1");
  return 0;
}

int StackingOf(HWND window);

BOOL CALLBACK SayMenuWindow(HWND window, LPARAM context) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == static_cast<DWORD>(context) && IsWindowVisible(window) &&
      ClassOf(window) == kMenuClass) {
    RECT rect{};
    GetWindowRect(window, &rect);
    // left top right bottom (screen) stacking-place
    Say(L"menu", Numbers({rect.left, rect.top, rect.right, rect.bottom, StackingOf(window)}));
  }
  return TRUE;
}

// How many menus the program shows, and where each stands on the screen and
// in the stacking order. Their contents cannot be read from here, but
// whether one is open can: a choice made with keys has been posted to the
// program by the time its menu window is gone.
int Menus() {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  Say(L"menus", std::to_wstring(CountVisibleWindows(windows.pid, kMenuClass)));
  EnumWindows(SayMenuWindow, static_cast<LPARAM>(windows.pid));
  return 0;
}

// --- the About dialog, the help window, and the end ------------------------

struct FormSearch {
  DWORD pid = 0;
  std::wstring className;
  std::vector<HWND> found;  // in stacking order, top first
};

BOOL CALLBACK CollectForms(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<FormSearch*>(context);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == search.pid && ClassOf(window) == search.className) search.found.push_back(window);
  return TRUE;
}

// A window's place among the top-level windows, top first; -1 if it is none.
int StackingOf(HWND window) {
  int place = 0;
  for (HWND at = GetTopWindow(nullptr); at != nullptr; at = GetWindow(at, GW_HWNDNEXT), ++place) {
    if (at == window) return place;
  }
  return -1;
}

// A point of the window's title bar where a click grips the window itself:
// the middle of the longest stretch, on the title bar's middle row, that
// the window reports as its caption and that no other window covers. The
// buttons and the icon at the ends answer otherwise, and differ in size
// between the kinds of window, so they are asked for, not assumed.
bool FindGrip(HWND window, POINT& grip) {
  RECT rect{};
  GetWindowRect(window, &rect);
  POINT client{0, 0};
  ClientToScreen(window, &client);
  const int y = (rect.top + client.y) / 2;
  int bestStart = 0, bestLength = 0, start = 0, length = 0;
  for (int x = rect.left; x < rect.right; ++x) {
    DWORD_PTR hit = HTNOWHERE;
    const POINT point{x, y};
    const bool caption = WindowFromPoint(point) == window &&
                         SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y),
                                             SMTO_ABORTIFHUNG, 5000, &hit) != 0 &&
                         hit == HTCAPTION;
    if (caption) {
      if (length == 0) start = x;
      if (++length > bestLength) {
        bestStart = start;
        bestLength = length;
      }
    } else {
      length = 0;
    }
  }
  grip = {bestStart + bestLength / 2, y};
  return bestLength > 0;
}

BOOL CALLBACK SayControl(HWND child, LPARAM) {
  RECT rect{};
  GetWindowRect(child, &rect);
  // left top right bottom (screen) visible class | caption
  Say(L"control",
      Numbers({rect.left, rect.top, rect.right, rect.bottom, IsWindowVisible(child) ? 1L : 0L}) +
          L" " + ClassOf(child) + L" " + TextOf(child));
  return TRUE;
}

// The program's top-level windows of one class, as a user finds them: how
// many there are and how many show; for the first, where it stands on the
// screen and in the stacking order relative to the main window, whether it
// is the active window, where its title bar can be gripped, and its
// controls with their screen rectangles.
// Whether a paint of the window is still due once the paints the system
// already owes it (its frame, its client area, its controls, the desktop
// behind it) have been carried out: an update region left, or a thread that
// does not come back to its message loop. Nothing new is invalidated.
BOOL CALLBACK FindPendingPaint(HWND child, LPARAM context) {
  if (!GetUpdateRect(child, nullptr, FALSE)) return TRUE;
  *reinterpret_cast<bool*>(context) = true;
  return FALSE;
}

bool PaintPending(HWND window) {
  RedrawWindow(GetDesktopWindow(), nullptr, nullptr, RDW_UPDATENOW);
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  bool pending =
      GetUpdateRect(window, nullptr, FALSE) || GetUpdateRect(GetDesktopWindow(), nullptr, FALSE);
  if (!pending) EnumChildWindows(window, FindPendingPaint, reinterpret_cast<LPARAM>(&pending));
  DWORD_PTR result = 0;
  return pending || !SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
}

// Has the desktop paint itself all over again (never the program's windows)
// and says whether the window of that class still has a paint due.
int Repaint(const std::wstring& className) {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  FormSearch search{windows.pid, className, {}};
  EnumWindows(CollectForms, reinterpret_cast<LPARAM>(&search));
  if (search.found.empty()) return Fail(L"no window of class " + className);
  // The desktop alone: our windows are not asked to paint, so no fault of
  // theirs can be mended here.
  RedrawWindow(GetDesktopWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  Say(L"pending", PaintPending(search.found.front()) ? L"1" : L"0");
  return 0;
}

// Has the window of that class paint itself all over again, frame and
// controls, and says whether a paint of it is still due.
int Redraw(const std::wstring& className) {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  FormSearch search{windows.pid, className, {}};
  EnumWindows(CollectForms, reinterpret_cast<LPARAM>(&search));
  if (search.found.empty()) return Fail(L"no window of class " + className);
  RedrawWindow(search.found.front(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Say(L"pending", PaintPending(search.found.front()) ? L"1" : L"0");
  return 0;
}

// Marks a part of the client area of the program's window of that class as
// uncovered, as a window or menu moved off it would, and returns once the
// window has painted it.
int Invalidate(const std::wstring& className, const RECT& part) {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  FormSearch search{windows.pid, className, {}};
  EnumWindows(CollectForms, reinterpret_cast<LPARAM>(&search));
  if (search.found.empty()) return Fail(L"no window of class " + className);
  InvalidateRect(search.found.front(), &part, FALSE);
  Say(L"pending", PaintPending(search.found.front()) ? L"1" : L"0");
  return 0;
}

int Form(const std::wstring& className) {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  FormSearch search{windows.pid, className, {}};
  EnumWindows(CollectForms, reinterpret_cast<LPARAM>(&search));
  Say(L"count", std::to_wstring(search.found.size()));
  Say(L"visible", std::to_wstring(CountVisibleWindows(windows.pid, className)));
  if (search.found.empty()) return 0;
  HWND form = search.found.front();
  Say(L"window", Hex(form));
  Say(L"class", className);
  Say(L"caption", TextOf(form));
  RECT rect{};
  GetWindowRect(form, &rect);
  Say(L"rect", Numbers({rect.left, rect.top, rect.right, rect.bottom}));
  RECT client{};
  GetClientRect(form, &client);
  POINT origin{0, 0};
  ClientToScreen(form, &origin);
  Say(L"client", Numbers({client.right, client.bottom}));
  Say(L"client-origin", Numbers({origin.x, origin.y}));
  Say(L"exstyle", std::to_wstring(static_cast<DWORD>(GetWindowLongW(form, GWL_EXSTYLE))));
  // Stacking places, top first: this window's and the main window's.
  Say(L"stacking", Numbers({StackingOf(form), StackingOf(windows.main)}));
  Say(L"active", GetForegroundWindow() == form ? L"1" : L"0");
  Say(L"paint-pending", PaintPending(form) ? L"1" : L"0");
  POINT grip{};
  if (IsWindowVisible(form) && FindGrip(form, grip)) Say(L"grip", Numbers({grip.x, grip.y}));
  EnumChildWindows(form, SayControl, 0);
  return 0;
}

// The program's use of memory and handles, as the system reports them.
int Usage() {
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

// --- a reader, the end of the session, the screen's size ---------------------

// Tells a running holder, or another program's window, to let go and stop:
// a name both driver processes of the prefix find.
constexpr const wchar_t* kHolderStopEvent = L"HuevaneE2EHolderStop";

// When a file was last written, and its size: new bytes, or another file,
// change it. Not its creation time: Wine may take that from the inode's
// change time, which a second name made for the same file changes too.
struct FileStamp {
  FILETIME written{};
  DWORD sizeLow = 0;

  bool operator==(const FileStamp& other) const {
    return CompareFileTime(&written, &other.written) == 0 && sizeLow == other.sizeLow;
  }
};

// Read by the file's name: no handle is opened, so a look that finds
// nothing new never stands in the writer's way.
bool StampOf(const std::wstring& file, FileStamp& stamp) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) return false;
  stamp = {data.ftLastWriteTime, data.nFileSizeLow};
  return true;
}

using FileIdentity = std::uint64_t;

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& facts) {
  return (static_cast<std::uint64_t>(facts.nFileIndexHigh) << 32) | facts.nFileIndexLow;
}

// A reader that looks at every new file, as a virus scanner or an indexer
// does: each time another file comes to stand under the name (another file
// index, not new bytes in the same file), it opens it, sharing reading
// only, and keeps it open for `holdMs`. Meanwhile the file cannot be
// replaced or removed. It runs until `release` tells it to stop, or until
// `boundMs` have passed, and reports how many files it held, and how often
// it found the same file with new bytes (rewritten in place).
int Hold(const std::wstring& file, DWORD holdMs, DWORD boundMs) {
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, kHolderStopEvent);
  if (stop == nullptr) return Fail(L"cannot make the holder's event");
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(stop);
    return Fail(L"another holder runs");
  }
  auto open = [&file] {
    return CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  // The file that stands there now is not new: it is the one to watch.
  FileStamp seen{};
  FileIdentity identity = 0;
  {
    HANDLE first = open();
    BY_HANDLE_FILE_INFORMATION facts{};
    const bool known = first != INVALID_HANDLE_VALUE && GetFileInformationByHandle(first, &facts);
    if (first != INVALID_HANDLE_VALUE) CloseHandle(first);
    if (!known || !StampOf(file, seen)) {
      CloseHandle(stop);
      return Fail(L"cannot open " + file);
    }
    identity = IdentityOf(facts);
  }
  Say(L"holding", file);
  const ULONGLONG deadline = GetTickCount64() + boundMs;
  unsigned long held = 0;
  unsigned long rewritten = 0;
  bool stopped = false;
  // Looks often: a reader that comes late lets the writer through first.
  constexpr DWORD kLookMs = 2;
  while (!stopped && GetTickCount64() < deadline) {
    stopped = WaitForSingleObject(stop, kLookMs) == WAIT_OBJECT_0;
    FileStamp now{};
    if (stopped || !StampOf(file, now) || now == seen) continue;
    HANDLE handle = open();
    // Being written, or gone for a moment: looked at again next time.
    if (handle == INVALID_HANDLE_VALUE) continue;
    BY_HANDLE_FILE_INFORMATION facts{};
    if (GetFileInformationByHandle(handle, &facts)) {
      seen = {facts.ftLastWriteTime, facts.nFileSizeLow};
      if (IdentityOf(facts) != identity) {
        identity = IdentityOf(facts);
        ++held;
        Say(L"held", std::to_wstring(held));
        stopped = WaitForSingleObject(stop, holdMs) == WAIT_OBJECT_0;
      } else {
        ++rewritten;
      }
    }
    CloseHandle(handle);
  }
  CloseHandle(stop);
  Say(L"held-files", std::to_wstring(held));
  Say(L"rewritten-in-place", std::to_wstring(rewritten));
  Say(L"stopped-by", stopped ? L"release" : L"bound");
  return 0;
}

// Lets a holder go: it closes the file it holds and reports.
int Release() {
  HANDLE stop = OpenEventW(EVENT_MODIFY_STATE, FALSE, kHolderStopEvent);
  if (stop == nullptr) return Fail(L"no holder runs");
  SetEvent(stop);
  CloseHandle(stop);
  Say(L"released", L"1");
  return 0;
}

// Another program's window, made the active one on the program's desktop as
// a click into another program makes it, until `release` lets it go or
// `boundMs` have passed. Says whether it became the active one.
int Front(DWORD boundMs) {
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, kHolderStopEvent);
  if (stop == nullptr) return Fail(L"cannot make the stop event");
  HWND window = CreateWindowExW(0, L"STATIC", L"another program", WS_CAPTION | WS_VISIBLE, 0, 0,
                                160, 60, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) {
    CloseHandle(stop);
    return Fail(L"cannot make a window");
  }
  SetForegroundWindow(window);
  Say(L"front", GetForegroundWindow() == window ? L"1" : L"0");
  const ULONGLONG deadline = GetTickCount64() + boundMs;
  while (GetTickCount64() < deadline &&
         MsgWaitForMultipleObjects(1, &stop, FALSE, kPollMs, QS_ALLINPUT) != WAIT_OBJECT_0) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  DestroyWindow(window);
  CloseHandle(stop);
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

// The size the last WM_DISPLAYCHANGE gave the driver's own window.
LPARAM displayChange = -1;

LRESULT CALLBACK DisplayWatcher(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DISPLAYCHANGE) displayChange = lParam;
  return DefWindowProcW(window, message, wParam, lParam);
}

// The screen of the driver's desktop set to a new size, as a game or the
// display settings do it. The system tells every top-level window of the
// desktop with WM_DISPLAYCHANGE; a hidden window of the driver's own, on
// the same desktop, shows that the message went out and with which size.
// Reports the call's result, that size, and the screen's size afterwards.
int Display(long width, long height, DWORD timeoutMs) {
  WNDCLASSW kind{};
  kind.lpfnWndProc = DisplayWatcher;
  kind.hInstance = GetModuleHandleW(nullptr);
  kind.lpszClassName = L"HuevaneE2EDisplayWatcher";
  if (!RegisterClassW(&kind)) return Fail(L"cannot register the watcher's class");
  HWND watcher = CreateWindowExW(0, kind.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 kind.hInstance, nullptr);
  if (watcher == nullptr) return Fail(L"cannot make the watcher's window");
  DEVMODEW mode{};
  mode.dmSize = sizeof(mode);
  mode.dmPelsWidth = static_cast<DWORD>(width);
  mode.dmPelsHeight = static_cast<DWORD>(height);
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  const LONG result = ChangeDisplaySettingsExW(nullptr, &mode, nullptr, 0, nullptr);
  Say(L"change-result", std::to_wstring(result));
  // Sent from this thread it has come already; posted, it comes soon.
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (result == DISP_CHANGE_SUCCESSFUL && displayChange == -1 && GetTickCount64() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  DestroyWindow(watcher);
  if (result != DISP_CHANGE_SUCCESSFUL) return Fail(L"ChangeDisplaySettingsExW refused the size");
  if (displayChange == -1) return Fail(L"no WM_DISPLAYCHANGE came");
  Say(L"display-change", Numbers({LOWORD(displayChange), HIWORD(displayChange)}));
  Say(L"screen", Numbers({GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}));
  return 0;
}

// --- the verbs -----------------------------------------------------------------

using Args = std::vector<std::wstring>;

// How many arguments a verb takes after its name.
struct Arity {
  std::size_t min;
  std::size_t max;
  std::size_t group;  // they come in groups of this many

  bool Fits(std::size_t count) const { return min <= count && count <= max && count % group == 0; }
};

constexpr Arity Exactly(std::size_t count) { return {count, count, 1}; }
constexpr Arity Between(std::size_t min, std::size_t max) { return {min, max, 1}; }
constexpr Arity Groups(std::size_t size) { return {size, SIZE_MAX, size}; }

// A verb works on the prefix alone, or on the program's virtual desktop,
// named by --desktop NAME before the verb. The driver joins that desktop
// before the verb runs, except where the program's start may not have
// created it yet: such a verb joins it itself, when it appears.
enum class Place { kPrefix, kDesktop, kDesktopToCome };

// A verb's call: the desktop named by --desktop, and the arguments after
// the verb's name.
struct Call {
  const std::wstring& desktop;
  const Args& args;

  unsigned long Number(std::size_t at) const { return std::wcstoul(args[at].c_str(), nullptr, 10); }
};

struct Verb {
  const wchar_t* name;
  Place place;
  Arity arity;
  const wchar_t* usage;  // its arguments, as the usage line shows them
  int (*run)(const Call& call);
};

// Every verb. The usage line (in this order), the check of the arguments
// and the dispatch are all made from this table.
constexpr Verb kVerbs[] = {
    {L"profile", Place::kPrefix, Exactly(0), L"", [](const Call&) { return Profile(); }},
    {L"prepare", Place::kPrefix, Between(1, 2), L"TEMP_FOLDER [WINDOWS_VERSION]",
     [](const Call& call) {
       return Prepare(call.args[0], call.args.size() == 2 ? call.args[1] : L"");
     }},
    {L"wallpaper", Place::kPrefix, Exactly(0), L"", [](const Call&) { return Wallpaper(); }},
    {L"hold", Place::kPrefix, Exactly(3), L"FILE HOLD_MS BOUND_MS",
     [](const Call& call) {
       return Hold(call.args[0], static_cast<DWORD>(call.Number(1)),
                   static_cast<DWORD>(call.Number(2)));
     }},
    {L"release", Place::kPrefix, Exactly(0), L"", [](const Call&) { return Release(); }},
    {L"wait", Place::kDesktopToCome, Exactly(1), L"MS",
     [](const Call& call) { return Wait(call.desktop, static_cast<DWORD>(call.Number(0))); }},
    {L"state", Place::kDesktop, Exactly(0), L"", [](const Call&) { return State(); }},
    {L"close", Place::kDesktop, Exactly(1), L"MS",
     [](const Call& call) { return AwaitEnd(static_cast<DWORD>(call.Number(0)), /*close=*/true); }},
    {L"exit", Place::kDesktop, Exactly(1), L"MS",
     [](const Call& call) {
       return AwaitEnd(static_cast<DWORD>(call.Number(0)), /*close=*/false);
     }},
    {L"logoff", Place::kDesktop, Exactly(1), L"MS",
     [](const Call& call) { return LogOff(static_cast<DWORD>(call.Number(0))); }},
    {L"bars", Place::kDesktop, Exactly(0), L"", [](const Call&) { return Bars(); }},
    {L"keys", Place::kDesktop, Groups(3), L"BAR KEY COUNT...",
     [](const Call& call) { return Keys(call.args); }},
    {L"answers", Place::kDesktop, Between(1, SIZE_MAX), L"MS [BAR KEY COUNT]...",
     [](const Call& call) {
       return Answers(static_cast<DWORD>(call.Number(0)),
                      std::vector<std::wstring>(call.args.begin() + 1, call.args.end()));
     }},
    {L"drag", Place::kDesktop, Exactly(3), L"BAR COUNT FINAL",
     [](const Call& call) {
       return Drag(call.args[0], call.Number(1),
                   static_cast<int>(std::wcstol(call.args[2].c_str(), nullptr, 10)));
     }},
    {L"storm", Place::kDesktop, Exactly(2), L"SEED COUNT",
     [](const Call& call) {
       return Storm(static_cast<std::uint32_t>(call.Number(0)) | 1u, call.Number(1));
     }},
    {L"usage", Place::kDesktop, Exactly(0), L"", [](const Call&) { return Usage(); }},
    {L"tooltips", Place::kDesktop, Exactly(0), L"", [](const Call&) { return Tooltips(); }},
    {L"menus", Place::kDesktop, Exactly(0), L"", [](const Call&) { return Menus(); }},
    {L"form", Place::kDesktop, Exactly(1), L"CLASS",
     [](const Call& call) { return Form(call.args[0]); }},
    {L"repaint", Place::kDesktop, Exactly(1), L"CLASS",
     [](const Call& call) { return Repaint(call.args[0]); }},
    {L"redraw", Place::kDesktop, Exactly(1), L"CLASS",
     [](const Call& call) { return Redraw(call.args[0]); }},
    {L"invalidate", Place::kDesktop, Exactly(5), L"CLASS LEFT TOP RIGHT BOTTOM",
     [](const Call& call) {
       const RECT part{static_cast<LONG>(call.Number(1)), static_cast<LONG>(call.Number(2)),
                       static_cast<LONG>(call.Number(3)), static_cast<LONG>(call.Number(4))};
       return Invalidate(call.args[0], part);
     }},
    {L"front", Place::kDesktop, Exactly(1), L"BOUND_MS",
     [](const Call& call) { return Front(static_cast<DWORD>(call.Number(0))); }},
    {L"display", Place::kDesktop, Exactly(3), L"WIDTH HEIGHT MS",
     [](const Call& call) {
       return Display(static_cast<long>(call.Number(0)), static_cast<long>(call.Number(1)),
                      static_cast<DWORD>(call.Number(2)));
     }},
};

// The usage line: the verbs of the prefix, then those of a desktop.
int Help() {
  std::wstring prefix, desktop;
  for (const Verb& verb : kVerbs) {
    std::wstring& line = verb.place == Place::kPrefix ? prefix : desktop;
    if (!line.empty()) line += L" | ";
    line += verb.name;
    if (*verb.usage != L'\0') line += std::wstring(L" ") + verb.usage;
  }
  Say(L"error", L"usage: e2e_driver " + prefix + L" | --desktop NAME (" + desktop + L")");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Args args(argv + 1, argv + argc);
  const bool onDesktop = !args.empty() && args[0] == L"--desktop";
  std::wstring desktop;
  if (onDesktop) {
    if (args.size() < 3) return Help();
    desktop = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) return Help();
  const Verb* verb = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                  [&](const Verb& known) { return args[0] == known.name; });
  const Args rest(args.begin() + 1, args.end());
  if (verb == std::end(kVerbs) || (verb->place != Place::kPrefix) != onDesktop ||
      !verb->arity.Fits(rest.size())) {
    return Help();
  }
  if (verb->place == Place::kDesktop && !JoinDesktop(desktop)) {
    return Fail(L"cannot join the desktop " + desktop);
  }
  return verb->run({desktop, rest});
}
