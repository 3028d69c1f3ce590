// The lines a gradient fill walks: worked out here once, for the fill itself
// and for whoever must know what a fill will cost before making it.
#pragma once

#include <cstdint>
#include <optional>

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
