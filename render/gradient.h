// The rectangle a gradient fill takes, the lines it walks and what it costs:
// worked out here once, for the fill itself and for whoever must know what a
// fill will cost before making it.
#pragma once

#include <cstdint>
#include <optional>

// A rectangle as FillGradient takes it: left, top, right, bottom in surface
// pixels, right and bottom included.
struct FillRect {
  std::int32_t left, top, right, bottom;
};

// The whole surface: a negative left selects it, and the other three edges
// are then not read.
constexpr FillRect kWholeSurface{-1, -2, -3, -4};

struct GradientLines {
  bool columns;   // styles 0..2 walk columns, 3..5 rows
  bool mirrored;  // styles 2 and 5 also draw line 2 x centre - i
  // Lines first..last, both included; none when last < first.
  std::int64_t first, last, centre;
  // The rectangle the lines span: a negative left selects the whole surface.
  std::int32_t left, top, right, bottom;
};

// The lines FillGradient walks in `style` over a rectangle of a `width` x
// `height` surface; nothing for a style that draws nothing.
std::optional<GradientLines> GradientLinesOf(std::int32_t width, std::int32_t height,
                                             std::int32_t style, std::int32_t left,
                                             std::int32_t top, std::int32_t right,
                                             std::int32_t bottom);

// How many pixel writes FillGradient makes for these arguments on a surface
// of this size: for every walked line, the pixels of its span once clamped
// onto the surface (twice for the mirrored styles, which also draw the
// mirror line). Exact for any 32-bit values; 0 for a style that draws nothing
// or an empty line range. Width and height below 1 count as 1.
std::uint64_t FillWork(std::int32_t width, std::int32_t height, std::int32_t style,
                       const FillRect& rect);

// The most pixel writes one fill may make on a surface of this size: ample
// for any fill of the surface itself (8 x its pixels), plus 2^24 so tiny
// surfaces still allow large rectangles. Saturates instead of overflowing.
std::uint64_t FillBudget(std::int32_t width, std::int32_t height);
