// A plain top-level toolkit window for tests, created hidden.
#pragma once

#include <commctrl.h>

#include "toolkit/window.h"

namespace test {

class TestWindow : public toolkit::Window {
 public:
  TestWindow(const wchar_t* className, int clientWidth, int clientHeight) {
    toolkit::WindowDesign design;
    design.className = className;
    design.caption = className;
    design.style = WS_OVERLAPPEDWINDOW;
    design.clientWidth = clientWidth;
    design.clientHeight = clientHeight;
    CreateHandle(design);
  }
};

struct TooltipSearch {
  HWND control;
  HWND found = nullptr;
};

inline BOOL CALLBACK FindTooltip(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<TooltipSearch*>(context);
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (lstrcmpiW(className, TOOLTIPS_CLASSW) != 0) return TRUE;
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = GetParent(search.control);
  tool.uId = reinterpret_cast<UINT_PTR>(search.control);
  if (!SendMessageW(window, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool))) return TRUE;
  search.found = window;
  return FALSE;
}

// The tooltip window of this thread that shows a hint for `control`, or
// nullptr when none does.
inline HWND TooltipOf(HWND control) {
  TooltipSearch search{control};
  EnumThreadWindows(GetCurrentThreadId(), &FindTooltip, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace test
