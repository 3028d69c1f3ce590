// The line control painted by GDI the way its parent window paints it: into
// a 24-bit DIB section, at an offset inside it, read back pixel for pixel
// and compared with known pictures.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "controls/line.h"
#include "toolkit/gdi_canvas.h"

namespace {

using controls::TLine;
using controls::TLineDirection;
using toolkit::Rect;

constexpr int kDibWidth = 160;
constexpr int kDibHeight = 120;
constexpr COLORREF kBackground = RGB(0xF0, 0xE8, 0xD0);
constexpr COLORREF kLine = RGB(200, 30, 40);
constexpr COLORREF kArrow = RGB(20, 90, 220);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// The same colours as the control takes them, built by hand as 0x00BBGGRR.
constexpr toolkit::TColor kLineColor = (40u << 16) | (30u << 8) | 200u;
constexpr toolkit::TColor kArrowColor = (220u << 16) | (90u << 8) | 20u;

// A top-down 24-bit DIB section selected into its own memory DC, filled with
// the background colour.
class Dib {
 public:
  Dib() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kDibWidth;
    info.bmiHeader.biHeight = -kDibHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint8_t*>(bits);
    if (bitmap_ != nullptr) previous_ = SelectObject(dc_, bitmap_);
    for (int y = 0; y < kDibHeight; ++y) {
      for (int x = 0; x < kDibWidth; ++x) Set(x, y, kBackground);
    }
  }
  ~Dib() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Dib(const Dib&) = delete;
  Dib& operator=(const Dib&) = delete;

  bool Ready() const { return bits_ != nullptr; }
  HDC Dc() const { return dc_; }

  COLORREF At(int x, int y) const {
    GdiFlush();
    const std::uint8_t* p = bits_ + y * kStride + x * 3;
    return RGB(p[2], p[1], p[0]);
  }
  void Set(int x, int y, COLORREF colour) {
    std::uint8_t* p = bits_ + y * kStride + x * 3;
    p[0] = GetBValue(colour);
    p[1] = GetGValue(colour);
    p[2] = GetRValue(colour);
  }

  static constexpr int kStride = (kDibWidth * 3 + 3) & ~3;

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  std::uint8_t* bits_ = nullptr;
};

// The first pixels of `dib` that are not the colour `expected` gives them,
// and how many there are; empty when all are. `expected` gives nullopt for
// a pixel that may be anything.
std::string Mismatches(const Dib& dib,
                       const std::function<std::optional<COLORREF>(int x, int y)>& expected) {
  std::ostringstream out;
  out << std::hex;
  int count = 0;
  for (int y = 0; y < kDibHeight; ++y) {
    for (int x = 0; x < kDibWidth; ++x) {
      const std::optional<COLORREF> wanted = expected(x, y);
      if (!wanted || dib.At(x, y) == *wanted) continue;
      if (++count <= 12) {
        out << std::dec << " (" << x << "," << y << ") " << std::hex << "0x" << dib.At(x, y)
            << " not 0x" << *wanted;
      }
    }
  }
  if (count == 0) return {};
  return std::to_string(count) + " pixels wrong:" + out.str();
}

// A horizontal run of one colour, both ends included.
struct Stretch {
  int y, x0, x1;
  COLORREF colour;
};

// The whole image must be background except for `stretches`.
std::string OnlyStretches(const Dib& dib, const std::vector<Stretch>& stretches) {
  return Mismatches(dib, [&](int x, int y) {
    for (const Stretch& r : stretches) {
      if (r.y == y && x >= r.x0 && x <= r.x1) return r.colour;
    }
    return kBackground;
  });
}

void Paint(Dib& dib, TLine& line) {
  toolkit::PaintGraphicControl(dib.Dc(), line);
  GdiFlush();
}

// Known pictures of whole controls, one character a pixel: '.' background,
// '#' the line colour, 'o' the arrow colour. The line runs through the box's
// middle row or column or along its diagonal; arrowheads of the factor's
// size point at its ends, filled and outlined. Each picture is what GDI's
// own LineTo and Polygon give for those points.
struct KnownPicture {
  const char* name;
  TLineDirection direction;
  bool arrow1, arrow2;
  int factor;
  std::vector<const char*> rows;
};

