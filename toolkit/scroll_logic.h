// What a scroll bar makes of a user's action: the new position, or none.
// Portable, so the whole table is tested natively.
#pragma once

#include <cstdint>
#include <optional>

namespace toolkit {

// The platform's scroll codes (SB_LINEUP ... SB_ENDSCROLL).
enum class ScrollCode : std::int32_t {
  LineUp = 0,
  LineDown = 1,
  PageUp = 2,
  PageDown = 3,
  ThumbPosition = 4,
  ThumbTrack = 5,
  Top = 6,
  Bottom = 7,
  EndScroll = 8,
};

struct ScrollRange {
  std::int32_t min = 0;
  std::int32_t max = 100;
  std::int32_t smallChange = 1;
  std::int32_t largeChange = 1;
};

// The position after `code` from `position` (`track` is the thumb's position
// for the two thumb codes), clamped to the range; nullopt when the action
// leaves the position where it was or is not a move at all. Exact for any
// 32-bit values.
std::optional<std::int32_t> ScrollTo(const ScrollRange& range, std::int32_t position,
                                     std::int32_t code, std::int32_t track);

}  // namespace toolkit
