// How a scroll bar turns each action into a new position, or into none.

#include <gtest/gtest.h>

#include <optional>

#include "toolkit/scroll_logic.h"

namespace {

using toolkit::ScrollCode;
using toolkit::ScrollTo;

constexpr int Code(ScrollCode code) { return static_cast<int>(code); }

TEST(ScrollLogic, ActionTable) {
  const toolkit::ScrollRange colour{0, 255, 1, 1};
  struct Case {
    const char* what;
    int position, code, track;
    std::optional<int> next;
  } cases[] = {
      {"line down", 10, Code(ScrollCode::LineDown), 0, 11},
      {"line up", 10, Code(ScrollCode::LineUp), 0, 9},
      {"page down is one step too", 10, Code(ScrollCode::PageDown), 0, 11},
      {"page up is one step too", 10, Code(ScrollCode::PageUp), 0, 9},
      {"home", 10, Code(ScrollCode::Top), 0, 0},
      {"end", 10, Code(ScrollCode::Bottom), 0, 255},
      {"thumb dragged", 10, Code(ScrollCode::ThumbTrack), 200, 200},
      {"thumb released", 10, Code(ScrollCode::ThumbPosition), 37, 37},
      {"line up at the top: no change", 0, Code(ScrollCode::LineUp), 0, std::nullopt},
      {"line down at the bottom: no change", 255, Code(ScrollCode::LineDown), 0, std::nullopt},
      {"home at the top: no change", 0, Code(ScrollCode::Top), 0, std::nullopt},
      {"drag to where it is: no change", 42, Code(ScrollCode::ThumbTrack), 42, std::nullopt},
      {"drag past the end is clamped", 42, Code(ScrollCode::ThumbTrack), 300, 255},
      {"end of scrolling moves nothing", 42, Code(ScrollCode::EndScroll), 0, std::nullopt},
      {"unknown code", 42, 99, 0, std::nullopt},
      {"negative code", 42, -1, 0, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScrollTo(colour, c.position, c.code, c.track), c.next) << c.what;
  }
}

TEST(ScrollLogic, TheStyleBarStopsAtFive) {
  const toolkit::ScrollRange style{0, 5, 1, 1};
  EXPECT_EQ(ScrollTo(style, 4, Code(ScrollCode::LineDown), 0), 5);
  EXPECT_EQ(ScrollTo(style, 5, Code(ScrollCode::LineDown), 0), std::nullopt);
  EXPECT_EQ(ScrollTo(style, 0, Code(ScrollCode::Bottom), 0), 5);
  EXPECT_EQ(ScrollTo(style, 0, Code(ScrollCode::ThumbTrack), 9), 5);
}

TEST(ScrollLogic, NoOverflowAtTheEdgesOfThirtyTwoBits) {
  const toolkit::ScrollRange wide{-2147483647 - 1, 2147483647, 2147483647, 2147483647};
  EXPECT_EQ(ScrollTo(wide, 2147483647, Code(ScrollCode::PageDown), 0), std::nullopt);
  EXPECT_EQ(ScrollTo(wide, -2147483647 - 1, Code(ScrollCode::LineUp), 0), std::nullopt);
  EXPECT_EQ(ScrollTo(wide, 0, Code(ScrollCode::PageUp), 0), -2147483647);
}

}  // namespace
