// TScrollBar: the platform's scroll-bar control as a component. Each user
// action that lands on a new position stores it and raises OnChange once;
// one that leaves the position where it was raises nothing.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "toolkit/scroll_logic.h"
#include "toolkit/win_control.h"

namespace toolkit {

class Window;

class TScrollBar : public TWinControl {
 public:
  // A vertical bar on `owner`'s window, which must already have its handle.
  explicit TScrollBar(Window& owner, const Place& place = {});

  std::int32_t Position() const { return position_; }

  std::function<void()> OnChange;

  // Moves the bar as the scroll code says.
  void Scroll(std::int32_t code, std::int32_t thumb) override;

  // Max (from a minimum of 0), Position, clamped into the range, and the
  // steps SmallChange and LargeChange. They raise no OnChange.
  void SetDesignValue(std::wstring_view property, const DesignValue& value) override;

 protected:
  void ContentChanged() override;

 private:
  void ClampAndApply();  // the position into the range; both to the native control, once loaded

  ScrollRange range_{0, 100, 1, 1};
  std::int32_t position_ = 0;
};

}  // namespace toolkit
