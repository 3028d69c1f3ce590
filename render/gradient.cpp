// FillGradient: a two-colour linear gradient walked one column or row at a
// time, with the running colour carried in single precision from line to line.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "render/gradient.h"
#include "render/row_fill.h"
#include "render/surface.h"

namespace {

struct Colour {
  std::int32_t red, green, blue;
};

// Everything the walk needs, fixed before the first line is drawn: its
// lines, and the colour it carries from line to line.
struct WalkPlan : GradientLines {
  float run[3];   // running red, green, blue
  float step[3];  // increments
};

// The nearest integer, ties to even (the process runs in the default
// round-to-nearest mode). Values beyond 32 bits keep their low 32 bits, as a
// pixel keeps only the low 8 bits of a channel anyway; nothing overflows.
inline std::int32_t RoundChannel(float value) {
  // Adding and taking away 2^23 leaves no fraction bits, so the addition
  // itself rounds, in the current mode: the same result as nearbyint, without
  // a library call per channel per line. From 2^23 up, floats are integers.
  constexpr float kShift = 8388608.0f;
  float rounded = value;
  if (value >= 0.0f && value < kShift) {
    rounded = (value + kShift) - kShift;
  } else if (value < 0.0f && value > -kShift) {
    rounded = (value - kShift) + kShift;
  }
  if (rounded >= -2147483648.0f && rounded < 2147483648.0f) {
    return static_cast<std::int32_t>(rounded);
  }
  const double wrapped = std::fmod(static_cast<double>(rounded), 4294967296.0);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(wrapped)));
}

// Mirror lines of a rectangle far outside the surface can fall outside 32
// bits; any such line lands on the nearest edge, as it would when clamped.
inline std::int32_t SaturateLine(std::int64_t line) {
  if (line > std::numeric_limits<std::int32_t>::max())
    return std::numeric_limits<std::int32_t>::max();
  if (line < std::numeric_limits<std::int32_t>::min())
    return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(line);
}

// Returns false when the style draws nothing. Throws FloatingPointError for a
// zero extent, before the caller draws anything.
bool PlanWalk(const TWin& surface, const Colour& start, const Colour& end, std::int32_t style,
              std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
              WalkPlan& plan) {
  const std::optional<GradientLines> lines =
      GradientLinesOf(surface.Width(), surface.Height(), style, left, top, right, bottom);
  if (!lines) return false;
  static_cast<GradientLines&>(plan) = *lines;
  // Styles 0, 3 and 5 begin at the start colour; 1, 2 and 4 at the end colour.
  const bool fromStart = style == 0 || style == 3 || style == 5;
  const Colour& from = fromStart ? start : end;
  const Colour& to = fromStart ? end : start;

  const std::int64_t extent = plan.columns ? static_cast<std::int64_t>(plan.right) - plan.left
                                           : static_cast<std::int64_t>(plan.bottom) - plan.top;
  const std::int64_t differences[3] = {static_cast<std::int64_t>(to.red) - from.red,
                                       static_cast<std::int64_t>(to.green) - from.green,
                                       static_cast<std::int64_t>(to.blue) - from.blue};
  if (extent == 0) {
    // Red is the first increment formed: 0 / 0 is an invalid operation,
    // anything else over 0 a division by zero.
    throw FloatingPointError(differences[0] == 0 ? FloatingPointError::Kind::InvalidOperation
                                                 : FloatingPointError::Kind::DivisionByZero);
  }
  const double scale = plan.mirrored ? 2.0 : 1.0;
  const std::int32_t firstColour[3] = {from.red, from.green, from.blue};
  for (int k = 0; k < 3; ++k) {
    // Divided in double, doubled for the mirrored styles, rounded once.
    plan.step[k] = static_cast<float>(static_cast<double>(differences[k]) /
                                      static_cast<double>(extent) * scale);
    plan.run[k] = static_cast<float>(firstColour[k]);
  }
  return true;
}

}  // namespace

