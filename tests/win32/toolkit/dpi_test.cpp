// Windows built on displays of other pixel densities: the font height grows
// with the display, positions and sizes with the font's text height, and at
// 96 pixels per inch nothing changes at all. And a window's font, made from
// its design, is the window's to the end, even when the window never is.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "toolkit/dpi.h"
#include "toolkit/form.h"
#include "win32/scoped.h"

namespace {

TEST(Dpi, TheFontHeightFollowsThePixelsPerInch) {
  const toolkit::FontDesign font = toolkit::WindowFontDesign();
  const struct {
    int pixelsPerInch;
    int height;
  } cases[] = {{96, 11}, {120, 14}, {144, 17}, {192, 22}, {72, 8}, {288, 33}};
  for (const auto& c : cases) {
    EXPECT_EQ(toolkit::ScaledFontHeight(font, c.pixelsPerInch), c.height) << c.pixelsPerInch;
  }
}

TEST(Dpi, AtNinetySixPixelsPerInchTheLayoutIsExactlyAsDesigned) {
  const toolkit::LayoutScale scale = toolkit::WindowScale(toolkit::WindowFontDesign(), 96);
  EXPECT_TRUE(scale.Identity());
  for (int value : {0, 16, 17, 33, 48, 112, 129, 257}) EXPECT_EQ(scale(value), value);
}

TEST(Dpi, AFontIsMadeAsDesignedAtTheDisplaysSize) {
  const struct {
    toolkit::FontDesign design;
    int pixelsPerInch;
    LONG height;  // the system's: negative for a character height
    LONG weight;
  } cases[] = {
      {toolkit::WindowFontDesign(), 96, -11, FW_NORMAL},
      {toolkit::WindowFontDesign(), 120, -14, FW_NORMAL},
      {{L"Verdana", 13, 0, false, ANSI_CHARSET}, 144, -20, FW_NORMAL},
      {{L"Arial", 13, 0, true, ANSI_CHARSET}, 96, -13, FW_BOLD},
  };
  for (const auto& c : cases) {
    const win32::ScopedFont font = toolkit::MakeFont(c.design, c.pixelsPerInch);
    ASSERT_TRUE(font) << c.pixelsPerInch;
    LOGFONTW made{};
    ASSERT_EQ(GetObjectW(font.get(), sizeof(made), &made), static_cast<int>(sizeof(made)));
    EXPECT_EQ(made.lfHeight, c.height) << c.pixelsPerInch;
    EXPECT_EQ(made.lfWeight, c.weight) << c.pixelsPerInch;
    EXPECT_EQ(made.lfCharSet, c.design.charset) << c.pixelsPerInch;
    EXPECT_EQ(std::wstring(made.lfFaceName), c.design.face) << c.pixelsPerInch;
  }
}

TEST(Dpi, AFormWhoseLayoutIsRefusedLeavesNoFontBehind) {
  HFONT seen = nullptr;
  const toolkit::ComponentDesign layout[] = {
      {L"Probe",
       [&seen](toolkit::Component& owner) {
         seen = static_cast<toolkit::TForm&>(owner).Font();
         return std::make_unique<toolkit::Component>(&owner);
       },
       {{L"NoSuchProperty", 1}},
       {}},
  };
  toolkit::FormDesign design;
  design.className = L"HuevaneRefusedForm";
  design.clientWidth = 100;
  design.clientHeight = 50;
  EXPECT_THROW(toolkit::TForm(design, layout), std::invalid_argument);
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(GetObjectType(seen), 0u);
}

TEST(Dpi, OnDenserDisplaysADesignedLineOfTextHoldsTheGrownFont) {
  // A bitmap font grows only in the sizes it has, so the layout follows
  // the text the window's font really draws, and never shrinks as the
  // density grows.
  int previous = 13;
  for (int pixelsPerInch : {120, 144, 192}) {
    const toolkit::LayoutScale scale =
        toolkit::WindowScale(toolkit::WindowFontDesign(), pixelsPerInch);
    const win32::ScopedFont font = toolkit::MakeFont(toolkit::WindowFontDesign(), pixelsPerInch);
    const win32::ScopedGetDC screen(nullptr);
    const win32::ScopedSelect selected(screen.get(), font.get());
    SIZE text{};
    GetTextExtentPoint32W(screen.get(), L"Huevane", 7, &text);
    EXPECT_GE(scale(13), text.cy) << pixelsPerInch << " pixels per inch: the text is cut off";
    EXPECT_GE(scale(13), previous) << pixelsPerInch;
    EXPECT_GT(scale(13), 13) << pixelsPerInch;
    previous = scale(13);
  }
}

}  // namespace
