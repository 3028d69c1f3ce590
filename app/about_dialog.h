// The About dialog: the product line, the version and the end-user
// agreement. Agreeing hides it; refusing ends the program.
#pragma once

#include <windows.h>

#include <string>

#include "toolkit/form.h"

namespace app {

class TForm2 : public toolkit::TForm {
 public:
  // Built hidden, belonging to `mainWindow`.
  explicit TForm2(HWND mainWindow);

  // The agreement is put in the first time: nothing else shows it, and it
  // is long, so it is kept off the program's way to its main window.
  void Show() override;

  // "Yes I Agree. [OK]": hides the dialog.
  void OKButton1Click();
  // "No. I Don't Agree.": the application ends.
  void Button1Click();
  // Every paint: the keyboard focus goes back to the agreement.
  void FormPaint();

 protected:
  void Painted() override { FormPaint(); }

 private:
  bool agreementIn_ = false;
};

// The end-user agreement as the dialog shows it, lines ending in "\r\n";
// empty when the program carries no agreement.
std::wstring AgreementText();

}  // namespace app
