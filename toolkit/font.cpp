#include "toolkit/font.h"

namespace toolkit {

std::int32_t ScaledFontHeight(const FontDesign& font, std::int32_t pixelsPerInch) {
  return MulDiv(font.pixelHeight, pixelsPerInch, kDesignPixelsPerInch);
}

LOGFONTW FontDescription(const FontDesign& font, std::int32_t pixelsPerInch) {
  LOGFONTW description{};
  // Negative: the character height, as the design gives it.
  description.lfHeight = -ScaledFontHeight(font, pixelsPerInch);
  description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  description.lfCharSet = font.charset;
  description.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(description.lfFaceName, font.face.c_str(), LF_FACESIZE);
  return description;
}

win32::ScopedFont MakeFont(const FontDesign& font, std::int32_t pixelsPerInch) {
  const LOGFONTW description = FontDescription(font, pixelsPerInch);
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

std::int32_t MeasureTextHeight(HFONT font) {
  if (font == nullptr) return 0;
  const win32::ScopedGetDC screen(nullptr);
  if (!screen) return 0;
  const win32::ScopedSelect selected(screen.get(), font);
  TEXTMETRICW metrics{};
  return GetTextMetricsW(screen.get(), &metrics) ? metrics.tmHeight : 0;
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
