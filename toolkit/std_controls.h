// The platform's static text, multi-line text box and push button as
// components.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "toolkit/win_control.h"

namespace toolkit {

// One line of text without a border; never takes the keyboard focus. It
// takes the size of its caption in its font whenever either changes: a
// layout's Width and Height for it are overwritten, and a layout need give
// only Left and Top.
class TStaticText : public TWinControl {
 public:
  explicit TStaticText(Window& owner, const Place& place = {});

 protected:
  void ContentChanged() override;
};

// A multi-line text box: word wrap, vertical scroll bar, single border. A
// read-only box can still be scrolled and its text selected and copied.
class TMemo : public TWinControl {
 public:
  explicit TMemo(Window& owner, const Place& place = {});

  // The whole text; lines end in "\r\n".
  std::wstring Text() const;
  void SetText(const std::wstring& text);

  // Read-only or not, the text stands on the window colour, as it does in
  // an editable box.
  HBRUSH ControlColor(HDC dc) override;

  // Text, and ReadOnly.
  void SetDesignValue(std::wstring_view property, const DesignValue& value) override;
};

// A push button. The default button is pressed by Enter wherever the focus
// is in its window, unless the focus is on another push button, which Enter
// presses instead. The default frame shows which: while a push button has
// the focus it wears the frame, and when the focus leaves the push buttons
// the frame goes back to the window's default button.
class TButton : public TWinControl {
 public:
  explicit TButton(Window& owner, const Place& place = {});

  // The window's default button, whether or not it shows the frame now.
  bool Default() const { return default_; }
  // Whether it shows the default frame now.
  bool Framed() const;

  std::function<void()> OnClick;

  void Notify(std::int32_t code) override;
  // Default: the window's default button.
  void SetDesignValue(std::wstring_view property, const DesignValue& value) override;

 private:
  void SetFramed(bool framed);
  // Frames `focused`, or the default button when it is nullptr, and no
  // other push button of the window.
  void FrameOneButton(const TButton* focused);

  bool default_ = false;
};

}  // namespace toolkit
