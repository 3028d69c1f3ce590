// Layouts on displays of other pixel densities: positions and sizes follow
// the font's text height, sizes by their edges, everything else stays as
// designed.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "toolkit/layout.h"

namespace {

using toolkit::Component;
using toolkit::ComponentDesign;
using toolkit::DesignValue;
using toolkit::LayoutScale;

struct ScaleCase {
  LayoutScale scale;
  std::int32_t design;
  std::int32_t expected;
};

TEST(LayoutScale, RoundsToTheNearestPixelWithHalvesAwayFromZero) {
  const ScaleCase cases[] = {
      {{13, 13}, 257, 257}, {{13, 13}, -7, -7},   {{26, 13}, 17, 34},
      {{26, 13}, 129, 258}, {{16, 13}, 17, 21},  // 20.92
      {{16, 13}, 16, 20},                        // 19.69
      {{16, 13}, 129, 159},                      // 158.77
      {{16, 13}, 257, 316},                      // 316.3
      {{20, 13}, 13, 20},   {{20, 13}, 1, 2},    // 1.54
      {{19, 13}, 13, 19},   {{39, 26}, 1, 2},    // exactly 1.5: away from zero
      {{39, 26}, -1, -2},   {{16, 13}, -17, -21}, {{16, 13}, 0, 0},
      {{10, 13}, 257, 198},  // a smaller font shrinks the layout: 197.69
  };
  for (const ScaleCase& c : cases) {
    EXPECT_EQ(c.scale(c.design), c.expected)
        << c.design << " at " << c.scale.textHeight << "/" << c.scale.designTextHeight;
  }
}

class Sink : public Component {
 public:
  using Component::Component;
  void SetDesignValue(std::wstring_view property, const DesignValue& value) override {
    seen.emplace_back(std::string(property.begin(), property.end()), value);
  }
  std::vector<std::pair<std::string, DesignValue>> seen;
  toolkit::Place place;  // where its maker was told it stands
};

std::unique_ptr<Component> MakeSink(Component& owner, const toolkit::Place& place) {
  auto sink = std::make_unique<Sink>(&owner);
  sink->place = place;
  return sink;
}

std::vector<ComponentDesign> OneBar() {
  return {{L"ScrollBar1",
           MakeSink,
           {{L"Left", 16},
            {L"Top", 0},
            {L"Width", 17},
            {L"Height", 257},
            {L"Max", 255},
            {L"Position", 255},
            {L"TabOrder", 1},
            {L"Hint", std::wstring(L"Green Start")},
            {L"ShowHint", true}},
           {}}};
}

TEST(LayoutScale, ApplyLayoutScalesGeometryAndNothingElse) {
  Component owner(nullptr);
  const auto design = OneBar();
  toolkit::ApplyLayout(owner, design, LayoutScale{26, 13});
  auto* sink = dynamic_cast<Sink*>(owner.FindComponent(L"ScrollBar1"));
  ASSERT_NE(sink, nullptr);
  const std::vector<std::pair<std::string, DesignValue>> expected = {
      {"Left", 32},      {"Top", 0},        {"Width", 34},   {"Height", 514},
      {"Max", 255},      {"Position", 255}, {"TabOrder", 1}, {"Hint", std::wstring(L"Green Start")},
      {"ShowHint", true}};
  EXPECT_EQ(sink->seen, expected);
  EXPECT_EQ(std::vector<std::int32_t>(
                {sink->place.left, sink->place.top, sink->place.width, sink->place.height}),
            std::vector<std::int32_t>({32, 0, 34, 514}));
}

// A bar of the main window as designed: left, width; all start at the top
// and are 257 high. Each overlaps its left neighbour by one pixel, and
// together they fill the 129 x 257 client area.
struct DesignedBar {
  std::int32_t left, width;
};
constexpr DesignedBar kMainWindowBars[] = {{0, 17},  {16, 17}, {32, 17}, {48, 33},
                                           {80, 17}, {96, 17}, {112, 17}};
constexpr std::int32_t kClientWidth = 129, kClientHeight = 257;

std::int32_t Number(const Sink& sink, const char* property) {
  for (const auto& [name, value] : sink.seen) {
    if (name == property) return std::get<std::int32_t>(value);
  }
  ADD_FAILURE() << "no " << property;
  return 0;
}

TEST(LayoutScale, TheBarsCoverTheClientAreaAndKeepTheirNeighboursEdgesAtEveryTextHeight) {
  // Every text height from the design's to well past 300 pixels per inch:
  // rounding each width on its own left the last column bare at 17 and 30
  // and let neighbours overlap by anything from 0 to 3 pixels.
  for (std::int32_t textHeight = 13; textHeight <= 31; ++textHeight) {
    SCOPED_TRACE(::testing::Message() << "text height " << textHeight);
    const LayoutScale scale{textHeight, 13};
    std::vector<ComponentDesign> design;
    for (const DesignedBar& bar : kMainWindowBars) {
      design.push_back(
          {L"ScrollBar" + std::to_wstring(design.size() + 1),
           MakeSink,
           {{L"Left", bar.left}, {L"Top", 0}, {L"Width", bar.width}, {L"Height", kClientHeight}},
           {}});
    }
    Component owner(nullptr);
    toolkit::ApplyLayout(owner, design, scale);
    const std::int32_t clientWidth = scale(kClientWidth), clientHeight = scale(kClientHeight);
    std::vector<int> covering(static_cast<std::size_t>(clientWidth), 0);
    std::int32_t previousRight = 0;
    for (std::size_t i = 0; i < design.size(); ++i) {
      const auto& sink = dynamic_cast<const Sink&>(*owner.FindComponent(design[i].name));
      const std::int32_t left = Number(sink, "Left"), width = Number(sink, "Width");
      const DesignedBar bar = kMainWindowBars[i];
      // Both edges where the design's edges land on this display.
      EXPECT_EQ(left, scale(bar.left)) << "bar " << i;
      EXPECT_EQ(left + width, scale(bar.left + bar.width)) << "bar " << i;
      EXPECT_EQ(Number(sink, "Top"), 0);
      EXPECT_EQ(Number(sink, "Height"), clientHeight) << "bar " << i;
      // Neighbours still overlap: no gap opens between them.
      if (i > 0) {
        EXPECT_LT(left, previousRight) << "gap left of bar " << i;
      }
      previousRight = left + width;
      for (std::int32_t x = std::max(left, 0); x < std::min(left + width, clientWidth); ++x) {
        ++covering[static_cast<std::size_t>(x)];
      }
    }
    EXPECT_EQ(previousRight, clientWidth) << "the last bar ends at the client area's edge";
    for (std::int32_t x = 0; x < clientWidth; ++x) {
      EXPECT_GE(covering[static_cast<std::size_t>(x)], 1)
          << "column " << x << " of " << clientWidth << " is bare";
    }
  }
}

}  // namespace
