// What a fill costs before it is made: the pixel writes of every walked
// line, and the budget a rectangle must keep to.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "render/gradient.h"

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

const FillRect kWhole{-1, -2, -3, -4};

struct WorkCase {
  const char* what;
  std::int32_t width, height, style;
  FillRect rect;
  std::uint64_t work;
};

TEST(FillWork, CountsClampedPixelsOfEveryWalkedLine) {
  const std::uint64_t big = static_cast<std::uint64_t>(kMax);
  const std::vector<WorkCase> cases = {
      // Whole surface 8 x 4: columns 0..8, rows 0..4, centres 8/2 and 4/2.
      {"style 0 whole", 8, 4, 0, kWhole, 9 * 4},
      {"style 1 whole", 8, 4, 1, kWhole, 9 * 4},
      {"style 2 whole", 8, 4, 2, kWhole, 5 * 2 * 4},
      {"style 3 whole", 8, 4, 3, kWhole, 5 * 8},
      {"style 4 whole", 8, 4, 4, kWhole, 5 * 8},
      {"style 5 whole", 8, 4, 5, kWhole, 3 * 2 * 8},
      {"any negative left is the whole surface", 8, 4, 0, {kMin, kMax, kMax, kMax}, 9 * 4},
      // Styles that draw nothing.
      {"style 6", 8, 4, 6, {0, kMin, kMax, kMax}, 0},
      {"style -1", 8, 4, -1, {0, kMin, kMax, kMax}, 0},
      {"style min", 8, 4, kMin, kWhole, 0},
      {"style max", 8, 4, kMax, kWhole, 0},
      // Empty ranges.
      {"right before left", 8, 4, 0, {5, 0, 4, 3}, 0},
      {"bottom before top", 8, 4, 3, {0, 5, 7, 4}, 0},
      {"style 2 centre before left", 1000, 4, 2, {100, 0, 150, 3}, 0},
      {"style 2 negative right", 8, 4, 2, {0, 0, -7, 3}, 0},
      {"style 0 right min", 8, 4, 0, {kMax, 0, kMin, 0}, 0},
      // Spans are clamped onto the surface, endpoints in either order.
      {"column clamped to the height", 8, 4, 0, {0, -100, 0, 100}, 4},
      {"column inside the surface", 8, 4, 0, {0, 1, 0, 2}, 2},
      {"column bottom above top", 8, 4, 0, {0, 3, 2, 1}, 3 * 3},
      {"column wholly below the surface", 8, 4, 0, {0, 50, 2, 60}, 3 * 1},
      {"row clamped to the width", 8, 4, 3, {0, 1, 100, 2}, 2 * 8},
      {"lines past the surface still cost", 8, 4, 0, {100, 0, 199, 3}, 100 * 4},
      // Mirrored centre halves toward zero: rows -10..-3, not -10..-4.
      {"style 5 negative centre truncates", 8, 4, 5, {0, -10, 7, -7}, 8 * 2 * 8},
      {"style 5 odd bottom", 8, 4, 5, {0, 0, 7, 9}, 5 * 2 * 8},
      // Extremes: nothing wraps.
      {"one column at max", 8, 4, 0, {kMax, 0, kMax, 0}, 1},
      {"columns 0..max", 8, 4, 0, {0, 0, kMax, kMax}, (big + 1) * 4},
      {"style 2 columns 0..max/2", 8, 4, 2, {0, 0, kMax, kMax}, (big / 2 + 1) * 2 * 4},
      {"rows min..max", 8, 4, 3, {0, kMin, kMax, kMax}, (std::uint64_t{1} << 32) * 8},
      {"style 5 rows min..max/2",
       8,
       4,
       5,
       {0, kMin, kMax, kMax},
       (big / 2 + 1 + (std::uint64_t{1} << 31)) * 2 * 8},
      {"rows min..max on the widest surface",
       kMax,
       kMax,
       3,
       {0, kMin, kMax, kMax},
       (std::uint64_t{1} << 32) * big},
      {"style 5 on the widest surface",
       kMax,
       kMax,
       5,
       {0, kMin, kMax, kMax},
       (big / 2 + 1 + (std::uint64_t{1} << 31)) * 2 * big},
      {"columns on the tallest surface", kMax, kMax, 1, {0, kMin, kMax, kMax}, (big + 1) * big},
      // Sizes below 1 count as 1.
      {"zero size", 0, 0, 0, kWhole, 2 * 1},
      {"negative size", kMin, -5, 3, kWhole, 2 * 1},
  };
  for (const WorkCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FillWork(c.width, c.height, c.style, c.rect), c.work);
  }
}

TEST(FillBudget, TheWholeSurfaceAlwaysKeepsToIt) {
  const std::vector<std::pair<std::int32_t, std::int32_t>> sizes = {
      {1, 1},       {1, 2},
      {2, 1},       {7, 1},
      {1, 7},       {1920, 1080},
      {kMax, 1},    {1, kMax},
      {kMax, kMax}, {(1 << 30) + 1, kMax}};  // 8 x its area just past 2^64
  for (const auto& [w, h] : sizes) {
    for (std::int32_t style = -1; style <= 6; ++style) {
      SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " style " + std::to_string(style));
      EXPECT_LE(FillWork(w, h, style, kWhole), FillBudget(w, h));
    }
  }
}

struct BoundaryCase {
  const char* what;
  std::int32_t width, height, style;
  FillRect atLimit;    // work == budget
  FillRect pastLimit;  // the next larger rectangle
};

TEST(FillBudget, OneLineMoreThanTheBudgetGoesPastIt) {
  // 1x1: budget 16777224; 4x4: budget 16777344; 1024x2048: 33554432.
  const std::vector<BoundaryCase> cases = {
      {"columns on 1x1", 1, 1, 0, {0, 0, 16777223, 0}, {0, 0, 16777224, 0}},
      {"whole columns on 1024x2048", 1024, 2048, 0, {0, 0, 16383, 2047}, {0, 0, 16384, 2047}},
      {"rows of 4 pixels on 4x4", 4, 4, 3, {0, 0, 3, 4194335}, {0, 0, 3, 4194336}},
      {"rows from below zero", 4, 4, 4, {0, -4194336, 3, -1}, {0, -4194337, 3, -1}},
      {"mirrored columns on 1x1", 1, 1, 2, {0, 0, 16777223, 0}, {0, 0, 16777224, 0}},
      {"mirrored rows on 4x4", 4, 4, 5, {0, 0, 3, 4194335}, {0, 0, 3, 4194336}},
  };
  for (const BoundaryCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FillWork(c.width, c.height, c.style, c.atLimit), FillBudget(c.width, c.height));
    EXPECT_GT(FillWork(c.width, c.height, c.style, c.pastLimit), FillBudget(c.width, c.height));
  }
}

}  // namespace
