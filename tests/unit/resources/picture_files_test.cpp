// The committed pictures as the program loads them: the icon MAINICON, the
// About banner and the help picture. Checks the
// layouts the resource loader relies on, that the 256-colour images look like
// their 24-bit twins, and that every line the help window draws onto its
// picture ends on the element its label names.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#ifndef HUEVANE_SOURCE_DIR
#error "HUEVANE_SOURCE_DIR must name the source tree that holds resources/"
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Load(const std::string& relative) {
  std::ifstream in(std::string(HUEVANE_SOURCE_DIR) + "/resources/" + relative, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t U16(const Bytes& b, std::size_t at) { return b.at(at) | b.at(at + 1) << 8; }
std::uint32_t U32(const Bytes& b, std::size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }
std::int32_t I32(const Bytes& b, std::size_t at) { return static_cast<std::int32_t>(U32(b, at)); }

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

std::size_t Stride(int width, int bits) {
  return (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
}

// A BITMAPINFOHEADER image, bottom-up, as stored in a BMP file or an icon.
// Pixel(x, y) counts y from the top.
struct Dib {
  const Bytes* bytes = nullptr;
  std::size_t header = 0;  // offset of the BITMAPINFOHEADER
  std::int32_t width = 0, height = 0;
  std::uint32_t planes = 0, bits = 0, compression = 0, colours_used = 0;
  std::size_t palette = 0, pixels = 0;

  std::size_t PaletteSize() const {
    return bits > 8 ? 0 : colours_used ? colours_used : 1u << bits;
  }

  Rgb Colour(std::size_t at) const {
    const Bytes& b = *bytes;
    return {b.at(at + 2), b.at(at + 1), b.at(at)};
  }

  Rgb Pixel(int x, int y, int rows) const {
    const std::size_t row = pixels + Stride(width, static_cast<int>(bits)) * (rows - 1 - y);
    if (bits == 24) return Colour(row + 3 * static_cast<std::size_t>(x));
    return Colour(palette + 4 * static_cast<std::size_t>(bytes->at(row + x)));
  }
};

Dib ReadDib(const Bytes& bytes, std::size_t at) {
  Dib d;
  d.bytes = &bytes;
  d.header = at;
  d.width = I32(bytes, at + 4);
  d.height = I32(bytes, at + 8);
  d.planes = U16(bytes, at + 12);
  d.bits = U16(bytes, at + 14);
  d.compression = U32(bytes, at + 16);
  d.colours_used = U32(bytes, at + 32);
  d.palette = at + U32(bytes, at);
  d.pixels = d.palette + 4 * d.PaletteSize();
  return d;
}

// ---------------------------------------------------------------------------
// The two bitmaps.

struct Bitmap {
  Bytes bytes;
  Dib dib;
  Rgb At(int x, int y) const { return dib.Pixel(x, y, dib.height); }
};

Bitmap LoadBitmap(const std::string& name) {
  Bitmap bmp{Load(name), {}};
  if (bmp.bytes.size() >= 54) bmp.dib = ReadDib(bmp.bytes, 14);
  return bmp;
}

TEST(Bitmaps, AreUncompressed24BitBottomUpWithPaddedRows) {
  const struct {
    const char* name;
    int width, height;
  } cases[] = {
      {"pictures/banner.bmp", 478, 128},  // 1434 bytes a row, padded to 1436
      {"pictures/help.bmp", 136, 290},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bitmap bmp = LoadBitmap(c.name);
    ASSERT_GE(bmp.bytes.size(), 54u);
    const Bytes& b = bmp.bytes;
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(U32(b, 2), b.size());
    EXPECT_EQ(U32(b, 10), 54u) << "pixels right after the 40-byte header";
    EXPECT_EQ(U32(b, 14), 40u);
    EXPECT_EQ(bmp.dib.width, c.width);
    EXPECT_EQ(bmp.dib.height, c.height) << "positive: bottom-up rows";
    EXPECT_EQ(bmp.dib.planes, 1u);
    EXPECT_EQ(bmp.dib.bits, 24u);
    EXPECT_EQ(bmp.dib.compression, 0u) << "BI_RGB";
    const std::size_t pixels = Stride(c.width, 24) * c.height;
    EXPECT_EQ(b.size(), 54 + pixels);
    const std::uint32_t size_image = U32(b, 34);
    EXPECT_TRUE(size_image == 0 || size_image == pixels) << size_image;
  }
}

// The help window draws black lines from its labels onto the picture; each
// must end inside what its label names. Picture coordinates, y down.
constexpr Rgb kLineBlack{0, 0, 0};
constexpr Rgb kClassicFace{192, 192, 192};
constexpr Rgb kModernFace{240, 240, 240};
// The pictured scroll bars' trough is a checkerboard of white and face grey.
bool IsTrough(const Rgb& c) { return (c == Rgb{255, 255, 255}) || (c == Rgb{212, 208, 200}); }

// The tips of the bars' up arrows, left to right: the first row whose black
// pixels are seven lone ones. Each tip marks the middle of its bar.
std::vector<int> ArrowTips(const Bitmap& help) {
  for (int y = 0; y < help.dib.height; ++y) {
    std::vector<int> tips;
    bool alone = true;
    for (int x = 0; x < help.dib.width; ++x) {
      if (!(help.At(x, y) == kLineBlack)) continue;
      if (!tips.empty() && tips.back() == x - 1) alone = false;
      tips.push_back(x);
    }
    if (alone && tips.size() == 7) return tips;
  }
  return {};
}

TEST(HelpPicture, EveryBarLineEndsInsideItsOwnBarsTrough) {
  const Bitmap help = LoadBitmap("pictures/help.bmp");
  ASSERT_EQ(help.bytes.size(), 54 + Stride(136, 24) * 290);
  const std::vector<int> tips = ArrowTips(help);
  ASSERT_EQ(tips.size(), 7u) << "seven bars, each with its up arrow";
  const struct {
    const char* bar;
    std::size_t ordinal;  // from the left
    int x, y;
    int reach;  // how far from its middle the end may lie, clear of the bar's edges
  } ends[] = {
      {"Red Start", 0, 16, 68, 6}, {"Green Start", 1, 28, 84, 6}, {"Blue Start", 2, 40, 100, 6},
      {"Style", 3, 72, 220, 14},   {"Red End", 4, 92, 64, 6},     {"Green End", 5, 104, 80, 6},
      {"Blue End", 6, 120, 96, 6},
  };
  for (const auto& e : ends) {
    SCOPED_TRACE(e.bar);
    EXPECT_LE(std::abs(e.x - tips[e.ordinal]), e.reach)
        << "the bar's middle is at x " << tips[e.ordinal];
    const Rgb c = help.At(e.x, e.y);
    EXPECT_NE(c, kLineBlack) << "the line would vanish into the picture";
    EXPECT_NE(c, kClassicFace) << "on the window background, not on a bar";
    EXPECT_NE(c, kModernFace) << "on the window background, not on a bar";
    // In the dithered trough, clear of the arrows, the thumb and the frame:
    // the end and each of its four neighbours are the trough's two colours.
    EXPECT_TRUE(IsTrough(c)) << c;
    for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
      const Rgb n = help.At(e.x + dx, e.y + dy);
      EXPECT_TRUE(IsTrough(n) && !(n == c)) << n << " at " << e.x + dx << ", " << e.y + dy;
    }
  }
}

// ---------------------------------------------------------------------------
// The icons.

struct IconImage {
  int size = 0;
  int bits = 0;
  std::size_t offset = 0, length = 0;
};

struct Icon {
  Bytes bytes;
  std::vector<IconImage> images;

  // Checks the directory; every entry must point at data inside the file.
  static std::optional<Icon> Read(const std::string& name) {
    Icon icon{Load(name), {}};
    const Bytes& b = icon.bytes;
    if (b.size() < 6 || U16(b, 0) != 0 || U16(b, 2) != 1) return std::nullopt;
    const std::size_t count = U16(b, 4);
    if (b.size() < 6 + 16 * count) return std::nullopt;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t e = 6 + 16 * i;
      IconImage img{b[e] == 0 ? 256 : b[e], static_cast<int>(U16(b, e + 6)), U32(b, e + 12),
                    U32(b, e + 8)};
      if (b[e + 1] != b[e] || b[e + 2] != 0 || b[e + 3] != 0 || U16(b, e + 4) != 1)
        return std::nullopt;
      if (img.offset < 6 + 16 * count || img.offset + img.length > b.size()) return std::nullopt;
      icon.images.push_back(img);
    }
    return icon;
  }

  const IconImage* Find(int size, int bits) const {
    for (const IconImage& img : images) {
      if (img.size == size && img.bits == bits) return &img;
    }
    return nullptr;
  }

  Bytes Data(const IconImage& img) const {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(img.offset),
            bytes.begin() + static_cast<std::ptrdiff_t>(img.offset + img.length)};
  }

  Rgb Pixel(const IconImage& img, int x, int y) const {
    return ReadDib(bytes, img.offset).Pixel(x, y, img.size);
  }
};

