#include "toolkit/form.h"

#include <stdexcept>

#include "toolkit/application.h"
#include "toolkit/std_controls.h"
#include "toolkit/win_control.h"

namespace toolkit {

namespace {

// Posted to a form by its first showing.
constexpr UINT kAttachHintsMessage = WM_APP + 0x3E00;

}  // namespace

TForm::TForm(const FormDesign& design, std::span<const ComponentDesign> layout)
    : hideOnClose_(design.hideOnClose), keepControlFocus_(design.keepControlFocus) {
  // The font grows with the display; the layout grows with the font.
  const std::int32_t pixelsPerInch = ScreenPixelsPerInch();
  const LayoutScale scale = WindowScale(design.font, pixelsPerInch);
  font_ = MakeFont(design.font, pixelsPerInch);
  // Controls paint themselves: the form's background stays off them.
  WindowDesign window = design;
  window.style |= WS_CLIPCHILDREN;
  CreateHandle(window, scale);
  HoldHintsBack();
  ApplyLayout(*this, layout, scale);
}

TForm::~TForm() {
  // The controls may still be drawing with the font while the window goes;
  // the font goes with the members, after it.
  DestroyHandle();
}

void TForm::Show() {
  if (!shown_) {
    CenterOnScreen();
    shown_ = true;
    // Handled once the window is on the screen: the hints' tooltips are
    // made then, off the way to the window.
    if (HintsWaiting()) PostMessageW(Handle(), kAttachHintsMessage, 0, 0);
  }
  ShowWindow(Handle(), SW_SHOW);
  // To the front whether it was hidden or only covered. A hidden window
  // that showing made the active one is there already.
  if (GetForegroundWindow() == Handle()) return;
  const bool topmost = (GetWindowLongW(Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  SetWindowPos(Handle(), topmost ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(Handle());
}

void TForm::Hide() { ShowWindow(Handle(), SW_HIDE); }

bool TForm::IsOurChild(HWND window) const {
  return window != nullptr && window != Handle() && IsChild(Handle(), window);
}

void TForm::FocusControl(TWinControl& control) {
  focus_ = control.Handle();
  if (GetActiveWindow() == Handle() && GetFocus() != focus_) SetFocus(focus_);
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_.get());
    case kAttachHintsMessage: AttachHints(); return 0;
    case WM_CLOSE:
      if (hideOnClose_) {
        Hide();
        return 0;
      }
      break;
    case WM_DESTROY:
      // The main window's end is the application's.
      if (Application* application = Application::Current();
          application != nullptr && application->MainWindow() == Handle()) {
        application->Terminate();
      }
      break;
    case WM_ACTIVATE:
      if (!keepControlFocus_) break;
      if (LOWORD(wParam) == WA_INACTIVE) {
        // Kept for the next activation.
        if (HWND focus = GetFocus(); IsOurChild(focus)) focus_ = focus;
        return 0;
      }
      if (!IsIconic(Handle())) {
        HWND focus = IsOurChild(focus_) && IsWindowEnabled(focus_) && IsWindowVisible(focus_)
                         ? focus_
                         : GetNextDlgTabItem(Handle(), nullptr, FALSE);
        SetFocus(focus != nullptr ? focus : Handle());
      }
      return 0;
    case DM_GETDEFID:
      for (const auto& component : Components()) {
        auto* button = dynamic_cast<TButton*>(component.get());
        if (button != nullptr && button->Default()) {
          return MAKELRESULT(GetDlgCtrlID(button->Handle()), DC_HASDEFID);
        }
      }
      return 0;
    default: break;
  }
  return Window::WndProc(message, wParam, lParam);
}

}  // namespace toolkit
