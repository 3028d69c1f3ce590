// Fonts as the layouts give them: one description at 96 pixels per inch,
// the one place it becomes a system font for a display, and the one place
// text is measured in a font. Layouts are drawn at 96 pixels per inch; on
// another display a window's font grows with the display, and its positions
// and sizes follow the font's new text height.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "toolkit/component.h"
#include "toolkit/layout.h"
#include "win32/scoped.h"

namespace toolkit {

// What the layouts, and the fonts they give, are drawn at.
inline constexpr std::int32_t kDesignPixelsPerInch = 96;

// A font as designed at 96 pixels per inch. An empty face means the parent
// window's font.
struct FontDesign {
  std::wstring face;
  std::int32_t pixelHeight = 0;  // character height, without internal leading
  // The font's text height (with internal leading) at 96 pixels per inch:
  // what a window's layout grows with. Only a window's own font needs it.
  std::int32_t textHeight = 0;
  bool bold = false;
  std::uint8_t charset = DEFAULT_CHARSET;
};

// A window's font unless its design names another.
inline FontDesign WindowFontDesign() { return {L"MS Sans Serif", 11, 13}; }

// `font` made for a display of `pixelsPerInch`, its height grown with the
// display; empty when the system cannot make it.
win32::ScopedFont MakeFont(const FontDesign& font, std::int32_t pixelsPerInch);

// The extent of `text` drawn on one line in `font` (nullptr: the DC's own)
// on `window`'s DC (nullptr: the screen's). An empty text measures as one
// space, so it still has a line's height. Nothing when there is no DC.
std::optional<SIZE> MeasureText(HWND window, HFONT font, std::wstring_view text);

// The screen's pixels per inch (vertical), as windows are built with it.
std::int32_t ScreenPixelsPerInch();

// The scale for a window built with `font` on a display of `pixelsPerInch`:
// the text height of the font at its scaled height, measured, over its
// design text height. At 96 pixels per inch this is the identity without
// measuring anything, so a layout comes out exactly as designed.
LayoutScale WindowScale(const FontDesign& font, std::int32_t pixelsPerInch);

// A control's own font: its design values (Font.Name, Font.Height,
// Font.Bold, Font.Charset) and the font made from them for this display.
class ControlFont {
 public:
  // Takes a font design value; false for any other property.
  bool SetDesignValue(std::wstring_view property, const DesignValue& value);
  // Makes the font anew from the design for a window whose layout grew by
  // `scale`: its height grows as the positions and sizes around it do, so
  // its text keeps to the room the design gives it, even where the window's
  // own font could not grow with the display. nullptr when the design names
  // no face (the control uses its parent's) or the system cannot make it.
  HFONT Make(LayoutScale scale);
  HFONT Handle() const { return font_.get(); }

 private:
  FontDesign design_;
  win32::ScopedFont font_;
};

}  // namespace toolkit
