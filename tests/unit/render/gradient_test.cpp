// FillGradient against the worked values: styles, rounding, the doubled last
// line, the mirrored centre, and the zero-extent error.

#include <gtest/gtest.h>

#include <random>

#include "surface_probe.h"

namespace {

constexpr int kWhole = -1;  // a negative left selects the whole surface

std::vector<int> Reds(int width, int height, int style, int startRed, int endRed) {
  TWin s(width, height);
  s.FillGradient(startRed, 0, 0, endRed, 0, 0, style, 128, kWhole, -2, -3, -4);
  return style <= 2 ? probe::ColumnReds(s) : probe::RowReds(s);
}

TEST(FillGradient, WholeSurfaceWorkedValues) {
  struct Case {
    const char* name;
    int width, height, style, startRed, endRed;
    std::vector<int> reds;
  } cases[] = {
      {"style 0: last column carries the far colour",
       8,
       3,
       0,
       0,
       80,
       {0, 10, 20, 30, 40, 50, 60, 80}},
      {"style 1: end colour first", 8, 3, 1, 0, 80, {80, 70, 60, 50, 40, 30, 20, 0}},
      {"style 2, even width", 8, 3, 2, 80, 0, {0, 20, 40, 60, 80, 60, 40, 20}},
      {"style 2, odd width", 7, 3, 2, 80, 0, {0, 23, 46, 69, 46, 23, 0}},
      {"style 3: start colour at the top", 3, 8, 3, 0, 80, {0, 10, 20, 30, 40, 50, 60, 80}},
      {"style 4: end colour at the top", 3, 8, 4, 80, 0, {0, 10, 20, 30, 40, 50, 60, 80}},
      {"style 5, even height", 3, 8, 5, 80, 0, {80, 60, 40, 20, 0, 20, 40, 60}},
      {"style 5, odd height", 3, 7, 5, 80, 0, {80, 57, 34, 11, 34, 57, 80}},
      {"one pixel wide", 1, 2, 0, 7, 200, {200}},
      {"style 2, one pixel wide: the end colour", 1, 2, 2, 7, 200, {200}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Reds(c.width, c.height, c.style, c.startRed, c.endRed), c.reds) << c.name;
  }
}

TEST(FillGradient, RoundsTiesToEven) {
  const std::vector<int> reds = Reds(1024, 1, 0, 0, 254);
  EXPECT_EQ(reds[256], 64);   // running value exactly 63.5
  EXPECT_EQ(reds[768], 190);  // exactly 190.5
  EXPECT_EQ(reds[255], 63);
  EXPECT_EQ(reds[769], 191);
}

TEST(FillGradient, CarriesTheRunningColourInSinglePrecision) {
  // 1280 additions of 2/1280 in float drift from exact arithmetic: red 1
  // begins at column 320 (not 321) and red 2 at 961 (not 960).
  const std::vector<int> reds = Reds(1280, 1, 0, 0, 2);
  EXPECT_EQ(reds[319], 0);
  EXPECT_EQ(reds[320], 1);
  EXPECT_EQ(reds[960], 1);
  EXPECT_EQ(reds[961], 2);
  EXPECT_EQ(reds[1279], 2);
}

TEST(FillGradient, DefaultRedToBlue) {
  TWin s(1024, 2);
  s.FillGradient(255, 0, 0, 0, 0, 255, 0, 128, kWhole, -2, -3, -4);
  using P = std::array<std::uint8_t, 3>;  // blue, green, red
  EXPECT_EQ(probe::Pixel(s, 0, 0), (P{0, 0, 255}));
  EXPECT_EQ(probe::Pixel(s, 512, 1), (P{128, 0, 128}));
  EXPECT_EQ(probe::Pixel(s, 1023, 1), (P{255, 0, 0}));
}

TEST(FillGradient, StylesOutsideZeroToFiveDrawNothing) {
  for (int style : {6, 7, -1, 2147483647, -2147483647 - 1}) {
    TWin s(9, 4);
    probe::Paint(s, 33);
    const auto before = probe::Snapshot(s);
    // Even a zero extent raises nothing: the style is checked first.
    s.FillGradient(1, 2, 3, 4, 5, 6, style, 128, 2, 0, 2, 3);
    s.FillGradient(1, 2, 3, 4, 5, 6, style, 128, kWhole, 0, 0, 0);
    EXPECT_EQ(probe::Snapshot(s), before) << "style " << style;
  }
}

TEST(FillGradient, EmptyLineRangesDrawNothing) {
  struct Case {
    int style, left, top, right, bottom;
  } cases[] = {
      {0, 5, 0, 3, 3},     {1, 5, 0, 3, 3},     {3, 0, 3, 5, 1},
      {4, 0, 3, 5, 1},     {2, 100, 0, 150, 3},  // centre 75 lies before the first column
      {5, 0, 100, 5, 150},
  };
  for (const Case& c : cases) {
    TWin s(9, 6);
    probe::Paint(s, 77);
    const auto before = probe::Snapshot(s);
    EXPECT_NO_THROW(
        s.FillGradient(0, 0, 0, 255, 255, 255, c.style, 128, c.left, c.top, c.right, c.bottom));
    EXPECT_EQ(probe::Snapshot(s), before) << "style " << c.style;
  }
}

TEST(FillGradient, ZeroExtentFailsBeforeAnyPixelChanges) {
  struct Case {
    int style, startRed, endRed, left, top, right, bottom;
    FloatingPointError::Kind kind;
    const char* message;
  } cases[] = {
      {0, 0, 80, 3, 0, 3, 5, FloatingPointError::Kind::DivisionByZero,
       "Floating point division by zero"},
      {1, 0, 80, 3, 0, 3, 5, FloatingPointError::Kind::DivisionByZero,
       "Floating point division by zero"},
      {2, 0, 80, 3, 0, 3, 5, FloatingPointError::Kind::DivisionByZero,
       "Floating point division by zero"},
      {0, 80, 80, 0, 0, 0, 5, FloatingPointError::Kind::InvalidOperation,
       "Invalid floating point operation"},
      {3, 10, 20, 0, 4, 8, 4, FloatingPointError::Kind::DivisionByZero,
       "Floating point division by zero"},
      {5, 20, 20, 0, 4, 8, 4, FloatingPointError::Kind::InvalidOperation,
       "Invalid floating point operation"},
  };
  for (const Case& c : cases) {
    TWin s(9, 6);
    probe::Paint(s, 5);
    const auto before = probe::Snapshot(s);
    try {
      // Green and blue differ, so only red decides the kind of error.
      s.FillGradient(c.startRed, 0, 1, c.endRed, 9, 2, c.style, 128, c.left, c.top, c.right,
                     c.bottom);
      ADD_FAILURE() << "style " << c.style << " raised nothing";
    } catch (const FloatingPointError& e) {
      EXPECT_EQ(e.kind(), c.kind);
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(probe::Snapshot(s), before) << "style " << c.style;
  }
}

TEST(FillGradient, LinesDrawnTwiceAreBlendedTwice) {
  // Weight 64 over grey 100 with red 0: one blend gives 50, two give 25.
  auto redsAfterBlend = [](int width, int height, int style) {
    TWin s(width, height);
    probe::Paint(s, 100);
    s.FillGradient(0, 100, 100, 0, 100, 100, style, 64, kWhole, 0, 0, 0);
    return style <= 2 ? probe::ColumnReds(s) : probe::RowReds(s);
  };
  EXPECT_EQ(redsAfterBlend(4, 2, 0), (std::vector<int>{50, 50, 50, 25}));
  EXPECT_EQ(redsAfterBlend(2, 4, 4), (std::vector<int>{50, 50, 50, 25}));
  // Even width: the centre and the last column (mirror of column 0, then of 1).
  EXPECT_EQ(redsAfterBlend(6, 2, 2), (std::vector<int>{50, 50, 50, 25, 50, 25}));
  // Odd height: only the centre row.
  EXPECT_EQ(redsAfterBlend(2, 5, 5), (std::vector<int>{50, 50, 25, 50, 50}));
}

TEST(FillGradient, ARectangleKeepsToItsLinesAndClampsOntoTheSurface) {
  TWin s(10, 6);
  probe::Paint(s, 1);
  // Columns 2..6 over rows 1..3, red 0 to 40 in steps of 10.
  s.FillGradient(0, 0, 0, 40, 0, 0, 0, 128, 2, 1, 6, 3);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x <= 6 && y >= 1 && y <= 3;
      EXPECT_EQ(probe::Red(s, x, y), inside ? (x - 2) * 10 : 1) << x << "," << y;
    }
  }
  // Rows far above the surface all land on row 0: the last one wins.
  TWin t(3, 4);
  t.FillGradient(0, 0, 0, 90, 0, 0, 3, 128, 0, -9, 2, 0);
  EXPECT_EQ(probe::RowReds(t), (std::vector<int>{90, 0, 0, 0}));
}

TEST(FillGradient, TakesAnyChannelValuesWithoutComplaint) {
  TWin s(5, 2);
  s.FillGradient(300, -1, 2147483647, -2147483647 - 1, 256, 0, 0, 128, kWhole, 0, 0, 0);
  // Column 0 is the start colour's low eight bits.
  EXPECT_EQ(probe::Pixel(s, 0, 0), (std::array<std::uint8_t, 3>{0, 255, 44}));
  EXPECT_TRUE(probe::PaddingIsZero(s));
}

}  // namespace
