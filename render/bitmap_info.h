// The 40-byte device-independent bitmap info header, laid out exactly as the
// platform's BITMAPINFOHEADER, without needing <windows.h>.
#pragma once

#include <cstdint>

struct BitmapInfoHeader {
  std::uint32_t biSize;
  std::int32_t biWidth;
  std::int32_t biHeight;
  std::uint16_t biPlanes;
  std::uint16_t biBitCount;
  std::uint32_t biCompression;
  std::uint32_t biSizeImage;
  std::int32_t biXPelsPerMeter;
  std::int32_t biYPelsPerMeter;
  std::uint32_t biClrUsed;
  std::uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

constexpr std::uint32_t kBiRgb = 0;

// The image's height in rows, whichever way round they are stored.
constexpr std::int32_t HeightOf(const BitmapInfoHeader& header) {
  return header.biHeight < 0 ? -header.biHeight : header.biHeight;
}
