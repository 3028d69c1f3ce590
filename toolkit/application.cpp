#include "toolkit/application.h"

#include <stdexcept>

#include "win32/text.h"

namespace toolkit {

namespace {

Application* current = nullptr;

// Whether `window` is a push button (framed as the default or not).
bool IsPushButton(HWND window) {
  wchar_t className[16] = {};
  return window != nullptr && GetClassNameW(window, className, 16) &&
         lstrcmpiW(className, L"Button") == 0 &&
         (GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK) <= BS_DEFPUSHBUTTON;
}

// Enter presses the push button that has the focus, or else the window's
// default button: the one that shows the default frame either way. Returns
// true when Enter was used so.
bool PressDefaultButton(const MSG& message, HWND topLevel) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN) return false;
  HWND button = GetFocus();
  if (button == nullptr || !IsChild(topLevel, button) || !IsPushButton(button)) {
    const DWORD defaultId = static_cast<DWORD>(SendMessageW(topLevel, DM_GETDEFID, 0, 0));
    if (HIWORD(defaultId) != DC_HASDEFID) return false;
    button = GetDlgItem(topLevel, LOWORD(defaultId));
  }
  if (button != nullptr && IsWindowEnabled(button) && IsWindowVisible(button)) {
    SendMessageW(button, BM_CLICK, 0, 0);
  }
  return true;
}

// Whether the focused `control` asks for Tab as input. The program's one
// text box is read-only: although as a multi-line box it asks the dialog
// manager for every key, it has no use for Tab, which moves on from it.
bool UsesTab(HWND control) {
  // Asked without the message, which would put a text box into its dialog
  // mode.
  const auto code = static_cast<UINT>(SendMessageW(control, WM_GETDLGCODE, VK_TAB, 0));
  return (code & DLGC_WANTTAB) != 0;
}

// Tab and Shift+Tab move the focus to the next or previous control that
// takes it, unless the focused control uses Tab itself. Moved here, not by
// the dialog manager, which in a window that is not a dialog box restyles
// the push buttons after the move and would undo their default frame.
// Entering a text box selects its text, as in a dialog box. Returns true
// when the key was used so.
bool MoveFocusWithTab(const MSG& message, HWND topLevel) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_TAB) return false;
  if (GetKeyState(VK_CONTROL) < 0) return false;
  HWND focus = GetFocus();
  if (focus == topLevel || (focus != nullptr && !IsChild(topLevel, focus))) focus = nullptr;
  if (focus != nullptr && UsesTab(focus)) return false;
  const bool backwards = GetKeyState(VK_SHIFT) < 0;
  HWND next = GetNextDlgTabItem(topLevel, focus, backwards ? TRUE : FALSE);
  if (next == nullptr || next == focus) return true;
  if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
    SendMessageW(next, EM_SETSEL, 0, -1);
  }
  SetFocus(next);
  return true;
}

// Keys that move about the controls of the active window, as in a dialog
// box. Tab and Shift+Tab move the focus as above. The other keyboard
// messages go through the dialog manager, only for the active window: the
// scroll bars ask for the arrow keys themselves (DLGC_WANTARROWS), so those
// still reach them. Enter and Escape stay out: the dialog manager would turn
// them into WM_COMMAND 1 and 2, which may be menu commands. Enter presses the
// focused push button or the window's default button instead. Escape does
// nothing: no window here has a cancel button, and it must not reach a
// multi-line text box either, which closes its parent on Escape once the
// dialog manager has asked it about any other key.
bool IsKeyboardNavigation(MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  if (message.hwnd == nullptr) return false;
  HWND topLevel = GetAncestor(message.hwnd, GA_ROOT);
  if (topLevel == nullptr || topLevel != GetActiveWindow()) return false;
  if (message.wParam == VK_ESCAPE) {
    // The key, and the character it would make (the same code).
    return message.message == WM_KEYDOWN || message.message == WM_CHAR;
  }
  if (message.wParam == VK_RETURN || message.wParam == VK_CANCEL) {
    // The same codes as the characters '\r' and Ctrl+Break.
    return message.wParam == VK_RETURN && PressDefaultButton(message, topLevel);
  }
  if (MoveFocusWithTab(message, topLevel)) return true;
  return IsDialogMessageW(topLevel, &message) != FALSE;
}

}  // namespace

Application::Application(std::wstring title) : title_(std::move(title)), previous_(current) {
  errorBox_ = [](const std::wstring& boxTitle, const std::wstring& text) {
    MessageBoxW(GetActiveWindow(), text.c_str(), boxTitle.c_str(), MB_OK | MB_ICONERROR);
  };
  current = this;
}

Application::~Application() { current = previous_; }

Application* Application::Current() noexcept { return current; }

MessageFilter Application::SetMessageFilter(MessageFilter filter) {
  const MessageFilter replaced = filter_;
  filter_ = filter;
  return replaced;
}

void Application::ProcessMessage(MSG& message) {
  try {
    bool handled = false;
    if (filter_) filter_(message, handled);
    if (!handled && !IsKeyboardNavigation(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  } catch (const std::exception& error) {
    HandleException(error);
  } catch (...) {
    HandleException(std::runtime_error("Unexpected error."));
  }
}

int Application::Run() {
  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) ProcessMessage(message);
  return got == 0 ? static_cast<int>(message.wParam) : 0;
}

void Application::Terminate() { PostQuitMessage(0); }

void Application::HandleException(const std::exception& error) noexcept {
  try {
    if (errorBox_) errorBox_(title_, win32::Widen(error.what(), CP_UTF8));
  } catch (...) {
    // Out of memory for the box itself: nothing more can be shown.
  }
}

}  // namespace toolkit
