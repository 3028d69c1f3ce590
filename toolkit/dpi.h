// Design pixels on the display at hand. Layouts are drawn at 96 pixels per
// inch; on another display a window's font grows with the display, and its
// positions and sizes follow the font's new text height.
#pragma once

#include <cstdint>

#include "toolkit/font.h"
#include "toolkit/layout.h"

namespace toolkit {

// The screen's pixels per inch (vertical), as windows are built with it.
std::int32_t ScreenPixelsPerInch();

// The scale for a window built with `font` on a display of `pixelsPerInch`:
// the text height of the font at its scaled height, measured, over its
// design text height. At 96 pixels per inch this is the identity without
// measuring anything, so a layout comes out exactly as designed.
LayoutScale WindowScale(const FontDesign& font, std::int32_t pixelsPerInch);

}  // namespace toolkit
