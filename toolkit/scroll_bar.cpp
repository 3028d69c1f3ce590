#include "toolkit/scroll_bar.h"

#include <algorithm>

#include "toolkit/window.h"

namespace toolkit {

TScrollBar::TScrollBar(Window& owner, const Place& place)
    : TWinControl(owner, place, L"SCROLLBAR", WS_VISIBLE | WS_TABSTOP | SBS_VERT) {}

// The range and the position go to the native control once the layout is
// whole, in one call: a layout sets them one by one.
void TScrollBar::ContentChanged() { ClampAndApply(); }

void TScrollBar::ClampAndApply() {
  if (position_ > range_.max) position_ = range_.max;
  if (position_ < range_.min) position_ = range_.min;
  if (!IsLoaded()) return;
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE | SIF_DISABLENOSCROLL;
  info.nMin = range_.min;
  info.nMax = range_.max;
  info.nPage = 0;  // the platform's standard thumb
  info.nPos = position_;
  // Drawn at once only where it shows: a hidden bar is drawn with its window
  // when that shows, and drawing one that is not seen costs as much.
  SetScrollInfo(Handle(), SB_CTL, &info, IsWindowVisible(Handle()));
}

void TScrollBar::Scroll(std::int32_t code, std::int32_t thumb) {
  std::int32_t track = thumb;
  if ((code == SB_THUMBTRACK || code == SB_THUMBPOSITION) &&
      (range_.min < 0 || range_.max > 0xFFFF)) {
    // The message has room for 16 bits only; ask the control for the rest.
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_TRACKPOS;
    if (GetScrollInfo(Handle(), SB_CTL, &info)) track = info.nTrackPos;
  }
  const std::optional<std::int32_t> next = ScrollTo(range_, position_, code, track);
  if (!next) return;
  position_ = *next;
  ClampAndApply();
  if (OnChange) OnChange();
}

void TScrollBar::SetDesignValue(std::wstring_view property, const DesignValue& value) {
  if (property == L"Max") {
    range_.max = std::max(DesignInt(property, value), range_.min);
    ClampAndApply();
  } else if (property == L"Position") {
    position_ = DesignInt(property, value);
    ClampAndApply();
  } else if (property == L"SmallChange") {
    range_.smallChange = DesignInt(property, value);
  } else if (property == L"LargeChange") {
    range_.largeChange = DesignInt(property, value);
  } else {
    TWinControl::SetDesignValue(property, value);
  }
}

}  // namespace toolkit
