// Filling rows of 24-bit pixels with one colour each at the speed of memset:
// the inner loop of the row styles.
#pragma once

#include <cstddef>
#include <cstdint>

namespace row_fill {

// `rows` rows, `stride` bytes apart, each `pixels` pixels wide, whose first
// pixel already holds the row's colour: fills the rest of each row with that
// colour and writes nothing past its last pixel. Uses the widest stores the
// processor offers.
void FillRowsFromFirstPixel(std::uint8_t* first, std::size_t stride, std::size_t rows,
                            std::size_t pixels);

// The two routes it chooses between, for tests: 16-byte stores, which any
// target has, and 32-byte stores, which only processors with AVX2 have (call
// that only when HasWideStores() says so).
void FillRowsNarrow(std::uint8_t* first, std::size_t stride, std::size_t rows, std::size_t pixels);
void FillRowsWide(std::uint8_t* first, std::size_t stride, std::size_t rows, std::size_t pixels);
bool HasWideStores();

}  // namespace row_fill
