#include "toolkit/window.h"

#include <windowsx.h>

#include <stdexcept>

#include "toolkit/application.h"
#include "toolkit/menu.h"
#include "toolkit/scroll_bar.h"

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

Window::~Window() { DestroyHandle(); }

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
  RECT area{}, frame{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(handle_, &frame);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(handle_, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT Window::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if ((message == WM_VSCROLL || message == WM_HSCROLL) && lParam != 0) {
    if (TScrollBar* bar = TScrollBar::FromHandle(reinterpret_cast<HWND>(lParam))) {
      bar->Scroll(LOWORD(wParam), HIWORD(wParam));
      return 0;
    }
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

LRESULT CALLBACK Window::StaticWndProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) {
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
