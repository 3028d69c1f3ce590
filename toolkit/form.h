// A top-level window built from a layout: its font, its controls, showing
// without being modal, hiding on close, ending the application's loop when
// it is the application's main window and is destroyed, and the keyboard
// focus kept across activations as a dialog keeps it.
#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "toolkit/font.h"
#include "toolkit/layout.h"
#include "toolkit/window.h"
#include "win32/scoped.h"

namespace toolkit {

class TWinControl;

struct FormDesign : WindowDesign {
  FontDesign font = WindowFontDesign();
  // The title bar's close button hides the window instead of destroying it.
  // Without this it destroys the window, which for the application's main
  // window (Application::SetMainWindow) ends the application's loop.
  bool hideOnClose = true;
  // Activation gives the keyboard focus to the control that last had it (at
  // first, the first in Tab order), as a dialog box does; without this, the
  // window itself takes it, as the system does.
  bool keepControlFocus = true;
};

class TForm : public Window {
 public:
  // Creates the window hidden and builds `layout` on it, both grown for the
  // display's pixels per inch. Throws as CreateHandle and ApplyLayout do.
  TForm(const FormDesign& design, std::span<const ComponentDesign> layout);
  ~TForm() override;

  // Shows the window without making it modal and brings it to the front:
  // centred on the screen the first time, later where it was last.
  virtual void Show();
  void Hide();
  bool Visible() const { return IsWindowVisible(Handle()) != FALSE; }

  HFONT Font() const { return font_.get(); }

  // Gives `control` the keyboard focus now if the window is active, or
  // when it is next activated.
  void FocusControl(TWinControl& control);

 protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  bool IsOurChild(HWND window) const;

  win32::ScopedFont font_;
  bool hideOnClose_;
  bool keepControlFocus_;
  bool shown_ = false;
  HWND focus_ = nullptr;  // kept while the window is inactive
};

}  // namespace toolkit
