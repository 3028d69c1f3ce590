// The help window: a picture of the main window, with a bold label for each
// scroll bar and for the menu, each joined to what it names by a line.
#pragma once

#include <windows.h>

#include "toolkit/form.h"

namespace app {

class TForm3 : public toolkit::TForm {
 public:
  // Built hidden, belonging to `mainWindow`.
  explicit TForm3(HWND mainWindow);

  // "Close Help": hides the window.
  void Button1Click();
};

}  // namespace app
