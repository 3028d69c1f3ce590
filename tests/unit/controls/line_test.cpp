// The line control against a recording canvas device and a recording host:
// the exact points it draws, with which pen and brush, in which order, and
// which property writes ask for a repaint.

#include <gtest/gtest.h>

#include <cfenv>
#include <climits>
#include <cwchar>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "controls/line.h"
#include "toolkit/layout.h"

namespace {

using controls::LineShape;
using controls::ShapeOfLine;
using controls::TArrowhead;
using controls::TLine;
using controls::TLineDirection;
using toolkit::Point;
using toolkit::Rect;
using toolkit::TColor;

constexpr TColor kRed = 0x0000FF;
constexpr TColor kGreen = 0x00FF00;

// One drawing operation and the pen and brush it was drawn with.
struct Op {
  std::string what;
  std::vector<Point> points;
  TColor pen = 0;
  std::int32_t penWidth = 0;
  TColor brush = 0;  // only for polygons
  bool operator==(const Op&) const = default;
};

void PrintTo(const Op& op, std::ostream* os) {
  *os << op.what << "(";
  for (const Point& p : op.points) *os << "(" << p.x << "," << p.y << ")";
  *os << std::hex << ") pen 0x" << op.pen << std::dec << " width " << op.penWidth << std::hex
      << " brush 0x" << op.brush << std::dec;
}

class RecordingDevice : public toolkit::CanvasDevice {
 public:
  std::vector<Op> ops;

  void SetPen(TColor color, std::int32_t width) override {
    pen_ = color;
    penWidth_ = width;
  }
  void SetBrush(TColor color) override { brush_ = color; }
  void MoveTo(Point p) override { ops.push_back({"MoveTo", {p}}); }
  void LineTo(Point p) override { ops.push_back({"LineTo", {p}, pen_, penWidth_}); }
  void Polygon(std::span<const Point> points) override {
    ops.push_back({"Polygon", {points.begin(), points.end()}, pen_, penWidth_, brush_});
  }

