// Hints: a control's short help text, shown as a tooltip while the pointer
// rests on the control.
#pragma once

#include <windows.h>

#include <string>

namespace toolkit {

// One control's tooltip. The tooltip window belongs to the control's
// top-level window and follows the pointer over the control by itself (it
// subclasses the control), so the message loop need not relay anything.
class Hint {
 public:
  Hint() = default;
  ~Hint();
  Hint(const Hint&) = delete;
  Hint& operator=(const Hint&) = delete;

  // Shows `text` over `control` from now on; an empty text removes the
  // tooltip. Returns false when the system cannot make one.
  bool Attach(HWND control, const std::wstring& text);
  void Detach();

 private:
  HWND tooltip_ = nullptr;
  HWND control_ = nullptr;
  std::wstring text_;
};

}  // namespace toolkit
