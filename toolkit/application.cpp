#include "toolkit/application.h"

#include <stdexcept>

namespace toolkit {

namespace {

Application* current = nullptr;

// Enter in a window with a default button presses it, or the push button
// that has the focus. Returns true when Enter was used so.
bool PressDefaultButton(const MSG& message, HWND topLevel) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN) return false;
  const DWORD defaultId = static_cast<DWORD>(SendMessageW(topLevel, DM_GETDEFID, 0, 0));
  if (HIWORD(defaultId) != DC_HASDEFID) return false;
  HWND button = GetFocus();
  wchar_t className[16] = {};
  const bool focusIsPushButton =
      button != nullptr && IsChild(topLevel, button) && GetClassNameW(button, className, 16) &&
      lstrcmpiW(className, L"Button") == 0 &&
      (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) <= BS_DEFPUSHBUTTON;
  if (!focusIsPushButton) button = GetDlgItem(topLevel, LOWORD(defaultId));
  if (button != nullptr && IsWindowEnabled(button) && IsWindowVisible(button)) {
    SendMessageW(button, BM_CLICK, 0, 0);
  }
  return true;
}

// A read-only text box has no use for Tab, yet as a multi-line box it asks
// the dialog manager for every key: Tab and Shift+Tab leave it for the next
// or previous control, as from any other control. Returns true when the key
// was used so.
bool TabOutOfReadOnlyText(const MSG& message, HWND topLevel) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_TAB) return false;
  if (GetKeyState(VK_CONTROL) < 0) return false;
  HWND focus = GetFocus();
  wchar_t className[8] = {};
  if (focus == nullptr || !IsChild(topLevel, focus) || !GetClassNameW(focus, className, 8) ||
      lstrcmpiW(className, L"Edit") != 0 || !(GetWindowLongW(focus, GWL_STYLE) & ES_READONLY)) {
    return false;
  }
  const bool backwards = GetKeyState(VK_SHIFT) < 0;
  if (HWND next = GetNextDlgTabItem(topLevel, focus, backwards ? TRUE : FALSE)) SetFocus(next);
  return true;
}

// Tab and Shift+Tab move the focus among the controls of the active window,
// as in a dialog. Only keyboard messages go through the dialog manager, and
// only for the active window: the scroll bars ask for the arrow keys
// themselves (DLGC_WANTARROWS), so those still reach them. Enter and Escape
// stay out: the dialog manager would turn them into WM_COMMAND 1 and 2,
// which may be menu commands. Enter presses a window's default button
// instead, where it has one; Escape does nothing.
bool IsKeyboardNavigation(MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  if (message.hwnd == nullptr) return false;
  HWND topLevel = GetAncestor(message.hwnd, GA_ROOT);
  if (topLevel == nullptr || topLevel != GetActiveWindow()) return false;
  if (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE || message.wParam == VK_CANCEL) {
    // The same codes as the characters '\r', Escape and Ctrl+Break.
    return message.wParam == VK_RETURN && PressDefaultButton(message, topLevel);
  }
  if (TabOutOfReadOnlyText(message, topLevel)) return true;
  return IsDialogMessageW(topLevel, &message) != FALSE;
}

}  // namespace

std::wstring WideText(const char* utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (length <= 1) return {};
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text.data(), length);
  text.pop_back();  // the terminating zero
  return text;
}

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
  terminated_ = true;
  return got == 0 ? static_cast<int>(message.wParam) : 0;
}

void Application::ProcessPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      terminated_ = true;
      break;
    }
    ProcessMessage(message);
  }
}

void Application::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

void Application::HandleException(const std::exception& error) noexcept {
  try {
    if (errorBox_) errorBox_(title_, WideText(error.what()));
  } catch (...) {
    // Out of memory for the box itself: nothing more can be shown.
  }
}

}  // namespace toolkit