 private:
  // Deliberately unlike anything the control sets, so a missing SetPen or
  // SetBrush shows.
  TColor pen_ = 0xDEAD;
  std::int32_t penWidth_ = -99;
  TColor brush_ = 0xBEEF;
};

class RecordingHost : public toolkit::GraphicHost {
 public:
  std::vector<Rect> invalidated;
  int added = 0;
  int removed = 0;
  void AddGraphic(toolkit::TGraphicControl&) override { ++added; }
  void RemoveGraphic(toolkit::TGraphicControl&) override { ++removed; }
  void InvalidateArea(const Rect& area) override { invalidated.push_back(area); }
};

std::vector<Op> PaintOps(TLine& line) {
  RecordingDevice device;
  line.Canvas().Attach(&device);
  line.Paint();
  line.Canvas().Attach(nullptr);
  return device.ops;
}

// What the control must draw: the line, then each arrowhead given.
std::vector<Op> Drawing(Point from, Point to, TColor pen, std::int32_t width, TColor brush,
                        std::vector<TArrowhead> arrowheads = {}) {
  std::vector<Op> ops{{"MoveTo", {from}}, {"LineTo", {to}, pen, width}};
  for (const TArrowhead& a : arrowheads) {
    ops.push_back({"Polygon", {a.begin(), a.end()}, pen, width, brush});
  }
  return ops;
}

TEST(LineControl, StartsAs65By4BlackLeftToRightLineWithoutArrowheads) {
  RecordingHost host;
  auto owned = std::make_unique<TLine>(nullptr, &host);
  TLine& line = *owned;
  EXPECT_EQ(host.added, 1);
  EXPECT_EQ(line.Width(), 65);
  EXPECT_EQ(line.Height(), 4);
  EXPECT_EQ(line.Direction(), controls::drLeftRight);
  EXPECT_EQ(line.LineColor(), 0x000000u);   // black, whatever the toolkit names it
  EXPECT_EQ(line.ArrowColor(), 0x000000u);  // the base's brush would be white
  EXPECT_EQ(line.LineWidth(), 1);
  EXPECT_FALSE(line.Arrow1());
  EXPECT_FALSE(line.Arrow2());
  EXPECT_EQ(line.ArrowFactor(), 3);
  EXPECT_EQ(PaintOps(line), Drawing({0, 1}, {65, 1}, toolkit::clBlack, 1, 0));

  line.SetArrow1(true);
  line.SetArrow2(true);
  EXPECT_EQ(PaintOps(line), Drawing({0, 1}, {65, 1}, toolkit::clBlack, 1, toolkit::clBlack,
                                    {{{{0, 1}, {3, -2}, {3, 4}}}, {{{64, 1}, {61, -2}, {61, 4}}}}));
  owned.reset();
  EXPECT_EQ(host.removed, 1);
}

struct WorkedCase {
  const char* name;
  std::int32_t width, height;
  TLineDirection direction;
  Point from, to;
  TArrowhead start, end;
};

// ArrowFactor 3, line width 1.
// clang-format off
const WorkedCase kWorked[] = {
    {"LeftRight65x41", 65, 41, controls::drLeftRight, {0, 20}, {65, 20},
     {{{0, 20}, {3, 17}, {3, 23}}}, {{{64, 20}, {61, 17}, {61, 23}}}},
    {"UpDown41x65", 41, 65, controls::drUpDown, {20, 0}, {20, 65},
     {{{20, 0}, {17, 3}, {23, 3}}}, {{{20, 64}, {17, 61}, {23, 61}}}},
    {"TopLeftBottomRight65x41", 65, 41, controls::drTopLeftBottomRight, {0, 0}, {65, 41},
     {{{0, 0}, {5, 0}, {1, 5}}}, {{{64, 40}, {63, 35}, {59, 40}}}},
    {"TopRightBottomLeft65x41", 65, 41, controls::drTopRightBottomLeft, {65, 0}, {0, 41},
     {{{64, 0}, {59, 0}, {63, 5}}}, {{{0, 40}, {1, 35}, {5, 40}}}},
    {"TopLeftBottomRight40x40", 40, 40, controls::drTopLeftBottomRight, {0, 0}, {40, 40},
     {{{0, 0}, {5, 1}, {1, 5}}}, {{{39, 39}, {38, 34}, {34, 38}}}},
};
// clang-format on

TEST(LineControl, DrawsTheWorkedValuesWithEitherOrBothArrowheads) {
  for (const WorkedCase& c : kWorked) {
    for (int arrows = 0; arrows < 4; ++arrows) {
      const bool arrow1 = (arrows & 1) != 0;
      const bool arrow2 = (arrows & 2) != 0;
      SCOPED_TRACE(std::string(c.name) + " arrows " + std::to_string(arrows));
      TLine line(nullptr, nullptr);
      line.SetBounds(7, 9, c.width, c.height);  // the position must not matter
      line.SetDirection(c.direction);
      line.SetLineColor(kRed);
      line.SetArrowColor(kGreen);
      line.SetArrow1(arrow1);
      line.SetArrow2(arrow2);
      std::vector<TArrowhead> arrowheads;
      if (arrow1) arrowheads.push_back(c.start);
      if (arrow2) arrowheads.push_back(c.end);
      EXPECT_EQ(PaintOps(line), Drawing(c.from, c.to, kRed, 1, kGreen, arrowheads));
    }
  }
}

struct ShapeCase {
  const char* name;
  std::int32_t width, height;
  std::uint8_t direction;
  std::int32_t lineWidth, factor;
  Point from, to;
  std::vector<TArrowhead> arrowheads;  // both switched on
};

// clang-format off
const ShapeCase kShapes[] = {
    {"WideLineMovesUpByHalfItsWidth", 65, 41, controls::drLeftRight, 3, 3, {0, 19}, {65, 19},
     {{{{0, 19}, {3, 16}, {3, 22}}}, {{{64, 19}, {61, 16}, {61, 22}}}}},
    {"WideVerticalLineMovesLeft", 41, 65, controls::drUpDown, 4, 3, {18, 0}, {18, 65},
     {{{{18, 0}, {15, 3}, {21, 3}}}, {{{18, 64}, {15, 61}, {21, 61}}}}},
    {"ZeroWidthCentresLikeWidthOne", 65, 41, controls::drLeftRight, 0, 3, {0, 20}, {65, 20},
     {{{{0, 20}, {3, 17}, {3, 23}}}, {{{64, 20}, {61, 17}, {61, 23}}}}},
    {"ShortControlArrowheadsReachBeyondBothEdges", 65, 4, controls::drLeftRight, 1, 3, {0, 1},
     {65, 1}, {{{{0, 1}, {3, -2}, {3, 4}}}, {{{64, 1}, {61, -2}, {61, 4}}}}},
    {"FactorZeroAxisArrowheadIsItsTip", 65, 41, controls::drLeftRight, 1, 0, {0, 20}, {65, 20},
     {{{{0, 20}, {0, 20}, {0, 20}}}, {{{64, 20}, {64, 20}, {64, 20}}}}},
    {"FactorZeroVerticalArrowheadIsItsTip", 41, 65, controls::drUpDown, 1, 0, {20, 0}, {20, 65},
     {{{{20, 0}, {20, 0}, {20, 0}}}, {{{20, 64}, {20, 64}, {20, 64}}}}},
    // c = R(cos θ) = 1, s = R(sin θ) = 1.
    {"FactorZeroDiagonalLeavesASliver", 65, 41, controls::drTopLeftBottomRight, 1, 0, {0, 0},
     {65, 41}, {{{{0, 0}, {1, 1}, {1, 1}}}, {{{64, 40}, {63, 39}, {63, 39}}}}},
    // Steep: s = 4, c = 0; B would lie at x -3 and is pulled onto the edge.
    {"SteepDiagonalPullsCornerBOntoTheEdge", 10, 100, controls::drTopLeftBottomRight, 1, 3,
     {0, 0}, {10, 100}, {{{{0, 0}, {3, 4}, {0, 4}}}, {{{9, 99}, {9, 95}, {6, 95}}}}},
    // Flat: s = 0, c = 4; A would lie at y -3.
    {"FlatDiagonalPullsCornerAOntoTheEdge", 100, 10, controls::drTopRightBottomLeft, 1, 3,
     {100, 0}, {0, 10}, {{{{99, 0}, {95, 0}, {95, 3}}}, {{{0, 9}, {4, 6}, {4, 9}}}}},
    // θ = 0: c = F + 1 exactly, and cos(π/2) is not quite 0 in any precision.
    {"ZeroHeightDiagonal", 65, 0, controls::drTopLeftBottomRight, 1, 3, {0, 0}, {65, 0},
     {{{{0, 0}, {4, 0}, {4, 3}}}, {{{64, -1}, {60, -4}, {60, -1}}}}},
    {"ZeroWidthDiagonalHasNoArrowheads", 0, 41, controls::drTopLeftBottomRight, 1, 3, {0, 0},
     {0, 41}, {}},
    {"NegativeWidthDiagonalHasNoArrowheads", -5, 41, controls::drTopRightBottomLeft, 1, 3,
     {-5, 0}, {0, 41}, {}},
    // Corners beyond 32 bits stay on their side of the control.
    {"HugeFactorSaturates", 65, 41, controls::drLeftRight, 1, INT_MAX, {0, 20}, {65, 20},
     {{{{0, 20}, {INT_MAX, -2147483627}, {INT_MAX, INT_MAX}}},
      {{{64, 20}, {-2147483583, -2147483627}, {-2147483583, INT_MAX}}}}},
    {"MostNegativeFactorSaturates", 41, 65, controls::drUpDown, 1, INT_MIN, {20, 0}, {20, 65},
     {{{{20, 0}, {INT_MAX, INT_MIN}, {-2147483628, INT_MIN}}},
      {{{20, 64}, {INT_MAX, INT_MAX}, {-2147483628, INT_MAX}}}}},
    {"ExtremeSizes", INT_MAX, INT_MIN, controls::drLeftRight, INT_MAX, 3, {0, -2147483647},
     {INT_MAX, -2147483647},
     {{{{0, -2147483647}, {3, INT_MIN}, {3, -2147483644}}},
      {{{2147483646, -2147483647}, {2147483643, INT_MIN}, {2147483643, -2147483644}}}}},
};
// clang-format on

TEST(LineShape, EdgeCasesDrawExactlyThesePoints) {
  for (const ShapeCase& c : kShapes) {
    SCOPED_TRACE(c.name);
    const LineShape shape =
        ShapeOfLine(c.width, c.height, c.direction, c.lineWidth, true, true, c.factor);
    EXPECT_TRUE(shape.drawn);
    EXPECT_EQ(shape.start, c.from);
    EXPECT_EQ(shape.end, c.to);
    EXPECT_EQ(std::vector<TArrowhead>(shape.Arrowheads().begin(), shape.Arrowheads().end()),
              c.arrowheads);
  }
}

TEST(LineShape, HugeFactorOnADiagonalKeepsTheFarCornersOnTheirSide) {
  // The corners' exact values depend on the last bits of sin and cos; their
  // saturation and the raise to 0 do not.
  const LineShape shape =
      ShapeOfLine(65, 41, controls::drTopLeftBottomRight, 1, true, true, INT_MAX);
  ASSERT_EQ(shape.arrowheadCount, 2u);
  const TArrowhead& start = shape.arrowheads[0];
  const TArrowhead& end = shape.arrowheads[1];
  EXPECT_EQ(start[0], (Point{0, 0}));
  EXPECT_EQ(start[1], (Point{INT_MAX, 0}));  // A: beyond 32 bits across, raised to 0 down
  EXPECT_EQ(start[2].y, INT_MAX);
  EXPECT_EQ(end[0], (Point{64, 40}));
  EXPECT_EQ(end[2], (Point{INT_MIN, 40}));  // A mirrored
  EXPECT_EQ(end[1].y, INT_MIN);
  EXPECT_EQ(end[1].x, 64 - start[2].x);
}

TEST(LineShape, DirectionsBeyondTheFourDrawNothing) {
  for (int direction : {4, 5, 128, 255}) {
    SCOPED_TRACE(direction);
    const LineShape shape =
        ShapeOfLine(65, 41, static_cast<std::uint8_t>(direction), 1, true, true, 3);
    EXPECT_FALSE(shape.drawn);
    EXPECT_EQ(shape.arrowheadCount, 0u);
    TLine line(nullptr, nullptr);
    line.SetArrow1(true);
    line.SetDirection(static_cast<TLineDirection>(direction));
    EXPECT_TRUE(PaintOps(line).empty());
  }
}

TEST(LineShape, AnyInputsRaiseNoFloatingPointErrorAndDiagonalsNeedAWidth) {
  const std::int32_t sizes[] = {INT_MIN, -41, -1, 0, 1, 41, 65, INT_MAX};
  const std::int32_t factors[] = {INT_MIN, -7, -1, 0, 3, INT_MAX};
  const std::int32_t lineWidths[] = {INT_MIN, -1, 0, 1, INT_MAX};
  for (std::uint8_t direction = 0; direction <= 4; ++direction) {
    for (std::int32_t width : sizes) {
      for (std::int32_t height : sizes) {
        for (std::int32_t factor : factors) {
          for (std::int32_t lineWidth : lineWidths) {
            std::feclearexcept(FE_ALL_EXCEPT);
            const LineShape shape =
                ShapeOfLine(width, height, direction, lineWidth, true, true, factor);
            const int raised = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
            ASSERT_EQ(raised, 0) << int(direction) << " " << width << "x" << height << " F "
                                 << factor << " width " << lineWidth;
            const bool diagonal = direction == controls::drTopLeftBottomRight ||
                                  direction == controls::drTopRightBottomLeft;
            std::size_t expected = direction > 3 ? 0 : 2;
            if (diagonal && width <= 0) expected = 0;
            ASSERT_EQ(shape.arrowheadCount, expected);
            if (direction == controls::drTopLeftBottomRight && width > 0) {
              // Unmirrored, so the raise to 0 shows directly.
              for (const Point& p : shape.arrowheads[0]) {
                ASSERT_GE(p.x, 0);
                ASSERT_GE(p.y, 0);
              }
            }
          }
        }
      }
    }
  }
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbourInEveryRoundingMode) {
  struct Case {
    long double value, rounded;
  };
  // clang-format off
  const Case cases[] = {
      {0.5L, 0.0L},   {1.5L, 2.0L},   {2.5L, 2.0L},   {3.5L, 4.0L},   {-0.5L, 0.0L},
      {-1.5L, -2.0L}, {-2.5L, -2.0L}, {-3.5L, -4.0L}, {2.4999999999L, 2.0L},
      {2.5000000001L, 3.0L}, {-2.5000000001L, -3.0L}, {-0.4L, 0.0L}, {0.0L, 0.0L},
      {7.0L, 7.0L},   {-7.0L, -7.0L},
      // Halves with the last bit of the significand just above the point.
      {0x1p62L + 0.5L, 0x1p62L}, {0x1p62L - 0.5L, 0x1p62L}, {-(0x1p62L + 1.5L), -(0x1p62L + 2.0L)},
      {0x1p63L, 0x1p63L}, {-0x1p64L, -0x1p64L},
  };
  // clang-format on
  const int modes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};
  for (int mode : modes) {
    ASSERT_EQ(std::fesetround(mode), 0);
    for (const Case& c : cases) {
      EXPECT_EQ(controls::RoundHalfEven(c.value), c.rounded)
          << "mode " << mode << " value " << static_cast<double>(c.value);
    }
    std::fesetround(FE_TONEAREST);
  }
}

