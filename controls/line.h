// TLine: a windowless control that draws one straight line across its
// rectangle (horizontally, vertically or along either diagonal) with an
// optional filled arrowhead at either end. It paints no background: its
// parent shows through everywhere but on the line and the arrowheads.
//
// Portable: the geometry is a pure function, and painting goes through the
// toolkit's canvas, so the whole control is tested without a display.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "toolkit/graphic.h"

namespace controls {

// Kept as one byte; any value beyond the four named ones draws nothing.
enum TLineDirection : std::uint8_t {
  drLeftRight,
  drUpDown,
  drTopLeftBottomRight,
  drTopRightBottomLeft
};

using TArrowhead = std::array<toolkit::Point, 3>;

// What one paint draws, in the control's own coordinates: a line from
// `start` to `end` (which the line leaves out), then the arrowheads in
// drawing order, the start one first.
struct LineShape {
  bool drawn = false;
  toolkit::Point start;
  toolkit::Point end;
  std::array<TArrowhead, 2> arrowheads{};
  std::size_t arrowheadCount = 0;

  std::span<const TArrowhead> Arrowheads() const { return {arrowheads.data(), arrowheadCount}; }
};

// The shape of a `width` x `height` line control. Every int32 input is
// accepted; a coordinate that would lie beyond 32 bits is pulled to the
// nearest int32 value, which keeps it on the same side of the control and
// far outside it.
LineShape ShapeOfLine(std::int32_t width, std::int32_t height, std::uint8_t direction,
                      std::int32_t lineWidth, bool arrow1, bool arrow2, std::int32_t arrowFactor);

// The nearest integer, a value exactly halfway going to the even one,
// whatever the current floating-point rounding mode.
long double RoundHalfEven(long double value);

class TLine : public toolkit::TGraphicControl {
 public:
  // 65 x 4, left to right, black line 1 pixel wide, no arrowheads, black
  // arrowheads of size 3 once switched on.
  TLine(toolkit::Component* owner, toolkit::GraphicHost* host);
  ~TLine() override = default;

  // Every writer below does nothing for the value the property already has;
  // any other value requests a repaint.
  TLineDirection Direction() const { return direction_; }
  void SetDirection(TLineDirection direction);

  // The pen's colour.
  toolkit::TColor LineColor() const;
  void SetLineColor(toolkit::TColor color);

  // The brush's colour: the arrowheads' fill.
  toolkit::TColor ArrowColor() const;
  void SetArrowColor(toolkit::TColor color);

  // The pen's width. While an arrowhead is on, any new width becomes 1; a
  // negative width is refused by the pen (and still requests a repaint).
  std::int32_t LineWidth() const;
  void SetLineWidth(std::int32_t width);

  // Switching an arrowhead on sets the line width to 1; it stays 1 when the
  // arrowheads go off again.
  bool Arrow1() const { return arrow1_; }
  void SetArrow1(bool on);
  bool Arrow2() const { return arrow2_; }
  void SetArrow2(bool on);

  // The arrowheads' length in pixels; not range-checked.
  std::int32_t ArrowFactor() const { return arrowFactor_; }
  void SetArrowFactor(std::int32_t factor);

  void Paint() override;

  // Direction, LineColor, ArrowColor, LineWidth and ArrowFactor take
  // numbers (a colour as the bit pattern of its TColor), Arrow1 and Arrow2
  // switches; anything else goes to the control base.
  void SetDesignValue(std::wstring_view property, const toolkit::DesignValue& value) override;

 private:
  void SetArrow(bool& arrow, bool on);

  TLineDirection direction_ = drLeftRight;
  bool arrow1_ = false;
  bool arrow2_ = false;
  std::int32_t arrowFactor_ = 3;
};

}  // namespace controls
