// Both store widths fill exactly the pixels of each row, whatever the length,
// alignment and colour changes, and never a byte past them.

#include <gtest/gtest.h>

#include <vector>

#include "render/row_fill.h"

namespace {

using FillFunction = void (*)(std::uint8_t*, std::size_t, std::size_t, std::size_t);

void ExpectExactFill(FillFunction fill, const char* name) {
  constexpr std::uint8_t kGuard = 0xEE;
  constexpr std::size_t kRows = 5;
  // Rows 1 and 2 share a colour, so the pattern is both reused and rebuilt.
  auto colourOf = [](std::size_t row) { return static_cast<std::uint8_t>(row == 2 ? 1 : row); };
  for (std::size_t offset = 0; offset < 4; ++offset) {
    for (std::size_t pixels : {1, 2, 15, 16, 17, 31, 32, 33, 47, 64, 95, 96, 97, 1366}) {
      const std::size_t stride = pixels * 3 + 5;  // 5 guard bytes after each row
      std::vector<std::uint8_t> buffer(offset + stride * kRows + 40, kGuard);
      for (std::size_t r = 0; r < kRows; ++r) {
        std::uint8_t* row = buffer.data() + offset + r * stride;
        row[0] = colourOf(r);
        row[1] = 0x22;
        row[2] = 0x33;
      }
      fill(buffer.data() + offset, stride, kRows, pixels);
      for (std::size_t i = 0; i < buffer.size(); ++i) {
        const std::size_t at = i - offset, row = at / stride, column = at % stride;
        const bool inside = i >= offset && row < kRows && column < pixels * 3;
        const std::uint8_t expected = !inside           ? kGuard
                                      : column % 3 == 0 ? colourOf(row)
                                      : column % 3 == 1 ? 0x22
                                                        : 0x33;
        ASSERT_EQ(buffer[i], expected)
            << name << ": byte " << i << ", " << pixels << " pixels at offset " << offset;
      }
    }
  }
}

TEST(RowFill, NarrowStoresFillExactly) { ExpectExactFill(row_fill::FillRowsNarrow, "narrow"); }

TEST(RowFill, WideStoresFillExactly) {
  if (!row_fill::HasWideStores()) GTEST_SKIP() << "no AVX2 on this processor";
  ExpectExactFill(row_fill::FillRowsWide, "wide");
}

}  // namespace
