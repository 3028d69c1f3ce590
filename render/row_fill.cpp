#include "render/row_fill.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define HUEVANE_WIDE_STORES 1
#endif

namespace row_fill {

namespace {

// `Pixels` pixels of one colour as bytes. The colour repeats every 3 bytes,
// so a block that starts on any pixel of a row is this same pattern, and 16
// (32) pixels are a whole number of 16-byte (32-byte) stores.
template <std::size_t Pixels>
struct Pattern {
  std::uint8_t bytes[Pixels * 3];

  // Neighbouring rows mostly share a colour: rebuild only on a change.
  bool Update(const std::uint8_t* pixel) {
    if (valid_ && std::memcmp(bytes, pixel, 3) == 0) return false;
    for (std::size_t i = 0; i < Pixels * 3; i += 3) std::memcpy(bytes + i, pixel, 3);
    valid_ = true;
    return true;
  }

 private:
  bool valid_ = false;
};

#ifdef HUEVANE_WIDE_STORES
bool DetectWideStores() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
const bool wideStores = DetectWideStores();
#endif

}  // namespace

void FillRowsNarrow(std::uint8_t* first, std::size_t stride, std::size_t rows, std::size_t pixels) {
  Pattern<16> pattern;
  for (std::uint8_t* row = first; rows > 0; --rows, row += stride) {
    pattern.Update(row);
    std::uint8_t* p = row;
    // A fixed-size copy compiles to three 16-byte stores.
    for (std::size_t blocks = pixels / 16; blocks > 0; --blocks, p += 48) {
      std::memcpy(p, pattern.bytes, 48);
    }
    // The rest: one more whole block ending exactly at the last pixel, or,
    // for a short row, just its bytes.
    if (pixels >= 16) {
      std::memcpy(row + (pixels - 16) * 3, pattern.bytes, 48);
    } else {
      std::memcpy(p, pattern.bytes, pixels * 3);
    }
  }
}

#ifdef HUEVANE_WIDE_STORES
// Tuned for a processor that has AVX2, so that each 32-byte store stays one
// instruction instead of being split in two.
__attribute__((target("avx2,tune=haswell"))) void FillRowsWide(std::uint8_t* first,
                                                               std::size_t stride, std::size_t rows,
                                                               std::size_t pixels) {
  if (pixels < 32) {
    FillRowsNarrow(first, stride, rows, pixels);
    return;
  }
  Pattern<32> pattern;
  __m256i a{}, b{}, c{};
  auto block = [&](std::uint8_t* at) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), a);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(at + 32), b);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(at + 64), c);
  };
  for (std::uint8_t* row = first; rows > 0; --rows, row += stride) {
    if (pattern.Update(row)) {
      a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pattern.bytes));
      b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pattern.bytes + 32));
      c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pattern.bytes + 64));
    }
    std::uint8_t* p = row;
    for (std::size_t blocks = pixels / 32; blocks > 0; --blocks, p += 96) block(p);
    block(row + (pixels - 32) * 3);  // the rest, as in FillRowsNarrow
  }
}

bool HasWideStores() { return wideStores; }
#else
void FillRowsWide(std::uint8_t* first, std::size_t stride, std::size_t rows, std::size_t pixels) {
  FillRowsNarrow(first, stride, rows, pixels);
}

bool HasWideStores() { return false; }
#endif

void FillRowsFromFirstPixel(std::uint8_t* first, std::size_t stride, std::size_t rows,
                            std::size_t pixels) {
  if (HasWideStores()) {
    FillRowsWide(first, stride, rows, pixels);
  } else {
    FillRowsNarrow(first, stride, rows, pixels);
  }
}

}  // namespace row_fill
