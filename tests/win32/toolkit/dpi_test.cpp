// Windows built on displays of other pixel densities: the font height grows
// with the display, positions and sizes with the font's text height, and at
// 96 pixels per inch nothing changes at all.

#include <windows.h>

#include <gtest/gtest.h>

#include "toolkit/dpi.h"

namespace {

TEST(Dpi, TheFontHeightFollowsThePixelsPerInch) {
  const toolkit::DesignFont font;
  const struct {
    int pixelsPerInch;
    int height;
  } cases[] = {{96, 11}, {120, 14}, {144, 17}, {192, 22}, {72, 8}, {288, 33}};
  for (const auto& c : cases) {
    EXPECT_EQ(toolkit::ScaledFontHeight(font, c.pixelsPerInch), c.height) << c.pixelsPerInch;
  }
}

TEST(Dpi, AtNinetySixPixelsPerInchTheLayoutIsExactlyAsDesigned) {
  const toolkit::LayoutScale scale = toolkit::WindowScale({}, 96);
  EXPECT_TRUE(scale.Identity());
  for (int value : {0, 16, 17, 33, 48, 112, 129, 257}) EXPECT_EQ(scale(value), value);
}

TEST(Dpi, ThisDisplayIsTheDesignsUnderWine) {
  // Wine's default; the end-to-end suite relies on the same.
  EXPECT_EQ(toolkit::ScreenPixelsPerInch(), 96);
  EXPECT_TRUE(toolkit::ScreenWindowScale().Identity());
}

TEST(Dpi, DenserDisplaysScaleByTheMeasuredTextHeight) {
  // The text height includes the font's internal leading, so it grows a
  // little unevenly; it must grow, by about the ratio of the densities.
  const struct {
    int pixelsPerInch;
    int lowest, highest;  // text height
  } cases[] = {{120, 15, 18}, {144, 18, 22}, {192, 24, 29}};
  int previous = 13;
  for (const auto& c : cases) {
    const toolkit::LayoutScale scale = toolkit::WindowScale({}, c.pixelsPerInch);
    EXPECT_EQ(scale.designTextHeight, 13);
    EXPECT_GE(scale.textHeight, c.lowest) << c.pixelsPerInch;
    EXPECT_LE(scale.textHeight, c.highest) << c.pixelsPerInch;
    EXPECT_GT(scale.textHeight, previous) << c.pixelsPerInch;
    previous = scale.textHeight;
    // The client area grows with it.
    EXPECT_EQ(scale(129), (129 * scale.textHeight + 6) / 13);
  }
}

}  // namespace