TEST(RoundHalfEven, LongDoubleKeepsA64BitSignificand) {
  // The diagonal arrowheads are worked out in extended precision; a platform
  // that runs the x87 unit at double precision would round some differently.
  volatile long double one = 1.0L;
  volatile long double tiny = 0x1p-63L;
  EXPECT_NE(one + tiny, one);
}

// A property write, what the control looked like before it, and what it
// must look like after it.
struct Look {
  TLineDirection direction = controls::drLeftRight;
  TColor lineColor = toolkit::clBlack;
  TColor arrowColor = toolkit::clBlack;
  std::int32_t lineWidth = 1;
  bool arrow1 = false;
  bool arrow2 = false;
  std::int32_t factor = 3;
  bool operator==(const Look&) const = default;
};

void PrintTo(const Look& l, std::ostream* os) {
  *os << "direction " << int(l.direction) << std::hex << " line 0x" << l.lineColor << " arrow 0x"
      << l.arrowColor << std::dec << " width " << l.lineWidth << " arrows " << l.arrow1 << l.arrow2
      << " factor " << l.factor;
}

Look LookOf(const TLine& line) {
  return {line.Direction(), line.LineColor(), line.ArrowColor(), line.LineWidth(),
          line.Arrow1(),    line.Arrow2(),    line.ArrowFactor()};
}

