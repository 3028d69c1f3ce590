#include "toolkit/window.h"

#include <windowsx.h>

#include <algorithm>
#include <stdexcept>

#include "render/scoped_win32.h"
#include "toolkit/application.h"
#include "toolkit/gdi_canvas.h"
#include "toolkit/menu.h"
#include "toolkit/win_control.h"

namespace toolkit {

namespace {

void RegisterClassOnce(const CreateArgs& args, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (GetClassInfoExW(instance, args.className, &existing)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = args.background;
  wc.hIcon = args.icon;
  wc.lpszClassName = args.className;
  if (!RegisterClassExW(&wc)) throw std::runtime_error("Cannot register a window class.");
}

}  // namespace

Window::~Window() {
  DestroyHandle();
  // The controls go after this window: they must not call back into it.
  for (TGraphicControl* control : graphics_) control->ForgetHost();
}

void Window::AddGraphic(TGraphicControl& control) { graphics_.push_back(&control); }

void Window::RemoveGraphic(TGraphicControl& control) {
  graphics_.erase(std::remove(graphics_.begin(), graphics_.end(), &control), graphics_.end());
  if (pressed_ == &control) pressed_ = nullptr;
}

void Window::InvalidateArea(const Rect& area) {
  if (handle_ == nullptr) return;
  const RECT native{area.left, area.top, area.right, area.bottom};
  InvalidateRect(handle_, &native, FALSE);
}

TGraphicControl* Window::GraphicAt(POINT point) const {
  for (auto it = graphics_.rbegin(); it != graphics_.rend(); ++it) {
    if ((*it)->Visible() && (*it)->BoundsRect().Contains({point.x, point.y})) return *it;
  }
  return nullptr;
}

void Window::PaintBackgroundAndGraphics(HDC dc, const RECT& area) {
  auto background = reinterpret_cast<HBRUSH>(GetClassLongPtrW(handle_, GCLP_HBRBACKGROUND));
  FillRect(dc, &area, background != nullptr ? background : GetSysColorBrush(COLOR_BTNFACE));
  for (TGraphicControl* control : graphics_) {
    const Rect bounds = control->BoundsRect();
    const RECT native{bounds.left, bounds.top, bounds.right, bounds.bottom};
    RECT overlap;
    if (IntersectRect(&overlap, &native, &area)) PaintGraphicControl(dc, *control);
  }
}

void Window::PaintClient() {
  const win32::ScopedPaint paint(handle_);
  if (!paint) return;
  const HDC dc = paint.get();
  const RECT& area = paint.area();
  const int width = area.right - area.left, height = area.bottom - area.top;
  const win32::ScopedCreatedDC buffer(width > 0 && height > 0 ? CreateCompatibleDC(dc) : nullptr);
  const win32::ScopedBitmap picture(buffer ? CreateCompatibleBitmap(dc, width, height) : nullptr);
  if (picture) {
    const win32::ScopedSelect drawing(buffer.get(), picture.get());
    SetViewportOrgEx(buffer.get(), -area.left, -area.top, nullptr);
    PaintBackgroundAndGraphics(buffer.get(), area);
    SetViewportOrgEx(buffer.get(), 0, 0, nullptr);
    BitBlt(dc, area.left, area.top, width, height, buffer.get(), 0, 0, SRCCOPY);
  } else {
    // Without memory for the picture, straight onto the screen.
    PaintBackgroundAndGraphics(dc, area);
  }
}

void Window::MouseOnGraphic(UINT message, LPARAM lParam) {
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  TGraphicControl* control = GraphicAt(point);
  auto local = [&](const TGraphicControl& c, auto&& event, TMouseButton button) {
    if (event) event(button, point.x - c.Left(), point.y - c.Top());
  };
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      if (control == nullptr) return;
      const TMouseButton button = message == WM_LBUTTONDOWN   ? TMouseButton::mbLeft
                                  : message == WM_RBUTTONDOWN ? TMouseButton::mbRight
                                                              : TMouseButton::mbMiddle;
      if (button == TMouseButton::mbLeft) pressed_ = control;
      local(*control, control->OnMouseDown, button);
      return;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const TMouseButton button = message == WM_LBUTTONUP   ? TMouseButton::mbLeft
                                  : message == WM_RBUTTONUP ? TMouseButton::mbRight
                                                            : TMouseButton::mbMiddle;
      TGraphicControl* pressed = pressed_;
      if (button == TMouseButton::mbLeft) pressed_ = nullptr;
      if (control == nullptr) return;
      local(*control, control->OnMouseUp, button);
      // A click is a press and a release on the same control.
      if (button == TMouseButton::mbLeft && pressed == control && control->OnClick) {
        control->OnClick();
      }
      return;
    }
    case WM_LBUTTONDBLCLK:
      if (control != nullptr && control->OnDblClick) control->OnDblClick();
      return;
    case WM_MOUSEMOVE:
      if (control == nullptr) return;
      if (control->OnMouseMove)
        control->OnMouseMove(point.x - control->Left(), point.y - control->Top());
      return;
    default: return;
  }
}

