#include "render/surface.h"

#include <string>
#include <utility>

#include "render/surface_memory.h"

namespace {

std::string SurfaceErrorText(SurfaceError::Reason reason, std::int32_t width, std::int32_t height,
                             std::size_t bytes) {
  const std::string size = std::to_string(width) + " x " + std::to_string(height);
  switch (reason) {
    case SurfaceError::Reason::TooSmall:
      return "Cannot make a " + size + " picture: width and height must be at least 1 pixel.";
    case SurfaceError::Reason::TooLarge:
      return "Cannot make a " + size + " picture: it would need more than the " +
             std::to_string(kMaxSurfaceBytes) + " bytes of pixels a BMP file can hold.";
    case SurfaceError::Reason::NoMemory:
    case SurfaceError::Reason::NoGraphicsResources: break;
  }
  const char* what = reason == SurfaceError::Reason::NoMemory ? "memory" : "graphics resources";
  return "Not enough " + std::string(what) + " for a " + size + " picture (" +
         std::to_string(bytes) + " bytes).";
}

}  // namespace

SurfaceError::SurfaceError(Reason reason, std::int32_t width, std::int32_t height,
                           std::size_t bytes)
    : std::runtime_error(SurfaceErrorText(reason, width, height, bytes)), reason_(reason) {}

FloatingPointError::FloatingPointError(Kind kind)
    : std::runtime_error(kind == Kind::DivisionByZero ? "Floating point division by zero"
                                                      : "Invalid floating point operation"),
      kind_(kind) {}

TWin::TWin(std::int32_t width, std::int32_t height) {
  if (width < 1 || height < 1) throw SurfaceError(SurfaceError::Reason::TooSmall, width, height);
  const std::int64_t bytes = SurfaceBytes(width, height);
  if (bytes == 0) throw SurfaceError(SurfaceError::Reason::TooLarge, width, height);
  const std::int64_t stride = StrideFor24Bit(width);
  Header.biSize = sizeof(BitmapInfoHeader);
  Header.biWidth = width;
  Header.biHeight = -height;  // negative: top row first
  Header.biPlanes = 1;
  Header.biBitCount = 24;
  Header.biCompression = kBiRgb;
  Stride = static_cast<std::int32_t>(stride);

  const platform::SurfaceMemory memory =
      platform::AcquireSurfaceMemory(Header, static_cast<std::size_t>(bytes));
  MemoryDC = memory.dc;
  BitmapHandle = memory.bitmap;
  Bits = memory.bits;
}

TWin::~TWin() {
  platform::SurfaceMemory memory{BitmapHandle, MemoryDC, Bits};
  platform::ReleaseSurfaceMemory(memory, PixelBytes());
}

std::int64_t SurfaceBytes(std::int32_t width, std::int32_t height) noexcept {
  if (width < 1 || height < 1) return 0;
  const std::int64_t stride = StrideFor24Bit(width);
  // stride <= kMaxSurfaceBytes / height is stride x height <= kMaxSurfaceBytes,
  // asked without forming a product that may not fit in 64 bits.
  if (stride > kMaxSurfaceBytes / height) return 0;
  return stride * height;
}

std::unique_ptr<TWin> CreateWin(std::int32_t width, std::int32_t height) {
  return std::make_unique<TWin>(width, height);
}

std::int32_t BlendChannel(std::int32_t Old, std::int32_t New, std::int32_t Weight,
                          std::int32_t ClampNew) {
  if (ClampNew >= 1) {
    if (New >= 255) {
      New = 255;
    } else if (New < 0) {
      New = 0;
    }
  }
  if (Weight < 0 || Weight > 128) return New;
  // 64-bit so that any 32-bit channel values stay defined; the arithmetic
  // shift rounds down (toward minus infinity), which for channel values in
  // 0..255 is the exact floor of the division by 128.
  const std::int64_t mixed =
      static_cast<std::int64_t>(Old) * (128 - Weight) + static_cast<std::int64_t>(New) * Weight;
  return static_cast<std::int32_t>(mixed >> 7);
}

