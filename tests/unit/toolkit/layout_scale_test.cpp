// Layouts on displays of other pixel densities: positions and sizes follow
// the font's text height, everything else stays as designed.

#include <gtest/gtest.h>

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
      {{13, 13}, 257, 257},  {{13, 13}, -7, -7},    {{26, 13}, 17, 34},  {{26, 13}, 129, 258},
      {{16, 13}, 17, 21},    // 20.92
      {{16, 13}, 16, 20},    // 19.69
      {{16, 13}, 129, 159},  // 158.77
      {{16, 13}, 257, 316},  // 316.3
      {{20, 13}, 13, 20},    {{20, 13}, 1, 2},  // 1.54
      {{19, 13}, 13, 19},    {{39, 26}, 1, 2},  // exactly 1.5: away from zero
      {{39, 26}, -1, -2},    {{16, 13}, -17, -21}, {{16, 13}, 0, 0},
      {{10, 13}, 257, 198},  // a smaller font shrinks the layout: 197.69
  };
  for (const ScaleCase& c : cases) {
    EXPECT_EQ(c.scale(c.design), c.expected)
        << c.design << " at " << c.scale.textHeight << "/" << c.scale.designTextHeight;
  }
}

TEST(LayoutScale, TheDefaultIsTheIdentity) {
  const LayoutScale scale;
  EXPECT_TRUE(scale.Identity());
  EXPECT_EQ(scale(2147483647), 2147483647);
  EXPECT_EQ(scale(-2147483647 - 1), -2147483647 - 1);
}

TEST(LayoutScale, OnlyPositionsAndSizesAreGeometry) {
  for (const wchar_t* name : {L"Left", L"Top", L"Width", L"Height"}) {
    EXPECT_TRUE(toolkit::IsGeometryProperty(name)) << std::wstring(name).size();
  }
  for (const wchar_t* name : {L"Max", L"Min", L"Position", L"TabOrder", L"SmallChange",
                              L"LargeChange", L"left", L"Hint", L""}) {
    EXPECT_FALSE(toolkit::IsGeometryProperty(name));
  }
}

class Sink : public Component {
 public:
  using Component::Component;
  void SetDesignValue(std::wstring_view property, const DesignValue& value) override {
    seen.emplace_back(std::string(property.begin(), property.end()), value);
  }
  std::vector<std::pair<std::string, DesignValue>> seen;
};

std::vector<ComponentDesign> OneBar() {
  return {{L"ScrollBar1",
           [](Component& owner) { return std::make_unique<Sink>(&owner); },
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
      {"Left", 32},      {"Top", 0},          {"Width", 34},
      {"Height", 514},   {"Max", 255},        {"Position", 255},
      {"TabOrder", 1},   {"Hint", std::wstring(L"Green Start")}, {"ShowHint", true}};
  EXPECT_EQ(sink->seen, expected);
}

TEST(LayoutScale, ApplyLayoutWithoutAScaleKeepsTheDesign) {
  Component owner(nullptr);
  const auto design = OneBar();
  toolkit::ApplyLayout(owner, design);
  auto* sink = dynamic_cast<Sink*>(owner.FindComponent(L"ScrollBar1"));
  ASSERT_NE(sink, nullptr);
  ASSERT_EQ(sink->seen.size(), design[0].values.size());
  for (std::size_t i = 0; i < sink->seen.size(); ++i) {
    EXPECT_EQ(sink->seen[i].second, design[0].values[i].value) << sink->seen[i].first;
  }
}

}  // namespace