// clang-format off
const KnownPicture kKnownPictures[] = {
    {"LeftRight", controls::drLeftRight, true, true, 3,
     {"................",
      "...#........#...",
      "..##........##..",
      ".#o#........#o#.",
      "#oo##########oo#",
      ".#o#........#o#.",
      "..##........##..",
      "...#........#...",
      "................"}},
    {"UpDown", controls::drUpDown, true, false, 3,
     {"....#....",
      "...#o#...",
      "..#ooo#..",
      ".#######.",
      "....#....",
      "....#....",
      "....#....",
      "....#....",
      "....#....",
      "....#....",
      "....#....",
      "....#....",
      "....#....",
      "....#...."}},
    {"TopLeftBottomRight", controls::drTopLeftBottomRight, true, true, 3,
     {"######..........",
      "#ooo#...........",
      "#oo##...........",
      ".#o#.#..........",
      ".##...##......#.",
      ".#......#....##.",
      ".........##.#o#.",
      "...........##oo#",
      "...........#ooo#",
      "..........######"}},
    {"TopRightBottomLeft", controls::drTopRightBottomLeft, false, true, 4,
     {"................",
      "..............##",
      "............##..",
      "..#........#....",
      "..##.....##.....",
      ".#o#....#.......",
      ".#oo#.##........",
      ".#ooo#..........",
      "#oooo#..........",
      "#######........."}},
    // Too short for its arrowhead: clipped at its edges, not moved.
    {"ShortControlClipsItsArrowhead", controls::drLeftRight, true, false, 3,
     {".#o#............",
      "#oo#############",
      ".#o#............",
      "..##............"}},
};
// clang-format on

TEST(LinePaint, DrawsKnownPicturesInsideItsAreaAndNothingOutside) {
  for (const KnownPicture& c : kKnownPictures) {
    SCOPED_TRACE(c.name);
    const int width = static_cast<int>(std::string(c.rows[0]).size());
    const int height = static_cast<int>(c.rows.size());
    const Rect area{23, 17, 23 + width, 17 + height};
    Dib dib;
    ASSERT_TRUE(dib.Ready());
    TLine line(nullptr, nullptr);
    line.SetBounds(area.left, area.top, width, height);
    line.SetDirection(c.direction);
    line.SetLineColor(kLineColor);
    line.SetArrowColor(kArrowColor);
    line.SetArrow1(c.arrow1);
    line.SetArrow2(c.arrow2);
    line.SetArrowFactor(c.factor);
    Paint(dib, line);
    EXPECT_EQ(Mismatches(dib,
                         [&](int x, int y) -> COLORREF {
                           if (!area.Contains({x, y})) return kBackground;
                           const char pixel = c.rows[y - area.top][x - area.left];
                           return pixel == '#' ? kLine : pixel == 'o' ? kArrow : kBackground;
                         }),
              "");
  }
}

// Default 65 x 41 lines at (23, 17) with each pen width: the middle row 37,
// moved up by half the width.
struct RunCase {
  const char* name;
  int lineWidth;
  std::vector<Stretch> stretches;  // in DIB coordinates
};

const RunCase kRunCases[] = {
    {"OneWide", 1, {{37, 23, 87, kBlack}}},
    {"ThreeWideSitsOneRowHigher",
     3,
     {{35, 23, 87, kBlack}, {36, 23, 87, kBlack}, {37, 23, 87, kBlack}}},
    {"ZeroWidthDrawsOnePixel", 0, {{37, 23, 87, kBlack}}},
};

TEST(LinePaint, AxisLinesCoverExactlyTheirRows) {
  for (const RunCase& c : kRunCases) {
    SCOPED_TRACE(c.name);
    Dib dib;
    ASSERT_TRUE(dib.Ready());
    TLine line(nullptr, nullptr);
    line.SetBounds(23, 17, 65, 41);
    line.SetLineWidth(c.lineWidth);
    Paint(dib, line);
    EXPECT_EQ(OnlyStretches(dib, c.stretches), "");
  }
}

}  // namespace
