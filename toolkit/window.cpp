#include "toolkit/window.h"

#include <windowsx.h>

#include <algorithm>
#include <stdexcept>

#include "toolkit/application.h"
#include "toolkit/menu.h"
#include "toolkit/win_control.h"

namespace toolkit {

namespace {

void RegisterClassOnce(const WindowDesign& design, WNDPROC procedure) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.hIcon = design.icon;
  wc.hIconSm = design.smallIcon;
  wc.lpszClassName = design.className;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw std::runtime_error("Cannot register a window class.");
  }
}

// The top left corner of a window of that size centred on the primary
// screen: the whole screen, taskbar included, not the work area, which a
// taskbar at one edge would move off centre.
POINT CentredOnScreen(int width, int height) {
  return {(GetSystemMetrics(SM_CXSCREEN) - width) / 2,
          (GetSystemMetrics(SM_CYSCREEN) - height) / 2};
}

}  // namespace

Window::~Window() { DestroyHandle(); }

void Window::CreateHandle(const WindowDesign& design, LayoutScale scale) {
  RegisterClassOnce(design, &Window::StaticWndProc);
  scale_ = scale;
  RECT frame{0, 0, scale(design.clientWidth), scale(design.clientHeight)};
  AdjustWindowRectEx(&frame, design.style, FALSE, design.exStyle);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  // A top-level window is made where its first showing centres it, so that
  // it need not move then.
  const POINT at = (design.style & WS_CHILD) != 0 ? POINT{0, 0} : CentredOnScreen(width, height);
  frame_ = {width, height};
  CreateWindowExW(design.exStyle, design.className, design.caption.c_str(), design.style, at.x,
                  at.y, width, height, design.owner, nullptr, GetModuleHandleW(nullptr), this);
  if (handle_ == nullptr) throw std::runtime_error("Cannot create a window.");
  // The system makes a window with a title bar at least as wide as the
  // bar's buttons ask, which on a dense display can be wider than a narrow
  // layout, before the window can say otherwise (WM_GETMINMAXINFO comes
  // before `this` does): its client area is the layout's all the same.
  RECT made;
  GetWindowRect(handle_, &made);
  if (made.right - made.left != width || made.bottom - made.top != height) {
    SetWindowPos(handle_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Window::AttachHints() {
  if (!hintsWaiting_) return;
  hintsWaiting_ = false;
  for (const auto& component : Components()) {
    if (auto* control = dynamic_cast<TWinControl*>(component.get())) control->AttachHint();
  }
}

void Window::DestroyHandle() {
  if (handle_ != nullptr) DestroyWindow(handle_);
}

void Window::CenterOnScreen() {
  RECT frame{};
  GetWindowRect(handle_, &frame);
  const POINT at = CentredOnScreen(frame.right - frame.left, frame.bottom - frame.top);
  // There already (made there, and the screen the same size): no move.
  if (frame.left == at.x && frame.top == at.y) return;
  SetWindowPos(handle_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT Window::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_VSCROLL:
    case WM_HSCROLL:
      // A control's scroll code carries the control.
      if (TWinControl* control = TWinControl::FromHandle(reinterpret_cast<HWND>(lParam))) {
        control->Scroll(LOWORD(wParam), HIWORD(wParam));
        return 0;
      }
      break;
    case WM_COMMAND:
      if (Command(wParam, lParam)) return 0;
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      if (TWinControl* control = TWinControl::FromHandle(reinterpret_cast<HWND>(lParam))) {
        if (HBRUSH brush = control->ControlColor(reinterpret_cast<HDC>(wParam))) {
          return reinterpret_cast<LRESULT>(brush);
        }
      }
      break;
    case WM_CONTEXTMENU:
      if (popupMenu_ != nullptr) {
        OpenPopupMenu(lParam);
        return 0;
      }
      break;
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMinTrackSize.x = std::min(limits->ptMinTrackSize.x, frame_.cx);
      limits->ptMinTrackSize.y = std::min(limits->ptMinTrackSize.y, frame_.cy);
      return 0;
    }
    case WM_ERASEBKGND:
      // Painted together with the graphic controls, off-screen.
      if (!graphics_.Empty()) return 1;
      break;
    case WM_PRINTCLIENT:
      if (!graphics_.Empty()) {
        RECT area;
        GetClientRect(handle_, &area);
        graphics_.PaintInto(reinterpret_cast<HDC>(wParam), area);
        return 0;
      }
      break;
    case WM_PAINT:
      if (!graphics_.Empty()) {
        graphics_.Paint();
      } else {
        DefWindowProcW(handle_, message, wParam, lParam);
      }
      Painted();
      return 0;
    default:
      // The window itself still sees the mouse: a right button released
      // over a graphic control still opens the context menu.
      if (message >= WM_MOUSEFIRST && message <= WM_MBUTTONDBLCLK && !graphics_.Empty()) {
        graphics_.Mouse(message, lParam);
      }
      break;
  }
  return DefWindowProcW(handle_, message, wParam, lParam);
}

bool Window::Command(WPARAM wParam, LPARAM lParam) {
  // A control's notification carries the control.
  if (TWinControl* control = TWinControl::FromHandle(reinterpret_cast<HWND>(lParam))) {
    control->Notify(HIWORD(wParam));
    return true;
  }
  // A menu's command carries notification code 0 and no control.
  return popupMenu_ != nullptr && HIWORD(wParam) == 0 && lParam == 0 &&
         popupMenu_->DispatchCommand(LOWORD(wParam));
}

void Window::OpenPopupMenu(LPARAM lParam) {
  int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  if (x == -1 && y == -1) {
    // From the keyboard: open at the client area's top left corner.
    POINT corner{0, 0};
    ClientToScreen(handle_, &corner);
    x = corner.x;
    y = corner.y;
  }
  popupMenu_->Popup(handle_, x, y);
}

LRESULT CALLBACK Window::StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* self;
  if (message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->handle_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  // Nothing may unwind through the system's code that called us.
  LRESULT result = 0;
  try {
    result = self->WndProc(message, wParam, lParam);
  } catch (const std::exception& error) {
    if (Application* application = Application::Current()) application->HandleException(error);
  } catch (...) {
    if (Application* application = Application::Current()) {
      application->HandleException(std::runtime_error("Unexpected error."));
    }
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->handle_ = nullptr;
  }
  return result;
}

}  // namespace toolkit
