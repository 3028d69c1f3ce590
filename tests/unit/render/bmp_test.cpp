// The wallpaper file: exact bytes, bottom-up rows with zero padding, and a
// save that never leaves a broken or half-written file behind.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "render/bmp.h"
#include "support/bmp_bytes.h"
#include "support/temp_folder.h"
#include "surface_probe.h"

namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(BmpFile, OnePixelIsFiftyEightBytes) {
  TWin s(1, 1);
  s.PlotSpan(0, 0, 0, 0, 0x30, 0x20, 0x10, 128);
  const std::vector<std::uint8_t> expected = {
      'B',  'M',  58,   0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
      40,   0,    0,    0, 1, 0, 0, 0, 1, 0, 0,  0, 1, 0,
      24,   0,                          // size, width, height, planes, bits
      0,    0,    0,    0, 4, 0, 0, 0,  // BI_RGB, image bytes
      0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0,
      0,    0,               // resolution, colour counts
      0x10, 0x20, 0x30, 0};  // blue, green, red, padding
  EXPECT_EQ(EncodeBmp(s), expected);
}

TEST(BmpFile, TwoByTwoStoresTheBottomRowFirstWithPadding) {
  TWin s(2, 2);
  s.PlotSpan(0, 0, 0, 0, 1, 2, 3, 128);
  s.PlotSpan(1, 0, 1, 0, 4, 5, 6, 128);
  s.PlotSpan(0, 1, 0, 1, 7, 8, 9, 128);
  s.PlotSpan(1, 1, 1, 1, 10, 11, 12, 128);
  const std::vector<std::uint8_t> file = EncodeBmp(s);
  ASSERT_EQ(file.size(), 70u);
  EXPECT_EQ(U32(file, 2), 70u);
  EXPECT_EQ(U32(file, 34), 16u);
  const std::vector<std::uint8_t> pixels(file.begin() + 54, file.end());
  EXPECT_EQ(pixels, (std::vector<std::uint8_t>{9, 8, 7, 12, 11, 10, 0, 0,  // bottom row
                                               3, 2, 1, 6, 5, 4, 0, 0}));
}

// Sizes beyond one byte: every byte of each length field counts.
TEST(BmpFile, HeaderFieldsForAScreenSize) {
  const auto h = EncodeBmpHeader(1366, 768, static_cast<int>(StrideFor24Bit(1366)));
  const std::vector<std::uint8_t> b(h.begin(), h.end());
  EXPECT_EQ(U32(b, 2), 3148854u);  // file
  EXPECT_EQ(U32(b, 18), 1366u);
  EXPECT_EQ(U32(b, 22), 768u);
  EXPECT_EQ(U32(b, 34), 3148800u);  // pixels
}

TEST(SaveToBmp, ASecondSaveLeavesOnlyTheSecondImage) {
  test::TempFolder folder;
  const auto path = folder.path() / "Huevane.Bmp";
  TWin big(40, 30), small(2, 2);
  big.FillGradient(1, 2, 3, 4, 5, 6, 0, 128, -1, 0, 0, 0);
  small.FillGradient(9, 9, 9, 200, 200, 200, 3, 128, -1, 0, 0, 0);
  big.SaveToBmp(path);
  small.SaveToBmp(path);
  EXPECT_EQ(ReadFile(path), EncodeBmp(small));
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Huevane.Bmp"}));
}

TEST(SaveToBmp, FailuresAreSilentAndLeaveEverythingAsItWas) {
  test::TempFolder folder;
  TWin s(6, 4);
  // A folder that does not exist.
  EXPECT_NO_THROW(s.SaveToBmp(folder.path() / "missing" / "Huevane.Bmp"));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "missing"));
  // A target that is a folder cannot be replaced by a file.
  std::filesystem::create_directory(folder.path() / "Huevane.Bmp");
  EXPECT_NO_THROW(s.SaveToBmp(folder.path() / "Huevane.Bmp"));
  EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "Huevane.Bmp"));
  // An empty path.
  EXPECT_NO_THROW(s.SaveToBmp(std::filesystem::path()));
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Huevane.Bmp"}));
}

TEST(SaveToBmp, AnyFolderNameWorks) {
  test::TempFolder folder;
  const auto inner = folder.path() / std::filesystem::path(u8"T\u00e9mp \u65e5\u672c \u0416");
  std::filesystem::create_directory(inner);
  TWin s(3, 3);
  s.FillGradient(0, 0, 0, 255, 255, 255, 1, 128, -1, 0, 0, 0);
  s.SaveToBmp(inner / "Huevane.Bmp");
  EXPECT_EQ(ReadFile(inner / "Huevane.Bmp"), EncodeBmp(s));
}

}  // namespace
