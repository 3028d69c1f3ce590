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

// The text height of the design font at `pixelHeight`, measured here.
int MeasuredTextHeight(int pixelHeight) {
  HFONT font = CreateFontW(-pixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           0, 0, 0, 0, L"MS Sans Serif");
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen, &metrics);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  DeleteObject(font);
  return metrics.tmHeight;
}

TEST(Dpi, DenserDisplaysScaleByTheMeasuredTextHeight) {
  // The text height includes the font's internal leading, and a bitmap
  // font grows only in the sizes it has: the scale is whatever the font
  // measures at its grown height, and never shrinks as the density grows.
  int previous = 13;
  for (int pixelsPerInch : {120, 144, 192}) {
    const toolkit::LayoutScale scale = toolkit::WindowScale({}, pixelsPerInch);
    EXPECT_EQ(scale.designTextHeight, 13);
    EXPECT_EQ(scale.textHeight,
              MeasuredTextHeight(toolkit::ScaledFontHeight({}, pixelsPerInch)))
        << pixelsPerInch;
    EXPECT_GE(scale.textHeight, previous) << pixelsPerInch;
    EXPECT_GT(scale.textHeight, 13) << pixelsPerInch;
    previous = scale.textHeight;
    // The client area grows with it.
    EXPECT_EQ(scale(129), (129 * scale.textHeight + 6) / 13);
  }
}

}  // namespace
