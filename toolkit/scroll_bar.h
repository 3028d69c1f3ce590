// TScrollBar: the platform's scroll-bar control as a component. Each user
// action that lands on a new position stores it and raises OnChange once;
// one that leaves the position where it was raises nothing.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "toolkit/component.h"
#include "toolkit/hints.h"
#include "toolkit/scroll_logic.h"

namespace toolkit {

class Window;

class TScrollBar : public Component {
 public:
  // A vertical bar on `owner`'s window, which must already have its handle.
  explicit TScrollBar(Window& owner);
  ~TScrollBar() override;

  HWND Handle() const { return handle_; }
  // The scroll bar behind a native handle, or nullptr.
  static TScrollBar* FromHandle(HWND handle);

  std::int32_t Position() const { return position_; }
  std::int32_t Min() const { return range_.min; }
  std::int32_t Max() const { return range_.max; }
  // Writers clamp the position into the range; they raise no OnChange.
  void SetPosition(std::int32_t position);
  void SetRange(std::int32_t min, std::int32_t max);
  void SetBounds(int left, int top, int width, int height);
  const std::wstring& Hint() const { return hint_; }
  bool ShowHint() const { return showHint_; }
  std::int32_t TabOrder() const { return tabOrder_; }

  std::function<void()> OnChange;

  // A scroll code from the control, with the 16-bit thumb position its
  // message carries: moves the bar as the code says.
  void Scroll(std::int32_t code, std::int32_t thumb);

  void SetDesignValue(std::wstring_view property, const DesignValue& value) override;
  // Once the owner's layout is whole: the hint's tooltip, and the bar's
  // place in the Tab key's order among its owner's bars.
  void Loaded() override;

  // The tooltip that shows the hint, or nullptr (no hint, or ShowHint off).
  HWND HintWindow() const { return tooltip_.Tooltip(); }

 private:
  void Apply();  // range and position to the native control

  HWND handle_ = nullptr;
  ScrollRange range_{0, 100, 1, 1};
  std::int32_t position_ = 0;
  RECT bounds_{0, 0, 0, 0};
  std::wstring hint_;
  bool showHint_ = false;
  std::int32_t tabOrder_ = 0;
  toolkit::Hint tooltip_;  // qualified: Hint() names the text here
};

// Stacks the bars among `owner`'s components in TabOrder order (equal ones
// keep their layout order), first on top: the Tab key visits a window's
// controls in that stacking order. Other children keep their order, below
// the bars.
void ArrangeTabOrder(const Component& owner);

}  // namespace toolkit
