// The surface as Windows sees it: a real DIB section in a memory DC, and the
// wallpaper file replaced through the Win32 file calls.

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "../../unit/render/surface_probe.h"
#include "../../unit/render/temp_folder.h"
#include "render/bmp.h"

namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(DibSurface, IsATopDown24BitSectionSelectedIntoItsDC) {
  TWin s(37, 5);
  HDC dc = static_cast<HDC>(s.DeviceContext());
  ASSERT_NE(dc, nullptr);
  HGDIOBJ selected = GetCurrentObject(dc, OBJ_BITMAP);
  DIBSECTION section{};
  ASSERT_EQ(GetObjectW(selected, sizeof(section), &section), static_cast<int>(sizeof(section)));
  EXPECT_EQ(section.dsBm.bmBits, s.PixelBits());
  EXPECT_EQ(section.dsBm.bmWidth, 37);
  EXPECT_EQ(section.dsBm.bmHeight, 5);
  EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
  EXPECT_EQ(section.dsBm.bmWidthBytes, s.RowStride());
}

TEST(DibSurface, GdiReadsBackWhatPlotSpanWrote) {
  TWin s(6, 4);
  s.PlotSpan(0, 1, 5, 1, 0x12, 0x34, 0x56, 128);
  s.PlotSpan(4, 0, 4, 3, 250, 1, 2, 128);
  HDC dc = static_cast<HDC>(s.DeviceContext());
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0x12, 0x34, 0x56));  // red lands in the red channel
  EXPECT_EQ(GetPixel(dc, 4, 3), RGB(250, 1, 2));          // row 3 is the bottom row
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
}

TEST(DibSurface, BitBltIntoABottomUpImageGivesTheFileRows) {
  // The file's pixel block is what GDI makes of the surface when copying it
  // into a bottom-up 24-bit image; the direct row reversal must agree.
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
  EXPECT_THROW(TWin(26000, 27500), SurfaceError);
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

TEST(Win32FileRoute, SavesUnderAWideFolderName) {
  test::TempFolder folder;
  const auto inner = folder.path() / L"W\u00e4llpaper \u0436\u65e5";
  ASSERT_TRUE(std::filesystem::create_directory(inner));
  TWin s(9, 7);
  s.FillGradient(255, 0, 0, 0, 0, 255, 2, 128, -1, 0, 0, 0);
  s.SaveToBmp(inner / L"Huevane.Bmp");
  EXPECT_EQ(ReadFile(inner / L"Huevane.Bmp"), EncodeBmp(s));
}

TEST(Win32FileRoute, ATargetHeldOpenIsLeftAloneWithNoTemporaryBehind) {
  test::TempFolder folder;
  const auto path = folder.path() / L"Huevane.Bmp";
  TWin first(4, 3), second(8, 8);
  first.FillGradient(0, 0, 0, 255, 255, 255, 0, 128, -1, 0, 0, 0);
  second.FillGradient(9, 9, 9, 90, 90, 90, 3, 128, -1, 0, 0, 0);
  first.SaveToBmp(path);
  {
    // Another program holding the file, sharing nothing.
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    second.SaveToBmp(path);
    CloseHandle(held);
  }
  EXPECT_EQ(ReadFile(path), EncodeBmp(first));
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Huevane.Bmp"}));
  // Once released, the next save replaces it.
  second.SaveToBmp(path);
  EXPECT_EQ(ReadFile(path), EncodeBmp(second));
}

}  // namespace
