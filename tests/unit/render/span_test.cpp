// The surface's layout and its one drawing primitive, PlotSpan.

#include <gtest/gtest.h>

#include <string>

#include "surface_probe.h"

using probe::Points;

namespace {

TEST(Surface, StrideRoundsRowsUpToFourBytes) {
  const std::pair<int, int> cases[] = {{1, 4},  {3, 12},      {4, 12},
                                       {5, 16}, {1366, 4100}, {1920, 5760}};
  for (auto [width, stride] : cases) {
    TWin s(width, 2);
    EXPECT_EQ(s.RowStride(), stride) << "width " << width;
    EXPECT_EQ(StrideFor24Bit(width), stride);
  }
}

TEST(Surface, StartsAllZero) {
  TWin s(13, 9);
  const auto bytes = probe::Snapshot(s);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0), static_cast<long>(bytes.size()));
}

// Built with UBSan too: the extreme sizes must be refused without any
// arithmetic overflowing on the way.
TEST(Surface, RefusesSizesItCannotHold) {
  // clang-format off
  const std::pair<int, int> bad[] = {
      {0, 1},          {1, 0},          {-1, 5},         {5, -2147483647 - 1},
      {2147483647, 1}, {1, 2147483647}, {100000, 100000}, {715827882, 1},
      {2147483647, 2147483647},         {-2147483647 - 1, -2147483647 - 1},
      {1, 536870899}, {715827865, 1},  // one row or pixel more than the largest
  };
  // clang-format on
  for (auto [w, h] : bad) {
    EXPECT_EQ(SurfaceBytes(w, h), 0) << w << " x " << h;
    EXPECT_THROW(TWin(w, h), SurfaceError) << w << " x " << h;
    EXPECT_THROW(CreateWin(w, h), SurfaceError) << w << " x " << h;
  }
}

// huevane-render shows these texts as they are.
TEST(Surface, ItsErrorsNameTheSizeAndWhatIsShort) {
  const auto message = [](auto make) -> std::string {
    try {
      make();
    } catch (const SurfaceError& error) {
      return error.what();
    }
    return "nothing thrown";
  };
  EXPECT_EQ(message([] { TWin(0, 5); }),
            "Cannot make a 0 x 5 picture: width and height must be at least 1 pixel.");
  EXPECT_EQ(message([] { TWin(100000, 100000); }),
            "Cannot make a 100000 x 100000 picture: it would need more than the 2147483593 "
            "bytes of pixels a BMP file can hold.");
  EXPECT_EQ(SurfaceError(SurfaceError::Reason::NoMemory, 1920, 1080, 6220800).what(),
            std::string("Not enough memory for a 1920 x 1080 picture (6220800 bytes)."));
  EXPECT_EQ(
      SurfaceError(SurfaceError::Reason::NoGraphicsResources, 1920, 1080, 6220800).what(),
      std::string("Not enough graphics resources for a 1920 x 1080 picture (6220800 bytes)."));
}

TEST(Surface, BytesAreStrideTimesHeightUpToTheLargestBmp) {
  const struct {
    int width, height;
    std::int64_t bytes;
  } cases[] = {
      {1, 1, 4},
      {1920, 1080, 5760 * 1080},
      {1, 536870898, kMaxSurfaceBytes - 1},  // the tallest one-pixel-wide picture
      {715827864, 1, kMaxSurfaceBytes - 1},  // the widest one-row picture
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SurfaceBytes(c.width, c.height), c.bytes) << c.width << " x " << c.height;
    EXPECT_LE(SurfaceBytes(c.width, c.height), kMaxSurfaceBytes);
  }
}

// Which pixels PlotSpan writes, on a surface that starts all zero.
Points Plotted(int width, int height, int x1, int y1, int x2, int y2) {
  TWin s(width, height);
  const auto before = probe::Snapshot(s);
  s.PlotSpan(x1, y1, x2, y2, 9, 8, 7, 128);
  EXPECT_TRUE(probe::PaddingIsZero(s));
  return probe::Changed(before, s);
}

Points Row(int x1, int x2, int y) {  // a horizontal run, both ends included
  Points p;
  for (int x = x1; x <= x2; ++x) p.insert({x, y});
  return p;
}

Points Join(std::initializer_list<Points> parts) {
  Points all;
  for (const Points& p : parts) all.insert(p.begin(), p.end());
  return all;
}

struct SpanCase {
  const char* name;
  int x1, y1, x2, y2;
  Points expected;
};

