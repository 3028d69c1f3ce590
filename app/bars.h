// The main window's seven scroll bars as designed, at 96 pixels per inch:
// the one description that the window's layout is built from and that the
// help picture and the About banner are drawn from (tools/make_pictures.py
// reads this file: keep its rows in this form).
#pragma once

#include <cstdint>

namespace app {

// The client area, which the bars fill edge to edge, each as high as it.
inline constexpr std::int32_t kClientWidth = 129;
inline constexpr std::int32_t kClientHeight = 257;

struct BarDesign {
  const wchar_t* name;
  std::int32_t left, width;
  const wchar_t* hint;
  std::int32_t max;
  std::int32_t position;  // at every start
  std::int32_t tabOrder;
};

// Left to right, each overlapping its left neighbour by one pixel; the style
// bar stands in the middle but comes last in Tab order. ScrollBarN gives
// the Nth control value.
// clang-format off
inline constexpr BarDesign kBars[] = {
    {L"ScrollBar1",   0, 17, L"Red Start",   255, 255, 0},
    {L"ScrollBar2",  16, 17, L"Green Start", 255,   0, 1},
    {L"ScrollBar3",  32, 17, L"Blue Start",  255,   0, 2},
    {L"ScrollBar7",  48, 33, L"Style",         5,   0, 6},
    {L"ScrollBar4",  80, 17, L"Red End",     255,   0, 3},
    {L"ScrollBar5",  96, 17, L"Green End",   255,   0, 4},
    {L"ScrollBar6", 112, 17, L"Blue End",    255, 255, 5},
};
// clang-format on

}  // namespace app