struct WriterCase {
  const char* name;
  std::function<void(TLine&)> before;  // may be empty
  std::function<void(TLine&)> write;
  Look after;
  std::size_t repaints;
};

// clang-format off
const WriterCase kWriters[] = {
    {"SameDirection", nullptr, [](TLine& l) { l.SetDirection(controls::drLeftRight); }, {}, 0},
    {"NewDirection", nullptr, [](TLine& l) { l.SetDirection(controls::drUpDown); },
     {.direction = controls::drUpDown}, 1},
    {"DirectionBeyondTheFourIsKept", nullptr,
     [](TLine& l) { l.SetDirection(static_cast<TLineDirection>(255)); },
     {.direction = static_cast<TLineDirection>(255)}, 1},
    {"SameLineColor", nullptr, [](TLine& l) { l.SetLineColor(toolkit::clBlack); }, {}, 0},
    {"NewLineColor", nullptr, [](TLine& l) { l.SetLineColor(kRed); }, {.lineColor = kRed}, 1},
    {"SameArrowColor", nullptr, [](TLine& l) { l.SetArrowColor(toolkit::clBlack); }, {}, 0},
    {"WhiteArrowColorIsAChange", nullptr, [](TLine& l) { l.SetArrowColor(toolkit::clWhite); },
     {.arrowColor = toolkit::clWhite}, 1},
    {"SameLineWidth", nullptr, [](TLine& l) { l.SetLineWidth(1); }, {}, 0},
    {"NewLineWidth", nullptr, [](TLine& l) { l.SetLineWidth(3); }, {.lineWidth = 3}, 1},
    {"ZeroLineWidth", nullptr, [](TLine& l) { l.SetLineWidth(0); }, {.lineWidth = 0}, 1},
    {"NegativeLineWidthRefusedButRepainted", nullptr, [](TLine& l) { l.SetLineWidth(-2); }, {},
     1},
    {"LineWidthWithArrow2StaysOne", [](TLine& l) { l.SetArrow2(true); },
     [](TLine& l) { l.SetLineWidth(5); }, {.arrow2 = true}, 1},
    {"LineWidthOneWithArrowIsNoChange", [](TLine& l) { l.SetArrow1(true); },
     [](TLine& l) { l.SetLineWidth(1); }, {.arrow1 = true}, 0},
    {"Arrow1ForcesWidthOne", [](TLine& l) { l.SetLineWidth(4); },
     [](TLine& l) { l.SetArrow1(true); }, {.arrow1 = true}, 1},
    {"Arrow1OnAtWidthOne", nullptr, [](TLine& l) { l.SetArrow1(true); }, {.arrow1 = true}, 1},
    {"WidthStaysOneWhenArrowGoesOff",
     [](TLine& l) {
       l.SetLineWidth(4);
       l.SetArrow1(true);
     },
     [](TLine& l) { l.SetArrow1(false); }, {}, 1},
    {"OtherArrowStillHoldsTheWidth",
     [](TLine& l) {
       l.SetArrow1(true);
       l.SetArrow2(true);
       l.SetArrow1(false);
     },
     [](TLine& l) { l.SetLineWidth(6); }, {.arrow2 = true}, 1},
    {"SameArrow1Off", nullptr, [](TLine& l) { l.SetArrow1(false); }, {}, 0},
    {"SameArrow2On", [](TLine& l) { l.SetArrow2(true); }, [](TLine& l) { l.SetArrow2(true); },
     {.arrow2 = true}, 0},
    {"SameArrowFactor", nullptr, [](TLine& l) { l.SetArrowFactor(3); }, {}, 0},
    {"NegativeArrowFactorIsKept", nullptr, [](TLine& l) { l.SetArrowFactor(-7); },
     {.factor = -7}, 1},
    {"HugeArrowFactorIsKept", nullptr, [](TLine& l) { l.SetArrowFactor(INT_MAX); },
     {.factor = INT_MAX}, 1},
};
// clang-format on