// One function, long as it is, on purpose: it clamps, picks one of four
// walks (a point, a row, a column, a slanted line) and leaves the cursors
// where its walk ended, and the walks share the clamped ends, the pixel
// writer and the address rule. Split into a function per walk, each would
// take all of them as arguments, and the one place that shows which walk a
// span takes, and where each one leaves the cursors, would be gone.
void TWin::PlotSpan(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2,
                    std::int32_t Red, std::int32_t Green, std::int32_t Blue, std::int32_t Weight) {
  const std::int32_t xmax = Width() - 1;
  const std::int32_t ymax = Height() - 1;
  X1 = ClampOnto(X1, xmax);
  X2 = ClampOnto(X2, xmax);
  Y1 = ClampOnto(Y1, ymax);
  Y2 = ClampOnto(Y2, ymax);

  const std::uint8_t blue = static_cast<std::uint8_t>(Blue);
  const std::uint8_t green = static_cast<std::uint8_t>(Green);
  const std::uint8_t red = static_cast<std::uint8_t>(Red);
  const bool opaque = Weight == 128;
  auto put = [&](std::uint8_t* p) {
    if (opaque) {
      p[0] = blue;
      p[1] = green;
      p[2] = red;
    } else {
      p[0] = static_cast<std::uint8_t>(BlendChannel(p[0], Blue, Weight, 0));
      p[1] = static_cast<std::uint8_t>(BlendChannel(p[1], Green, Weight, 0));
      p[2] = static_cast<std::uint8_t>(BlendChannel(p[2], Red, Weight, 0));
    }
  };
  // Coordinates are clamped, so every offset lies inside the pixel block and
  // inside a row's 3 x width pixel bytes: padding is never written.
  // (Locals, not members: byte stores may alias the object itself, which
  // would force every loop to reload its fields.)
  std::uint8_t* const bits = Bits;
  const std::ptrdiff_t stride = Stride;
  auto address = [bits, stride](std::int32_t x, std::int32_t y) {
    return bits + static_cast<std::ptrdiff_t>(y) * stride + static_cast<std::ptrdiff_t>(x) * 3;
  };

  const std::int32_t dx = X2 - X1;
  const std::int32_t dy = Y2 - Y1;
  if (dx == 0 && dy == 0) {
    PixelCursor = address(X1, Y1);
    put(PixelCursor);
  } else if (dy == 0) {
    if (X1 > X2) std::swap(X1, X2);
    PixelStep = 3;
    const std::ptrdiff_t pixelStep = PixelStep;
    std::uint8_t* cursor = address(X1, Y1);
    for (std::int32_t x = X1; x <= X2; ++x) {
      put(cursor);
      cursor += pixelStep;
    }
    RunCursor = cursor;
  } else if (dx == 0) {
    if (Y1 > Y2) std::swap(Y1, Y2);
    std::uint8_t* cursor = address(X1, Y1);
    for (std::int32_t y = Y1; y < Y2; ++y) {
      put(cursor);
      cursor += stride;
    }
    put(cursor);
    PixelCursor = cursor;
  } else {
    // Line walk along the major axis (y when the differences are equal),
    // from the endpoint with the smaller major coordinate. The error counter
    // starts at half the minor difference, so the result does not depend on
    // the order of the endpoints.
    const bool xMajor = (dx < 0 ? -dx : dx) > (dy < 0 ? -dy : dy);
    std::int32_t major0, major1, minor0, minor1;
    if (xMajor) {
      major0 = X1, major1 = X2, minor0 = Y1, minor1 = Y2;
    } else {
      major0 = Y1, major1 = Y2, minor0 = X1, minor1 = X2;
    }
    if (major0 > major1) {
      std::swap(major0, major1);
      std::swap(minor0, minor1);
    }
    const std::int64_t M = static_cast<std::int64_t>(major1) - major0;
    const std::int64_t m = minor1 > minor0 ? static_cast<std::int64_t>(minor1) - minor0
                                           : static_cast<std::int64_t>(minor0) - minor1;
    const std::int32_t step = minor1 > minor0 ? 1 : -1;
    std::int64_t counter = m / 2;
    std::int32_t minor = minor0;
    std::uint8_t* cursor = nullptr;
    for (std::int32_t major = major0;; ++major) {
      cursor = xMajor ? address(major, minor) : address(minor, major);
      put(cursor);
      if (major == major1) break;
      counter += m;
      if (counter > M) {
        minor += step;
        counter -= M;
      }
    }
    PixelCursor = cursor;
  }
}