void Window::CreateHandle(const CreateArgs& args) {
  RegisterClassOnce(args, &Window::StaticWndProc);
  int width = args.clientWidth, height = args.clientHeight;
  if (width != CW_USEDEFAULT && height != CW_USEDEFAULT) {
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, args.style, FALSE, args.exStyle);
    width = frame.right - frame.left;
    height = frame.bottom - frame.top;
  }
  CreateWindowExW(args.exStyle, args.className, args.caption.c_str(), args.style, CW_USEDEFAULT,
                  CW_USEDEFAULT, width, height, args.parent, nullptr, GetModuleHandleW(nullptr),
                  this);
  if (handle_ == nullptr) throw std::runtime_error("Cannot create a window.");
}

void Window::DestroyHandle() {
  if (handle_ != nullptr) DestroyWindow(handle_);
}

void Window::CenterOnScreen() {
  // The whole primary screen, taskbar included: not the work area, which a
  // taskbar at one edge would move off centre.
  RECT frame{};
  GetWindowRect(handle_, &frame);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(handle_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
      // A control's notification carries the control.
      if (TWinControl* control = TWinControl::FromHandle(reinterpret_cast<HWND>(lParam))) {
        control->Notify(HIWORD(wParam));
        return 0;
      }
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
    case WM_ERASEBKGND:
      // Painted together with the graphic controls, off-screen.
      if (!graphics_.empty()) return 1;
      break;
    case WM_PRINTCLIENT:
      if (!graphics_.empty()) {
        RECT area;
        GetClientRect(handle_, &area);
        PaintBackgroundAndGraphics(reinterpret_cast<HDC>(wParam), area);
        return 0;
      }
      break;
    case WM_PAINT:
      if (!graphics_.empty()) {
        PaintClient();
      } else {
        DefWindowProcW(handle_, message, wParam, lParam);
      }
      Painted();
      return 0;
    default:
      // The window itself still sees the mouse: a right button released
      // over a graphic control still opens the context menu.
      if (message >= WM_MOUSEFIRST && message <= WM_MBUTTONDBLCLK && !graphics_.empty()) {
        MouseOnGraphic(message, lParam);
      }
      break;
  }
  if (popupMenu_ != nullptr) {
    if (message == WM_CONTEXTMENU) {
      int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      if (x == -1 && y == -1) {
        // From the keyboard: open at the client area's top left corner.
        POINT corner{0, 0};
        ClientToScreen(handle_, &corner);
        x = corner.x;
        y = corner.y;
      }
      popupMenu_->Popup(handle_, x, y);
      return 0;
    }
    // A menu's command carries notification code 0 and no control.
    if (message == WM_COMMAND && HIWORD(wParam) == 0 && lParam == 0 &&
        popupMenu_->DispatchCommand(LOWORD(wParam))) {
      return 0;
    }
  }
  return DefWindowProcW(handle_, message, wParam, lParam);
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
