#include "toolkit/dpi.h"

namespace toolkit {

std::int32_t ScreenPixelsPerInch() {
  const win32::ScopedGetDC screen(nullptr);
  if (!screen) return kDesignPixelsPerInch;
  const int pixelsPerInch = GetDeviceCaps(screen.get(), LOGPIXELSY);
  return pixelsPerInch > 0 ? pixelsPerInch : kDesignPixelsPerInch;
}

LayoutScale WindowScale(const FontDesign& font, std::int32_t pixelsPerInch) {
  if (pixelsPerInch == kDesignPixelsPerInch || pixelsPerInch <= 0) {
    return {font.textHeight, font.textHeight};
  }
  // Measured in the very font the window is given.
  std::int32_t textHeight = MeasureTextHeight(MakeFont(font, pixelsPerInch).get());
  // Without a font to measure, the text grows with the display.
  if (textHeight <= 0) textHeight = MulDiv(font.textHeight, pixelsPerInch, kDesignPixelsPerInch);
  return {textHeight, font.textHeight};
}

}  // namespace toolkit
