// Small readers over a surface's pixel block, shared by the renderer tests.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "render/surface.h"

namespace probe {

using Point = std::pair<int, int>;  // (x, y)
using Points = std::set<Point>;

// Blue, green, red: the bytes of one pixel in memory order.
inline std::array<std::uint8_t, 3> Pixel(const TWin& s, int x, int y) {
  const std::uint8_t* p = s.PixelBits() + static_cast<std::size_t>(y) * s.RowStride() + 3 * x;
  return {p[0], p[1], p[2]};
}

inline int Red(const TWin& s, int x, int y) { return Pixel(s, x, y)[2]; }

// Sets every pixel byte (not the padding) to `value`.
inline void Paint(TWin& s, std::uint8_t value) {
  for (int y = 0; y < s.Height(); ++y) {
    std::memset(s.PixelBits() + static_cast<std::size_t>(y) * s.RowStride(), value,
                static_cast<std::size_t>(s.Width()) * 3);
  }
}

inline std::vector<std::uint8_t> Snapshot(const TWin& s) {
  return {s.PixelBits(), s.PixelBits() + s.PixelBytes()};
}

// The pixels whose bytes differ between a snapshot and the surface now.
inline Points Changed(const std::vector<std::uint8_t>& before, const TWin& s) {
  Points changed;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) {
      const std::size_t at = static_cast<std::size_t>(y) * s.RowStride() + 3 * x;
      if (std::memcmp(&before[at], s.PixelBits() + at, 3) != 0) changed.insert({x, y});
    }
  }
  return changed;
}

inline bool PaddingIsZero(const TWin& s) {
  const std::size_t used = static_cast<std::size_t>(s.Width()) * 3;
  for (int y = 0; y < s.Height(); ++y) {
    const std::uint8_t* row = s.PixelBits() + static_cast<std::size_t>(y) * s.RowStride();
    for (std::size_t i = used; i < static_cast<std::size_t>(s.RowStride()); ++i) {
      if (row[i] != 0) return false;
    }
  }
  return true;
}

// The red value of every column in row 0, after checking that each column is
// one colour from top to bottom (column styles paint whole columns).
inline std::vector<int> ColumnReds(const TWin& s) {
  std::vector<int> reds;
  for (int x = 0; x < s.Width(); ++x) {
    for (int y = 1; y < s.Height(); ++y) {
      if (Pixel(s, x, y) != Pixel(s, x, 0)) return {};
    }
    reds.push_back(Red(s, x, 0));
  }
  return reds;
}

inline std::vector<int> RowReds(const TWin& s) {
  std::vector<int> reds;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 1; x < s.Width(); ++x) {
      if (Pixel(s, x, y) != Pixel(s, 0, y)) return {};
    }
    reds.push_back(Red(s, 0, y));
  }
  return reds;
}

}  // namespace probe