const int kIconSizes[] = {16, 32, 48, 64};

TEST(MainIcon, EveryImageIsAnOpaqueDoubleHeightDib) {
  const auto icon = Icon::Read("icon/huevane.ico");
  ASSERT_TRUE(icon);
  std::vector<std::pair<std::size_t, std::size_t>> extents;
  for (const IconImage& img : icon->images) {
    SCOPED_TRACE(std::to_string(img.size) + " px, " + std::to_string(img.bits) + " bits");
    const Bytes& b = icon->bytes;
    const Dib dib = ReadDib(b, img.offset);
    EXPECT_EQ(U32(b, img.offset), 40u);
    EXPECT_EQ(dib.width, img.size);
    EXPECT_EQ(dib.height, 2 * img.size) << "colour rows and mask rows";
    EXPECT_EQ(dib.planes, 1u);
    EXPECT_EQ(dib.bits, static_cast<std::uint32_t>(img.bits));
    EXPECT_EQ(dib.compression, 0u);
    EXPECT_EQ(dib.PaletteSize(), img.bits == 8 ? 256u : 0u);
    const std::size_t mask = dib.pixels + Stride(img.size, img.bits) * img.size;
    const std::size_t end = mask + Stride(img.size, 1) * img.size;
    EXPECT_EQ(end, img.offset + img.length)
        << "length must cover exactly header, palette, colours, mask";
    ASSERT_LE(end, b.size());
    EXPECT_TRUE(std::all_of(b.begin() + static_cast<std::ptrdiff_t>(mask),
                            b.begin() + static_cast<std::ptrdiff_t>(end),
                            [](auto v) { return v == 0; }))
        << "the square is opaque to its edges";
    extents.push_back({img.offset, img.offset + img.length});
  }
  std::sort(extents.begin(), extents.end());
  for (std::size_t i = 1; i < extents.size(); ++i) {
    EXPECT_LE(extents[i - 1].second, extents[i].first) << "images overlap";
  }
}

