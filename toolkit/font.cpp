#include "toolkit/font.h"

namespace toolkit {

win32::ScopedFont MakeFont(const FontDesign& font, std::int32_t pixelsPerInch) {
  LOGFONTW description{};
  // Negative: the character height, as the design gives it.
  description.lfHeight = -MulDiv(font.pixelHeight, pixelsPerInch, kDesignPixelsPerInch);
  description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  description.lfCharSet = font.charset;
  description.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(description.lfFaceName, font.face.c_str(), LF_FACESIZE);
  return win32::ScopedFont(CreateFontIndirectW(&description));
}

std::optional<SIZE> MeasureText(HWND window, HFONT font, std::wstring_view text) {
  const win32::ScopedGetDC dc(window);
  if (!dc) return std::nullopt;
  const win32::ScopedSelect selected(dc.get(), font);
  RECT extent{0, 0, 0, 0};
  const std::wstring line = text.empty() ? std::wstring(L" ") : std::wstring(text);
  DrawTextW(dc.get(), line.c_str(), -1, &extent, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
  return SIZE{extent.right, extent.bottom};
}

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
  // Measured in the very font the window is given, on the screen.
  std::int32_t textHeight = 0;
  const win32::ScopedFont made = MakeFont(font, pixelsPerInch);
  const win32::ScopedGetDC screen(nullptr);
  if (made && screen) {
    const win32::ScopedSelect selected(screen.get(), made.get());
    TEXTMETRICW metrics{};
    if (GetTextMetricsW(screen.get(), &metrics)) textHeight = metrics.tmHeight;
  }
  // Without a font to measure, the text grows with the display.
  if (textHeight <= 0) textHeight = MulDiv(font.textHeight, pixelsPerInch, kDesignPixelsPerInch);
  return {textHeight, font.textHeight};
}

bool ControlFont::SetDesignValue(std::wstring_view property, const DesignValue& value) {
  if (property == L"Font.Name") {
    design_.face = DesignText(property, value);
  } else if (property == L"Font.Height") {
    design_.pixelHeight = DesignInt(property, value);
  } else if (property == L"Font.Bold") {
    design_.bold = DesignBool(property, value);
  } else if (property == L"Font.Charset") {
    design_.charset = static_cast<std::uint8_t>(DesignInt(property, value));
  } else {
    return false;
  }
  return true;
}

HFONT ControlFont::Make(LayoutScale scale) {
  FontDesign grown = design_;
  grown.pixelHeight = scale(design_.pixelHeight);
  font_ = design_.face.empty() ? win32::ScopedFont() : MakeFont(grown, kDesignPixelsPerInch);
  return font_.get();
}

}  // namespace toolkit
