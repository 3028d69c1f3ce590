#include "toolkit/dpi.h"

namespace toolkit {

namespace {
constexpr std::int32_t kDesignPixelsPerInch = 96;
}

std::int32_t ScreenPixelsPerInch() {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return kDesignPixelsPerInch;
  const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return pixelsPerInch > 0 ? pixelsPerInch : kDesignPixelsPerInch;
}

std::int32_t ScaledFontHeight(const DesignFont& font, std::int32_t pixelsPerInch) {
  return MulDiv(font.pixelHeight, pixelsPerInch, kDesignPixelsPerInch);
}

LayoutScale WindowScale(const DesignFont& font, std::int32_t pixelsPerInch) {
  if (pixelsPerInch == kDesignPixelsPerInch || pixelsPerInch <= 0) {
    return {font.textHeight, font.textHeight};
  }
  LOGFONTW description{};
  // Negative: the character height, as the design gives it.
  description.lfHeight = -ScaledFontHeight(font, pixelsPerInch);
  description.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(description.lfFaceName, font.face, LF_FACESIZE);
  HFONT handle = CreateFontIndirectW(&description);
  HDC screen = GetDC(nullptr);
  std::int32_t textHeight = 0;
  if (handle != nullptr && screen != nullptr) {
    HGDIOBJ old = SelectObject(screen, handle);
    TEXTMETRICW metrics{};
    if (GetTextMetricsW(screen, &metrics)) textHeight = metrics.tmHeight;
    SelectObject(screen, old);
  }
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  if (handle != nullptr) DeleteObject(handle);
  // Without a font to measure, the text grows with the display.
  if (textHeight <= 0) textHeight = MulDiv(font.textHeight, pixelsPerInch, kDesignPixelsPerInch);
  return {textHeight, font.textHeight};
}

}  // namespace toolkit
