// The platform's static text, multi-line text box and push button as
// components.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "toolkit/win_control.h"

namespace toolkit {

// One line of text without a border, sized to its text; never takes the
// keyboard focus.
class TStaticText : public TWinControl {
 public:
  explicit TStaticText(Window& owner);

 protected:
  void ContentChanged() override;
};

// A multi-line text box: word wrap, vertical scroll bar, single border. A
// read-only box can still be scrolled and its text selected and copied.
class TMemo : public TWinControl {
 public:
  explicit TMemo(Window& owner);

  // The whole text; lines end in "\r\n".
  std::wstring Text() const;
  void SetText(const std::wstring& text);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);

  // Read-only or not, the text stands on the window colour, as it does in
  // an editable box.
  HBRUSH ControlColor(HDC dc) override;

  void SetDesignValue(std::wstring_view property, const DesignValue& value) override;

 private:
  bool readOnly_ = false;
};

// A push button. The default button is pressed by Enter wherever the focus
// is in its window, unless the focus is on another button.
class TButton : public TWinControl {
 public:
  explicit TButton(Window& owner);

  bool Default() const { return default_; }
  void SetDefault(bool isDefault);

  std::function<void()> OnClick;
  // What a click does: OnClick.
  void Click();

  void Notify(std::int32_t code) override;
  void SetDesignValue(std::wstring_view property, const DesignValue& value) override;

 private:
  bool default_ = false;
};

}  // namespace toolkit
