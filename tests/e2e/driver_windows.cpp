// e2e_driver's verbs on the program's other windows and on what goes on
// around them: tooltips, menus, the About dialog and the help window, their
// paint, another program in front, and the screen's size.

#include "driver.h"

namespace driver {

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

BOOL CALLBACK SayMenuWindow(HWND window, LPARAM context) {
  if (ShownBy(window, static_cast<DWORD>(context), kMenuClass)) {
    RECT rect{};
    GetWindowRect(window, &rect);
    // left top right bottom (screen) stacking-place
    Say(L"menu", Numbers({rect.left, rect.top, rect.right, rect.bottom, StackingOf(window)}));
  }
  return TRUE;
}

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

// The size the last WM_DISPLAYCHANGE gave the driver's own window.
LPARAM displayChange = -1;

LRESULT CALLBACK DisplayWatcher(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DISPLAYCHANGE) displayChange = lParam;
  return DefWindowProcW(window, message, wParam, lParam);
}

// The program's visible tooltips: where they are and what they say.
int Tooltips() {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  EnumWindows(SayTooltip, static_cast<LPARAM>(windows.pid));
  Say(L"done", L"1");
  return 0;
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

// Has the desktop (verb "repaint": never the program's windows, so no fault
// of theirs can be mended) or the program's window of that class ("redraw":
// frame and controls too) paint itself all over again, and says whether
// that window still has a paint due.
int Repaint(const std::wstring& className, Painter painter) {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  FormSearch search{windows.pid, className, {}};
  EnumWindows(CollectForms, reinterpret_cast<LPARAM>(&search));
  if (search.found.empty()) return Fail(L"no window of class " + className);
  if (painter == Painter::kDesktop) {
    RedrawWindow(GetDesktopWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  } else {
    RedrawWindow(search.found.front(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
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

// The program's top-level windows of one class, as a user finds them: how
// many there are and how many show; for the first, where it stands on the
// screen and in the stacking order relative to the main window, whether it
// is the active window, where its title bar can be gripped, and its
// controls with their screen rectangles.
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

}  // namespace driver
