// The surface as Windows sees it: a real DIB section in a memory DC.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "render/bmp.h"
#include "render/surface.h"
#include "support/bmp_bytes.h"

namespace {

TEST(DibSurface, BitBltIntoABottomUpImageGivesTheFileRows) {
  // The file's pixel block is what GDI makes of the surface when copying it
  // into a bottom-up 24-bit image; the direct row reversal must agree. So
  // GDI sees the very pixels the surface writes, in the same rows.
  TWin s(23, 9);
  s.FillGradient(3, 140, 250, 250, 10, 0, 5, 128, -1, 0, 0, 0);
  s.PlotSpan(0, 0, 22, 8, 1, 2, 3, 128);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 23;
  info.bmiHeader.biHeight = 9;  // bottom-up
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HDC copyDC = CreateCompatibleDC(nullptr);
  HBITMAP copy = CreateDIBSection(copyDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(copy, nullptr);
  HGDIOBJ old = SelectObject(copyDC, copy);
  std::memset(bits, 0, static_cast<std::size_t>(s.RowStride()) * 9);
  ASSERT_TRUE(BitBlt(copyDC, 0, 0, 23, 9, static_cast<HDC>(s.DeviceContext()), 0, 0, SRCCOPY));
  GdiFlush();
  const std::uint8_t* block = static_cast<const std::uint8_t*>(bits);
  const std::vector<std::uint8_t> viaGdi(block, block + s.RowStride() * 9);
  SelectObject(copyDC, old);
  DeleteObject(copy);
  DeleteDC(copyDC);

  const std::vector<std::uint8_t> file = EncodeBmp(s);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 54, file.end()), viaGdi);
}

TEST(DibSurface, ASurfaceTooLargeForTheProcessFailsCleanly) {
  // Just under the size limit: a 32-bit process cannot map 2 GiB in one piece.
  try {
    TWin(26000, 27500);
    ADD_FAILURE() << "made a 26000 x 27500 surface";
  } catch (const SurfaceError& error) {
    EXPECT_STREQ(error.what(), "Not enough memory for a 26000 x 27500 picture (2145000000 bytes).");
  }
  // And the process goes on making ordinary surfaces afterwards.
  TWin ordinary(64, 64);
  EXPECT_NE(ordinary.PixelBits(), nullptr);
}

TEST(DibSurface, FreeingTheSurfaceDeletesItsDCAndSection) {
  HDC dc;
  HGDIOBJ section;
  {
    TWin s(320, 200);
    dc = static_cast<HDC>(s.DeviceContext());
    section = GetCurrentObject(dc, OBJ_BITMAP);
    ASSERT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
    ASSERT_EQ(GetObjectType(section), static_cast<DWORD>(OBJ_BITMAP));
  }
  EXPECT_EQ(GetObjectType(dc), 0u);
  EXPECT_EQ(GetObjectType(section), 0u);
}

}  // namespace
