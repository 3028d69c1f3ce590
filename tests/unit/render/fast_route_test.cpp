// The whole-surface opaque fill takes a shortcut; it must give exactly the
// bytes of the line-by-line walk.

#include <gtest/gtest.h>

#include <random>

#include "surface_probe.h"

namespace {

void ExpectSameAsReference(int width, int height, int style, const int (&c)[6], int weight,
                           std::uint8_t background) {
  TWin fast(width, height), reference(width, height);
  probe::Paint(fast, background);
  probe::Paint(reference, background);
  fast.FillGradient(c[0], c[1], c[2], c[3], c[4], c[5], style, weight, -1, -2, -3, -4);
  reference.FillGradientByLines(c[0], c[1], c[2], c[3], c[4], c[5], style, weight, -1, -2, -3, -4);
  ASSERT_EQ(probe::Snapshot(fast), probe::Snapshot(reference))
      << width << " x " << height << " style " << style << " weight " << weight << " colours "
      << c[0] << "," << c[1] << "," << c[2] << " -> " << c[3] << "," << c[4] << "," << c[5];
  ASSERT_TRUE(probe::PaddingIsZero(fast));
}

TEST(FastRoute, MatchesTheLineWalkOnEverySmallSize) {
  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> channel(0, 255);
  for (int width = 1; width <= 24; ++width) {
    for (int height = 1; height <= 9; ++height) {
      for (int style = 0; style <= 5; ++style) {
        int colours[6];
        for (int& v : colours) v = channel(random);
        ExpectSameAsReference(width, height, style, colours, 128, 0xA5);
      }
    }
  }
}

TEST(FastRoute, MatchesTheLineWalkOnScreenSizes) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> channel(0, 255);
  const std::pair<int, int> sizes[] = {{1366, 7}, {1920, 5}, {7, 1080}, {3, 2160},
                                       {1023, 3}, {1024, 4}, {801, 601}};
  for (auto [width, height] : sizes) {
    for (int style = 0; style <= 5; ++style) {
      int colours[6];
      for (int& v : colours) v = channel(random);
      ExpectSameAsReference(width, height, style, colours, 128, 0);
    }
  }
}

TEST(FastRoute, ReplacingWeightsAndWildChannelsAgreeToo) {
  const int wild[6] = {-7, 300, 2147483647, 1000000, -2147483647 - 1, 129};
  const int grey[6] = {5, 5, 5, 5, 5, 5};  // no change at all along the walk
  for (int weight : {128, 129, 1000, -1, -2147483647 - 1}) {
    for (int style = 0; style <= 5; ++style) {
      ExpectSameAsReference(13, 11, style, wild, weight, 0x3C);
      ExpectSameAsReference(4, 6, style, grey, weight, 0x3C);
    }
  }
}

}  // namespace