TEST(MainIcon, Each256ColourImageMatchesIts24BitTwin) {
  const auto icon = Icon::Read("icon/huevane.ico");
  ASSERT_TRUE(icon);
  for (int size : kIconSizes) {
    SCOPED_TRACE(std::to_string(size) + " px");
    const IconImage* indexed = icon->Find(size, 8);
    const IconImage* full = icon->Find(size, 24);
    ASSERT_TRUE(indexed && full);
    long total = 0;
    int worst = 0;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const Rgb a = icon->Pixel(*indexed, x, y);
        const Rgb b = icon->Pixel(*full, x, y);
        for (int d : {a.r - b.r, a.g - b.g, a.b - b.b}) {
          total += std::abs(d);
          worst = std::max(worst, std::abs(d));
        }
      }
    }
    EXPECT_LT(static_cast<double>(total) / (3 * size * size), 2.0);
    EXPECT_LE(worst, 16);
  }
}

// Blue at the top-left, red at the bottom-right: an R/B swap or rows stored
// the wrong way up breaks this.
TEST(MainIcon, GradientRunsFromBlueTopLeftToRedBottomRight) {
  const auto icon = Icon::Read("icon/huevane.ico");
  ASSERT_TRUE(icon);
  for (const IconImage& img : icon->images) {
    SCOPED_TRACE(std::to_string(img.size) + " px, " + std::to_string(img.bits) + " bits");
    const int in = img.size / 4;
    const Rgb top_left = icon->Pixel(img, in, in);
    const Rgb bottom_right = icon->Pixel(img, img.size - 1 - in, img.size - 1 - in);
    EXPECT_GT(top_left.b, top_left.r + 100) << top_left;
    EXPECT_GT(bottom_right.r, bottom_right.b + 100) << bottom_right;
  }
}

// The menu line ends on the pictured window's icon: the 16-pixel 24-bit image
// of the program icon, found in the picture with the end well inside it.
TEST(HelpPicture, MenuLineEndsInsideTheTitleBarIcon) {
  const Bitmap help = LoadBitmap("pictures/help.bmp");
  const auto icon = Icon::Read("icon/huevane.ico");
  ASSERT_EQ(help.bytes.size(), 54 + Stride(136, 24) * 290);
  ASSERT_TRUE(icon && icon->Find(16, 24));
  const IconImage& small = *icon->Find(16, 24);
  auto matches_at = [&](int left, int top) {
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        if (!(help.At(left + x, top + y) == icon->Pixel(small, x, y))) return false;
      }
    }
    return true;
  };
  std::vector<std::pair<int, int>> found;
  for (int top = 0; top + 16 <= 290; ++top) {
    for (int left = 0; left + 16 <= 136; ++left) {
      if (matches_at(left, top)) found.push_back({left, top});
    }
  }
  ASSERT_EQ(found.size(), 1u) << "the title bar shows the program icon once";
  const auto [left, top] = found[0];
  constexpr int kEndX = 12, kEndY = 16;
  EXPECT_GT(kEndX, left);
  EXPECT_LT(kEndX, left + 15);
  EXPECT_GT(kEndY, top);
  EXPECT_LT(kEndY, top + 15);
}

}  // namespace
