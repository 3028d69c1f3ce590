// e2e_driver's verbs on the main window's scroll bars: what another program
// sees of them, and key presses, drags and stray messages sent at them.

#include "driver.h"

namespace driver {

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

HWND BarAt(HWND main, const std::wstring& index) {
  const std::vector<Bar> bars = BarsOf(main);
  const unsigned long at = std::wcstoul(index.c_str(), nullptr, 10);
  return at < bars.size() ? bars[at].handle : nullptr;
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
// many answers came and the two longest waits for one, in milliseconds.
int Answers(DWORD forMs, const std::vector<std::wstring>& keys) {
  const ProgramWindows windows = FindProgramWindows();
  if (windows.main == nullptr) return Fail(L"no main window");
  if (!keys.empty() && Keys(keys) != 0) return 1;
  LARGE_INTEGER frequency, start, before, after;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  double longest = 0, next = 0;
  unsigned long answers = 0;
  for (after = start; (after.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart < forMs;) {
    QueryPerformanceCounter(&before);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(windows.main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result)) {
      return Fail(L"the main window did not answer within 10 s");
    }
    QueryPerformanceCounter(&after);
    const double took = static_cast<double>(after.QuadPart - before.QuadPart) * 1000.0 /
                        static_cast<double>(frequency.QuadPart);
    next = std::max(next, std::min(took, longest));
    longest = std::max(longest, took);
    ++answers;
  }
  Say(L"answers", std::to_wstring(answers));
  Say(L"longest-ms", std::to_wstring(static_cast<long>(longest + 0.5)));
  Say(L"next-longest-ms", std::to_wstring(static_cast<long>(next + 0.5)));
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

}  // namespace driver
