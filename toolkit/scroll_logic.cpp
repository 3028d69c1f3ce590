#include "toolkit/scroll_logic.h"

namespace toolkit {

std::optional<std::int32_t> ScrollTo(const ScrollRange& range, std::int32_t position,
                                     std::int32_t code, std::int32_t track) {
  std::int64_t next;
  switch (static_cast<ScrollCode>(code)) {
    case ScrollCode::LineUp: next = std::int64_t{position} - range.smallChange; break;
    case ScrollCode::LineDown: next = std::int64_t{position} + range.smallChange; break;
    case ScrollCode::PageUp: next = std::int64_t{position} - range.largeChange; break;
    case ScrollCode::PageDown: next = std::int64_t{position} + range.largeChange; break;
    case ScrollCode::ThumbPosition:
    case ScrollCode::ThumbTrack: next = track; break;
    case ScrollCode::Top: next = range.min; break;
    case ScrollCode::Bottom: next = range.max; break;
    default: return std::nullopt;  // end of scrolling, or no scroll code at all
  }
  if (next > range.max) next = range.max;
  if (next < range.min) next = range.min;
  if (next == position) return std::nullopt;
  return static_cast<std::int32_t>(next);
}

}  // namespace toolkit
