// Controls with a native child window of their own (scroll bars, buttons,
// text boxes, static texts): bounds, caption, font, hint, Tab key order,
// and the notifications the control sends its parent, handed back to it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "toolkit/component.h"
#include "toolkit/font.h"
#include "toolkit/hints.h"
#include "toolkit/layout.h"

namespace toolkit {

// The window a control lives on, which hands its native controls their
// notifications and hints: two halves of one mechanism, whose loop is
// between the two .cpp files only (window.h does not include this one).
class Window;

class TWinControl : public Component {
 public:
  // A child of `owner`'s window, which must already have its handle, made
  // at `place`. Throws std::runtime_error when the system refuses.
  TWinControl(Window& owner, const Place& place, const wchar_t* className, DWORD style,
              DWORD exStyle = 0);
  ~TWinControl() override;

  HWND Handle() const { return handle_; }
  // The control behind a native handle, or nullptr.
  static TWinControl* FromHandle(HWND handle);

  std::int32_t Left() const { return bounds_.left; }
  std::int32_t Top() const { return bounds_.top; }
  std::int32_t Width() const { return bounds_.right - bounds_.left; }
  std::int32_t Height() const { return bounds_.bottom - bounds_.top; }
  // Records the bounds at once, but moves the native window only once its
  // layout has loaded (Loaded places it, unless it was made there): while a
  // layout loads, its four edges come as four values, and each move is a
  // call into the system. A control made outside a layout is placed by its
  // first Loaded too.
  void SetBounds(int left, int top, int width, int height);

  const std::wstring& Caption() const { return caption_; }
  const std::wstring& Hint() const { return hint_; }
  bool ShowHint() const { return showHint_; }
  std::int32_t TabOrder() const { return tabOrder_; }

  // A notification code the control sent its parent (WM_COMMAND).
  virtual void Notify(std::int32_t /*code*/) {}
  // A scroll code the control sent its parent (WM_VSCROLL, WM_HSCROLL), with
  // the 16-bit thumb position its message carries.
  virtual void Scroll(std::int32_t /*code*/, std::int32_t /*thumb*/) {}
  // Colours for the control's text and background (WM_CTLCOLOR...), or
  // nullptr to leave them to the system.
  virtual HBRUSH ControlColor(HDC /*dc*/) { return nullptr; }

  void SetDesignValue(std::wstring_view property, const DesignValue& value) override;
  // Once the owner's layout is whole: the font, the hint's tooltip (unless
  // the window holds its hints back), and the controls' places in the Tab
  // key's order.
  void Loaded() override;
  // Shows the hint over the control from now on, where ShowHint says so.
  void AttachHint();

 protected:
  // After the caption or font changed, for controls that size themselves;
  // and once by Loaded.
  virtual void ContentChanged() {}
  bool IsLoaded() const { return loaded_; }

 private:
  HWND handle_ = nullptr;
  RECT bounds_{0, 0, 0, 0};
  RECT made_{0, 0, 0, 0};  // where the native window was made
  bool loaded_ = false;
  std::wstring caption_;
  std::wstring hint_;
  bool showHint_ = false;
  std::int32_t tabOrder_ = 0;
  ControlFont font_;
  toolkit::Hint tooltip_;  // qualified: Hint() names the text here
};

// Stacks `owner`'s native controls in TabOrder order (equal ones keep their
// layout order), first on top: the Tab key visits a window's controls in
// that stacking order.
void ArrangeTabOrder(const Component& owner);

}  // namespace toolkit