std::optional<GradientLines> GradientLinesOf(std::int32_t width, std::int32_t height,
                                             std::int32_t style, std::int32_t left,
                                             std::int32_t top, std::int32_t right,
                                             std::int32_t bottom) {
  if (style < 0 || style > 5) return std::nullopt;
  if (left < 0) {
    left = 0;
    top = 0;
    right = width;
    bottom = height;
  }
  GradientLines lines;
  lines.columns = style <= 2;
  lines.mirrored = style == 2 || style == 5;
  lines.left = left;
  lines.top = top;
  lines.right = right;
  lines.bottom = bottom;
  lines.first = lines.columns ? left : top;
  // The centre line comes from the far edge alone, halved toward zero.
  const std::int64_t farEdge = lines.columns ? right : bottom;
  lines.centre = farEdge / 2;
  lines.last = lines.mirrored ? lines.centre : farEdge;
  return lines;
}

namespace {

std::uint64_t SaturatingMultiply(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  if (a != 0 && b > kMax / a) return kMax;
  return a * b;
}

std::uint64_t ClampedSpanPixels(std::int64_t from, std::int64_t to, std::int64_t last) {
  const std::int64_t a = ClampOnto(from, last);
  const std::int64_t b = ClampOnto(to, last);
  return static_cast<std::uint64_t>(a < b ? b - a : a - b) + 1;
}

}  // namespace

std::uint64_t FillWork(std::int32_t width, std::int32_t height, std::int32_t style,
                       const FillRect& rect) {
  const std::int32_t w = width < 1 ? 1 : width;
  const std::int32_t h = height < 1 ? 1 : height;
  const std::optional<GradientLines> lines =
      GradientLinesOf(w, h, style, rect.left, rect.top, rect.right, rect.bottom);
  if (!lines || lines->last < lines->first) return 0;

  const auto count = static_cast<std::uint64_t>(lines->last - lines->first) + 1;
  const std::uint64_t spans = count * (lines->mirrored ? 2 : 1);  // at most 2^33
  const std::uint64_t pixelsPerSpan = lines->columns
                                          ? ClampedSpanPixels(lines->top, lines->bottom, h - 1)
                                          : ClampedSpanPixels(lines->left, lines->right, w - 1);
  return SaturatingMultiply(spans, pixelsPerSpan);
}

std::uint64_t FillBudget(std::int32_t width, std::int32_t height) {
  const std::uint64_t w = width < 1 ? 1 : static_cast<std::uint64_t>(width);
  const std::uint64_t h = height < 1 ? 1 : static_cast<std::uint64_t>(height);
  constexpr std::uint64_t kSmallSurfaceAllowance = std::uint64_t{1} << 24;
  const std::uint64_t scaled = SaturatingMultiply(SaturatingMultiply(w, h), 8);
  if (scaled > std::numeric_limits<std::uint64_t>::max() - kSmallSurfaceAllowance) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  return scaled + kSmallSurfaceAllowance;
}

namespace {

inline Colour LineColour(const WalkPlan& plan) {
  return {RoundChannel(plan.run[0]), RoundChannel(plan.run[1]), RoundChannel(plan.run[2])};
}

inline void Advance(WalkPlan& plan) {
  for (int k = 0; k < 3; ++k) plan.run[k] = plan.run[k] + plan.step[k];
}

inline bool Replaces(std::int32_t weight) { return weight >= 128 || weight < 0; }

}  // namespace

void TWin::FillGradient(std::int32_t StartRed, std::int32_t StartGreen, std::int32_t StartBlue,
                        std::int32_t EndRed, std::int32_t EndGreen, std::int32_t EndBlue,
                        std::int32_t Style, std::int32_t Weight, std::int32_t Left,
                        std::int32_t Top, std::int32_t Right, std::int32_t Bottom) {
  // The program always repaints the whole surface opaquely; that case has a
  // route that writes each pixel once. Every other case walks line by line.
  if (Left < 0 && Replaces(Weight)) {
    FillOpaqueWholeSurface(StartRed, StartGreen, StartBlue, EndRed, EndGreen, EndBlue, Style);
  } else {
    FillGradientByLines(StartRed, StartGreen, StartBlue, EndRed, EndGreen, EndBlue, Style, Weight,
                        Left, Top, Right, Bottom);
  }
}

