#include "controls/line.h"

#include <cmath>
#include <stdexcept>

namespace controls {

namespace {

using toolkit::Point;

// π/2 to the full 64-bit significand. The arrowheads' perpendicular offsets
// are taken as cos(π/2 - θ) and sin(π/2 - θ) on purpose: they equal sin θ and
// cos θ only up to the last bits, and a value within those bits of a half
// would round the other way.
constexpr long double kHalfPi = 1.570796326794896619231321691639751442L;

Point At(std::int64_t x, std::int64_t y) { return {toolkit::Saturate(x), toolkit::Saturate(y)}; }

// R: the arguments here stay within about 2^33, so the rounded value always
// fits, and converting it neither overflows nor raises the invalid flag.
std::int64_t Round(long double value) { return static_cast<std::int64_t>(RoundHalfEven(value)); }

struct LocalPoint {
  std::int64_t x = 0;
  std::int64_t y = 0;
};

// The diagonal arrowhead at the top-left corner: tip (0, 0), then A and B.
struct LocalTriangle {
  LocalPoint a;
  LocalPoint b;
};

LocalTriangle DiagonalTriangle(std::int32_t width, std::int32_t height, std::int32_t factor) {
  const long double theta =
      std::atan(static_cast<long double>(height) / static_cast<long double>(width));
  const long double f = factor;
  const long double s = static_cast<long double>(Round((f + 1.0L) * std::sin(theta)));
  const long double c = static_cast<long double>(Round((f + 1.0L) * std::cos(theta)));
  const long double across = f * std::cos(kHalfPi - theta);
  const long double along = f * std::sin(kHalfPi - theta);
  LocalTriangle t{{Round(c + across), Round(s - along)}, {Round(c - across), Round(s + along)}};
  // A corner beyond either edge that meets at the tip comes back onto it.
  for (LocalPoint* p : {&t.a, &t.b}) {
    if (p->x < 0) p->x = 0;
    if (p->y < 0) p->y = 0;
  }
  return t;
}

// The local triangle placed at a corner: mirrored in x for a tip on the
// right edge, in y for a tip on the bottom edge, and with its corners
// listed as T, A, B or T, B, A.
TArrowhead PlaceTriangle(const LocalTriangle& t, std::int32_t width, std::int32_t height,
                         bool mirrorX, bool mirrorY, bool bFirst) {
  auto place = [&](LocalPoint p) {
    const std::int64_t x = mirrorX ? std::int64_t{width} - 1 - p.x : p.x;
    const std::int64_t y = mirrorY ? std::int64_t{height} - 1 - p.y : p.y;
    return At(x, y);
  };
  const LocalPoint tip{};
  return {place(tip), place(bFirst ? t.b : t.a), place(bFirst ? t.a : t.b)};
}

}  // namespace

long double RoundHalfEven(long double value) {
  // From 2^63 up every long double is an integer (and so are infinities).
  if (!(std::fabs(value) < 0x1p63L)) return value;
  const long double below = std::floor(value);
  const long double fraction = value - below;  // exact: only the fraction bits are left
  if (fraction < 0.5L) return below;
  if (fraction > 0.5L) return below + 1.0L;
  return std::fmod(below, 2.0L) == 0.0L ? below : below + 1.0L;
}

LineShape ShapeOfLine(std::int32_t width, std::int32_t height, std::uint8_t direction,
                      std::int32_t lineWidth, bool arrow1, bool arrow2, std::int32_t arrowFactor) {
  LineShape shape;
  if (direction > drTopRightBottomLeft) return shape;
  shape.drawn = true;

  const std::int64_t w = width;
  const std::int64_t h = height;
  const std::int64_t f = arrowFactor;
  auto add = [&shape](const TArrowhead& arrowhead) {
    shape.arrowheads[shape.arrowheadCount++] = arrowhead;
  };

  switch (static_cast<TLineDirection>(direction)) {
    case drLeftRight: {
      const std::int64_t y0 = (h - lineWidth) / 2;  // fits: half of a 33-bit difference
      shape.start = At(0, y0);
      shape.end = At(w, y0);
      if (arrow1) add({At(0, y0), At(f, y0 - f), At(f, y0 + f)});
      if (arrow2) add({At(w - 1, y0), At(w - f - 1, y0 - f), At(w - f - 1, y0 + f)});
      break;
    }
    case drUpDown: {
      const std::int64_t x0 = (w - lineWidth) / 2;
      shape.start = At(x0, 0);
      shape.end = At(x0, h);
      if (arrow1) add({At(x0, 0), At(x0 - f, f), At(x0 + f, f)});
      if (arrow2) add({At(x0, h - 1), At(x0 - f, h - f - 1), At(x0 + f, h - f - 1)});
      break;
    }
    case drTopLeftBottomRight:
    case drTopRightBottomLeft: {
      const bool fromLeft = direction == drTopLeftBottomRight;
      shape.start = At(fromLeft ? 0 : w, 0);
      shape.end = At(fromLeft ? w : 0, h);
      // The angle needs Height / Width: without a width there are no
      // arrowheads (and the control shows nothing anyway).
      if (width <= 0 || !(arrow1 || arrow2)) break;
      const LocalTriangle t = DiagonalTriangle(width, height, arrowFactor);
      if (arrow1) add(PlaceTriangle(t, width, height, !fromLeft, false, false));
      if (arrow2) add(PlaceTriangle(t, width, height, fromLeft, true, true));
      break;
    }
  }
  return shape;
}

TLine::TLine(toolkit::Component* owner, toolkit::GraphicHost* host)
    : toolkit::TGraphicControl(owner, host) {
  SetBounds(Left(), Top(), 65, 4);
  // The base's brush is white; the pen keeps its black, 1 pixel, solid.
  Canvas().Brush().SetColor(toolkit::clBlack);
}

void TLine::SetDirection(TLineDirection direction) {
  if (direction == direction_) return;
  direction_ = direction;
  Invalidate();
}

toolkit::TColor TLine::LineColor() const { return Canvas().Pen().Color(); }

void TLine::SetLineColor(toolkit::TColor color) {
  toolkit::TPen& pen = Canvas().Pen();
  if (color == pen.Color()) return;
  pen.SetColor(color);
  Invalidate();
}

toolkit::TColor TLine::ArrowColor() const { return Canvas().Brush().Color(); }

void TLine::SetArrowColor(toolkit::TColor color) {
  toolkit::TBrush& brush = Canvas().Brush();
  if (color == brush.Color()) return;
  brush.SetColor(color);
  Invalidate();
}

std::int32_t TLine::LineWidth() const { return Canvas().Pen().Width(); }

void TLine::SetLineWidth(std::int32_t width) {
  toolkit::TPen& pen = Canvas().Pen();
  if (width == pen.Width()) return;
  pen.SetWidth(arrow1_ || arrow2_ ? 1 : width);
  // Even when the pen refused the width or an arrowhead kept it at 1.
  Invalidate();
}

void TLine::SetArrow(bool& arrow, bool on) {
  if (on == arrow) return;
  arrow = on;
  if (on) Canvas().Pen().SetWidth(1);
  Invalidate();
}

void TLine::SetArrow1(bool on) { SetArrow(arrow1_, on); }

void TLine::SetArrow2(bool on) { SetArrow(arrow2_, on); }

void TLine::SetArrowFactor(std::int32_t factor) {
  if (factor == arrowFactor_) return;
  arrowFactor_ = factor;
  Invalidate();
}

void TLine::Paint() {
  toolkit::TCanvas& canvas = Canvas();
  const LineShape shape = ShapeOfLine(Width(), Height(), direction_, canvas.Pen().Width(), arrow1_,
                                      arrow2_, arrowFactor_);
  if (!shape.drawn) return;
  canvas.MoveTo(shape.start.x, shape.start.y);
  canvas.LineTo(shape.end.x, shape.end.y);
  for (const TArrowhead& arrowhead : shape.Arrowheads()) canvas.Polygon(arrowhead);
}

void TLine::SetDesignValue(std::wstring_view property, const toolkit::DesignValue& value) {
  using toolkit::DesignBool;
  using toolkit::DesignInt;
  if (property == L"Direction") {
    const std::int32_t direction = DesignInt(property, value);
    if (direction < 0 || direction > 255) {
      throw std::invalid_argument("design value of Direction is not a byte");
    }
    SetDirection(static_cast<TLineDirection>(direction));
  } else if (property == L"LineColor") {
    SetLineColor(static_cast<toolkit::TColor>(DesignInt(property, value)));
  } else if (property == L"ArrowColor") {
    SetArrowColor(static_cast<toolkit::TColor>(DesignInt(property, value)));
  } else if (property == L"LineWidth") {
    SetLineWidth(DesignInt(property, value));
  } else if (property == L"ArrowFactor") {
    SetArrowFactor(DesignInt(property, value));
  } else if (property == L"Arrow1") {
    SetArrow1(DesignBool(property, value));
  } else if (property == L"Arrow2") {
    SetArrow2(DesignBool(property, value));
  } else {
    toolkit::TGraphicControl::SetDesignValue(property, value);
  }
}

}  // namespace controls