TEST(LineControl, WritesChangeAndRepaintOnlyWhenTheValueDiffers) {
  for (const WriterCase& c : kWriters) {
    SCOPED_TRACE(c.name);
    RecordingHost host;
    TLine line(nullptr, &host);
    line.SetBounds(10, 20, 65, 41);
    if (c.before) c.before(line);
    host.invalidated.clear();
    c.write(line);
    EXPECT_EQ(LookOf(line), c.after);
    EXPECT_EQ(host.invalidated, std::vector<Rect>(c.repaints, Rect{10, 20, 75, 61}));
  }
}

TEST(LineControl, PassesItsWidthToThePenUnchangedEvenZero) {
  const std::pair<std::int32_t, std::int32_t> rows[] = {{0, 20}, {1, 20}, {2, 19}, {7, 17}};
  for (const auto& [width, y] : rows) {
    SCOPED_TRACE(width);
    TLine line(nullptr, nullptr);
    line.SetBounds(0, 0, 65, 41);
    line.SetLineWidth(width);
    EXPECT_EQ(PaintOps(line), Drawing({0, y}, {65, y}, toolkit::clBlack, width, 0));
  }
}

TEST(LineControl, TakesItsDesignValuesByName) {
  RecordingHost host;
  toolkit::Component form(nullptr);
  const toolkit::ComponentDesign design[] = {
      {L"Line1",
       [&host](toolkit::Component& owner, const toolkit::Place&) {
         return std::make_unique<TLine>(&owner, &host);
       },
       {{L"Left", 8},
        {L"Top", 16},
        {L"Width", 89},
        {L"Height", 41},
        {L"Direction", 3},
        {L"LineColor", 0x00336699},
        {L"ArrowColor", static_cast<std::int32_t>(0x80000005u)},  // a bit pattern, not a number
        {L"LineWidth", 2},
        {L"ArrowFactor", -4},
        {L"Arrow2", true},
        {L"Hint", std::wstring(L"connector")}},
       {}},
  };
  toolkit::ApplyLayout(form, design);
  const auto* line = dynamic_cast<const TLine*>(form.FindComponent(L"Line1"));
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->BoundsRect(), (Rect{8, 16, 97, 57}));
  EXPECT_EQ(LookOf(*line),
            (Look{controls::drTopRightBottomLeft, 0x00336699, 0x80000005u, 1, false, true, -4}));
  EXPECT_EQ(line->Hint, L"connector");

  TLine other(nullptr, nullptr);
  struct Bad {
    const wchar_t* property;
    toolkit::DesignValue value;
  };
  const Bad bad[] = {{L"Arrow1", 1},
                     {L"LineWidth", true},
                     {L"Direction", 256},
                     {L"Direction", -1},
                     {L"Colour", 0}};
  for (const Bad& b : bad) {
    EXPECT_THROW(other.SetDesignValue(b.property, b.value), std::invalid_argument)
        << std::string(b.property, b.property + std::wcslen(b.property));
  }
}

}  // namespace