void TWin::FillGradientByLines(std::int32_t StartRed, std::int32_t StartGreen,
                               std::int32_t StartBlue, std::int32_t EndRed, std::int32_t EndGreen,
                               std::int32_t EndBlue, std::int32_t Style, std::int32_t Weight,
                               std::int32_t Left, std::int32_t Top, std::int32_t Right,
                               std::int32_t Bottom) {
  WalkPlan plan;
  if (!PlanWalk(*this, {StartRed, StartGreen, StartBlue}, {EndRed, EndGreen, EndBlue}, Style, Left,
                Top, Right, Bottom, plan)) {
    return;
  }
  for (std::int64_t i = plan.first; i <= plan.last; ++i) {
    const Colour colour = LineColour(plan);
    // i lies between two 32-bit values, so it fits; only the mirror may not.
    const std::int32_t line = static_cast<std::int32_t>(i);
    const std::int32_t mirror = SaturateLine(2 * plan.centre - i);
    if (plan.columns) {
      PlotSpan(line, plan.top, line, plan.bottom, colour.red, colour.green, colour.blue, Weight);
      if (plan.mirrored) {
        PlotSpan(mirror, plan.top, mirror, plan.bottom, colour.red, colour.green, colour.blue,
                 Weight);
      }
    } else {
      PlotSpan(plan.left, line, plan.right, line, colour.red, colour.green, colour.blue, Weight);
      if (plan.mirrored) {
        PlotSpan(plan.left, mirror, plan.right, mirror, colour.red, colour.green, colour.blue,
                 Weight);
      }
    }
    Advance(plan);
  }
}

// The whole surface with a replacing weight. Each walked line covers a whole
// column or row, and a later line on the same place simply replaces an
// earlier one, so the image is fixed by the last colour each column (row)
// receives. Every column (row) receives at least one: styles 0, 1, 3 and 4
// walk 0..W (H), the mirrored ones 0..c and 2c..c with c = W div 2, and
// 2c >= W - 1. So the walk first only records each line's colour where it
// lands (columns in row 0, rows in their own first pixel), and then the
// surface is painted once, top to bottom.
void TWin::FillOpaqueWholeSurface(std::int32_t StartRed, std::int32_t StartGreen,
                                  std::int32_t StartBlue, std::int32_t EndRed,
                                  std::int32_t EndGreen, std::int32_t EndBlue, std::int32_t Style) {
  WalkPlan plan;
  if (!PlanWalk(*this, {StartRed, StartGreen, StartBlue}, {EndRed, EndGreen, EndBlue}, Style, -1, 0,
                0, 0, plan)) {
    return;
  }
  std::uint8_t* const bits = Bits;
  const std::size_t stride = static_cast<std::size_t>(Stride);
  const std::int64_t width = Width();
  const std::int64_t height = Height();
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  // Where line `line` lands: columns in row 0, rows in their first pixel.
  // Lines here are never negative; those past the edge land on the last one.
  const std::int64_t lines = plan.columns ? width : height;
  const std::size_t spacing = plan.columns ? 3 : stride;
  auto record = [&](std::int64_t line, const Colour& c) {
    std::uint8_t* p = bits + static_cast<std::size_t>(line >= lines ? lines - 1 : line) * spacing;
    p[0] = static_cast<std::uint8_t>(c.blue);
    p[1] = static_cast<std::uint8_t>(c.green);
    p[2] = static_cast<std::uint8_t>(c.red);
  };
  for (std::int64_t i = plan.first; i <= plan.last; ++i) {
    const Colour colour = LineColour(plan);
    record(i, colour);
    if (plan.mirrored) record(2 * plan.centre - i, colour);
    Advance(plan);
  }

  if (plan.columns) {
    for (std::int64_t y = 1; y < height; ++y) {
      std::memcpy(bits + y * stride, bits, rowBytes);
    }
    return;
  }
  row_fill::FillRowsFromFirstPixel(bits, stride, static_cast<std::size_t>(height),
                                   static_cast<std::size_t>(width));
}
