#include "toolkit/scroll_bar.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "toolkit/window.h"

namespace toolkit {

TScrollBar::TScrollBar(Window& owner) : Component(&owner) {
  handle_ = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | SBS_VERT, 0,
                            0, 0, 0, owner.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (handle_ == nullptr) throw std::runtime_error("Cannot create a scroll bar.");
  // The control's user data is the application's to use: it leads back here.
  SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  Apply();
}

TScrollBar::~TScrollBar() {
  // The owner's window may have taken the control with it already.
  if (IsWindow(handle_) && FromHandle(handle_) == this) {
    SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
    DestroyWindow(handle_);
  }
}

TScrollBar* TScrollBar::FromHandle(HWND handle) {
  wchar_t className[16] = {};
  if (!GetClassNameW(handle, className, 16) || lstrcmpiW(className, L"ScrollBar") != 0) {
    return nullptr;
  }
  return reinterpret_cast<TScrollBar*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
}

void TScrollBar::SetPosition(std::int32_t position) {
  if (position > range_.max) position = range_.max;
  if (position < range_.min) position = range_.min;
  if (position == position_) return;
  position_ = position;
  Apply();
}

void TScrollBar::SetRange(std::int32_t min, std::int32_t max) {
  if (min == range_.min && max == range_.max) return;
  range_.min = min;
  range_.max = max < min ? min : max;
  if (position_ > range_.max) position_ = range_.max;
  if (position_ < range_.min) position_ = range_.min;
  Apply();
}

void TScrollBar::SetBounds(int left, int top, int width, int height) {
  bounds_ = {left, top, left + width, top + height};
  MoveWindow(handle_, left, top, width, height, TRUE);
}

void TScrollBar::Apply() {
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE | SIF_DISABLENOSCROLL;
  info.nMin = range_.min;
  info.nMax = range_.max;
  info.nPage = 0;  // the platform's standard thumb
  info.nPos = position_;
  SetScrollInfo(handle_, SB_CTL, &info, TRUE);
}

void TScrollBar::Scroll(std::int32_t code, std::int32_t thumb) {
  std::int32_t track = thumb;
  if ((code == SB_THUMBTRACK || code == SB_THUMBPOSITION) &&
      (range_.min < 0 || range_.max > 0xFFFF)) {
    // The message has room for 16 bits only; ask the control for the rest.
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_TRACKPOS;
    if (GetScrollInfo(handle_, SB_CTL, &info)) track = info.nTrackPos;
  }
  const std::optional<std::int32_t> next = ScrollTo(range_, position_, code, track);
  if (!next) return;
  position_ = *next;
  Apply();
  if (OnChange) OnChange();
}

void TScrollBar::SetDesignValue(std::wstring_view property, const DesignValue& value) {
  if (property == L"Left") {
    SetBounds(DesignInt(property, value), bounds_.top, bounds_.right - bounds_.left,
              bounds_.bottom - bounds_.top);
  } else if (property == L"Top") {
    SetBounds(bounds_.left, DesignInt(property, value), bounds_.right - bounds_.left,
              bounds_.bottom - bounds_.top);
  } else if (property == L"Width") {
    SetBounds(bounds_.left, bounds_.top, DesignInt(property, value), bounds_.bottom - bounds_.top);
  } else if (property == L"Height") {
    SetBounds(bounds_.left, bounds_.top, bounds_.right - bounds_.left, DesignInt(property, value));
  } else if (property == L"Min") {
    SetRange(DesignInt(property, value), range_.max);
  } else if (property == L"Max") {
    SetRange(range_.min, DesignInt(property, value));
  } else if (property == L"Position") {
    SetPosition(DesignInt(property, value));
  } else if (property == L"SmallChange") {
    range_.smallChange = DesignInt(property, value);
  } else if (property == L"LargeChange") {
    range_.largeChange = DesignInt(property, value);
  } else if (property == L"Hint") {
    hint_ = DesignText(property, value);
  } else if (property == L"ShowHint") {
    showHint_ = DesignBool(property, value);
  } else if (property == L"TabOrder") {
    tabOrder_ = DesignInt(property, value);
  } else {
    Component::SetDesignValue(property, value);
  }
}

void TScrollBar::Loaded() {
  if (showHint_) tooltip_.Attach(handle_, hint_);
  if (Owner() != nullptr) ArrangeTabOrder(*Owner());
}

void ArrangeTabOrder(const Component& owner) {
  std::vector<TScrollBar*> bars;
  for (const auto& component : owner.Components()) {
    if (auto* bar = dynamic_cast<TScrollBar*>(component.get())) bars.push_back(bar);
  }
  std::stable_sort(bars.begin(), bars.end(), [](const TScrollBar* a, const TScrollBar* b) {
    return a->TabOrder() < b->TabOrder();
  });
  HWND previous = HWND_TOP;
  for (TScrollBar* bar : bars) {
    SetWindowPos(bar->Handle(), previous, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    previous = bar->Handle();
  }
}

}  // namespace toolkit