TEST(PlotSpan, WritesExactlyTheWorkedPixelSets) {
  // clang-format off
  const SpanCase cases[] = {
      {"single pixel", 3, 2, 3, 2, {{3, 2}}},
      {"row right to left", 6, 1, 1, 1, Row(1, 6, 1)},
      {"row left to right", 1, 1, 6, 1, Row(1, 6, 1)},
      {"column bottom to top", 2, 5, 2, 1, {{2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}}},
      {"shallow", 0, 0, 10, 2, Join({Row(0, 4, 0), Row(5, 9, 1), {{10, 2}}})},
      {"shallow reversed", 10, 2, 0, 0, Join({Row(0, 4, 0), Row(5, 9, 1), {{10, 2}}})},
      {"minor difference 1 never moves", 0, 0, 10, 1, Row(0, 10, 0)},
      {"1 by 1 walks along y", 0, 0, 1, 1, {{0, 0}, {0, 1}}},
      {"diagonal", 0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
      {"steep",
       0, 0, 2, 7,
       {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 4}, {1, 5}, {1, 6}, {2, 7}}},
      {"long shallow", 0, 0, 11, 4,
       Join({Row(0, 2, 0), Row(3, 5, 1), Row(6, 7, 2), Row(8, 10, 3), {{11, 4}}})},
      {"clamped, not cut", -5, -3, 20, 30,
       {{0, 0}, {1, 0}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {6, 4}, {7, 4}, {8, 5}, {9, 5},
        {10, 6}, {11, 7}}},
      {"column at x = width lands on the last column", 12, 0, 12, 7,
       {{11, 0}, {11, 1}, {11, 2}, {11, 3}, {11, 4}, {11, 5}, {11, 6}, {11, 7}}},
      {"row at y = -2 lands on row 0", 0, -2, 11, -2, Row(0, 11, 0)},
      {"extreme coordinates", -2147483647 - 1, 2147483647, 2147483647, -2147483647 - 1,
       {{0, 7}, {1, 7}, {2, 6}, {3, 5}, {4, 5}, {5, 4}, {6, 3}, {7, 3}, {8, 2}, {9, 2},
        {10, 1}, {11, 0}}},
  };
  // clang-format on
  for (const SpanCase& c : cases) {
    EXPECT_EQ(Plotted(12, 8, c.x1, c.y1, c.x2, c.y2), c.expected) << c.name;
  }
}

TEST(PlotSpan, LineWalkIsIndependentOfEndpointOrderAndWritesOnePixelPerMajorStep) {
  // Every slanted span on a small surface, both ways round.
  for (int x1 = 0; x1 < 9; ++x1)
    for (int y1 = 0; y1 < 7; ++y1)
      for (int x2 = 0; x2 < 9; ++x2)
        for (int y2 = 0; y2 < 7; ++y2) {
          if (x1 == x2 || y1 == y2) continue;
          const Points forward = Plotted(9, 7, x1, y1, x2, y2);
          ASSERT_EQ(forward, Plotted(9, 7, x2, y2, x1, y1));
          const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
          const int major = dx > dy ? dx : dy, minor = dx > dy ? dy : dx;
          ASSERT_EQ(forward.size(), static_cast<std::size_t>(major + 1));
          // The start (smaller major coordinate) is always written; the far
          // end too once the minor difference is 2 or more.
          const bool xMajor = dx > dy;
          const probe::Point start =
              (xMajor ? x1 < x2 : y1 < y2) ? probe::Point{x1, y1} : probe::Point{x2, y2};
          const probe::Point end =
              start == probe::Point{x1, y1} ? probe::Point{x2, y2} : probe::Point{x1, y1};
          ASSERT_TRUE(forward.count(start));
          if (minor >= 2) {
            ASSERT_TRUE(forward.count(end)) << x1 << "," << y1 << " " << x2 << "," << y2;
          }
        }
}

TEST(PlotSpan, StoresBlueGreenRedAndKeepsTheLowEightBits) {
  TWin s(4, 3);
  s.PlotSpan(1, 1, 1, 1, 300, 256, -1, 128);
  EXPECT_EQ(probe::Pixel(s, 1, 1), (std::array<std::uint8_t, 3>{255, 0, 44}));
  s.PlotSpan(0, 2, 3, 2, 10, 20, 30, 128);
  EXPECT_EQ(probe::Pixel(s, 3, 2), (std::array<std::uint8_t, 3>{30, 20, 10}));
}

TEST(PlotSpan, WeightsBlendKeepOrReplace) {
  struct Case {
    int weight;
    std::array<std::uint8_t, 3> pixel;  // blue, green, red
  } cases[] = {
      {64, {177, 50, 150}}, {0, {100, 100, 100}}, {200, {255, 0, 200}},
      {-3, {255, 0, 200}},  {128, {255, 0, 200}}, {1, {101, 99, 100}},
  };
  for (const Case& c : cases) {
    TWin s(5, 4);
    probe::Paint(s, 100);
    s.PlotSpan(0, 0, 4, 3, 200, 0, 255, c.weight);  // slanted: every shape blends alike
    s.PlotSpan(2, 0, 2, 3, 200, 0, 255, c.weight);
    s.PlotSpan(0, 3, 4, 3, 200, 0, 255, c.weight);
    EXPECT_EQ(probe::Pixel(s, 0, 0), c.pixel) << "weight " << c.weight;
    EXPECT_EQ(probe::Pixel(s, 2, 0), c.pixel) << "weight " << c.weight;
    EXPECT_EQ(probe::Pixel(s, 1, 3), c.pixel) << "weight " << c.weight;
    EXPECT_EQ(probe::Pixel(s, 1, 1), (std::array<std::uint8_t, 3>{100, 100, 100}));
    EXPECT_TRUE(probe::PaddingIsZero(s));
  }
}

TEST(BlendChannel, RoundsDownAndClampsOnlyWhenAsked) {
  struct Case {
    int old, fresh, weight, clamp, result;
  } cases[] = {
      {100, 200, 64, 0, 150}, {100, 0, 64, 0, 50},   {100, 255, 64, 0, 177},
      {100, 255, 1, 0, 101},  {100, 0, 127, 0, 0},   {100, 300, 64, 1, 177},
      {100, -50, 64, 1, 50},  {10, 20, 129, 0, 20},  {10, 20, -1, 0, 20},
      {10, 20, 0, 0, 10},     {10, 20, 128, 0, 20},  {10, 300, 200, 1, 255},
      {255, 255, 77, 0, 255}, {0, 255, 127, 0, 253}, {255, 0, 1, 0, 253},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BlendChannel(c.old, c.fresh, c.weight, c.clamp), c.result)
        << c.old << ", " << c.fresh << ", " << c.weight << ", " << c.clamp;
  }
}

}  // namespace
