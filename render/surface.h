// The one pixel surface the program paints: a 24-bit, top-down image exactly
// as large as the screen, with rows padded to a multiple of 4 bytes.
//
// Portable: on Windows the pixels live in a DIB section selected into a memory
// DC; elsewhere a plain zeroed block of Stride x height bytes backs them.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "files/path_name.h"
#include "render/bitmap_info.h"

namespace files {
class SaveRoute;
}

// Raised when the surface cannot be made: a size the format cannot hold, or
// no memory / no DIB section for it. The message names the size.
class SurfaceError : public std::runtime_error {
 public:
  enum class Reason {
    TooSmall,            // width or height below 1
    TooLarge,            // more pixel bytes than a BMP file can hold
    NoMemory,            // `bytes` of pixel memory not to be had
    NoGraphicsResources  // no memory DC for them
  };
  SurfaceError(Reason reason, std::int32_t width, std::int32_t height, std::size_t bytes = 0);
  Reason reason() const noexcept { return reason_; }

 private:
  Reason reason_;
};

// Raised by FillGradient for a zero extent, before any pixel changes. The
// message is the one the user sees in the error box, so it is fixed text.
class FloatingPointError : public std::runtime_error {
 public:
  enum class Kind { DivisionByZero, InvalidOperation };
  explicit FloatingPointError(Kind kind);
  Kind kind() const noexcept { return kind_; }

 private:
  Kind kind_;
};

class TWin {
 public:
  // Throws SurfaceError when width or height is below 1, when the image is
  // larger than a BMP file can describe (Stride x height above 2 GiB), or
  // when the memory cannot be had. Every byte of a new surface is 0.
  TWin(std::int32_t width, std::int32_t height);
  virtual ~TWin();
  TWin(const TWin&) = delete;
  TWin& operator=(const TWin&) = delete;

  // One straight run of pixels in one colour, both endpoints included.
  // Coordinates are clamped onto the surface, never cut; Weight 128 (and any
  // weight above 128 or below 0) replaces, 0 keeps, 1..127 blends in 128ths.
  void PlotSpan(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2,
                std::int32_t Red, std::int32_t Green, std::int32_t Blue, std::int32_t Weight);

  // Paints a two-colour gradient into a rectangle in one of six styles
  // (0..2 columns, 3..5 rows); a negative Left selects the whole surface.
  // Throws FloatingPointError for a zero extent before drawing anything.
  void FillGradient(std::int32_t StartRed, std::int32_t StartGreen, std::int32_t StartBlue,
                    std::int32_t EndRed, std::int32_t EndGreen, std::int32_t EndBlue,
                    std::int32_t Style, std::int32_t Weight, std::int32_t Left, std::int32_t Top,
                    std::int32_t Right, std::int32_t Bottom);

  // The same fill, always walked line by line through PlotSpan. FillGradient
  // takes a faster route where it provably gives the same bytes; this is the
  // reference those routes are tested against.
  void FillGradientByLines(std::int32_t StartRed, std::int32_t StartGreen, std::int32_t StartBlue,
                           std::int32_t EndRed, std::int32_t EndGreen, std::int32_t EndBlue,
                           std::int32_t Style, std::int32_t Weight, std::int32_t Left,
                           std::int32_t Top, std::int32_t Right, std::int32_t Bottom);

  // Writes the surface as a 24-bit bottom-up BMP. The new image goes to a
  // file of our own beside Path and replaces Path only once it is whole and
  // closed, so Path is always either the previous file or the new one. Every
  // error is swallowed; no temporary file survives a failure.
  void SaveToBmp(const files::PathName& Path);
  // The same through `Route`, which may keep a spare file for the next save
  // of the same Path, or the picture pending while a reader holds Path (see
  // files::ReaderSafeRoute). Whoever owns the route finishes that work.
  void SaveToBmp(const files::PathName& Path, files::SaveRoute& Route);

  std::int32_t Width() const noexcept { return Header.biWidth; }
  std::int32_t Height() const noexcept { return HeightOf(Header); }
  std::int32_t RowStride() const noexcept { return Stride; }
  std::uint8_t* PixelBits() noexcept { return Bits; }
  const std::uint8_t* PixelBits() const noexcept { return Bits; }
  std::size_t PixelBytes() const noexcept {
    return static_cast<std::size_t>(Stride) * static_cast<std::size_t>(Height());
  }
  // The memory device context holding the DIB section (Windows); null natively.
  void* DeviceContext() const noexcept { return MemoryDC; }

 private:
  void FillOpaqueWholeSurface(std::int32_t StartRed, std::int32_t StartGreen,
                              std::int32_t StartBlue, std::int32_t EndRed, std::int32_t EndGreen,
                              std::int32_t EndBlue, std::int32_t Style);

  BitmapInfoHeader Header{};
  void* BitmapHandle = nullptr;
  std::uint8_t* Bits = nullptr;
  std::uint8_t* RunCursor = nullptr;
  void* MemoryDC = nullptr;
  std::int32_t Stride = 0;
  std::uint8_t* PixelCursor = nullptr;
  std::int32_t PixelStep = 3;
};

// Where PlotSpan puts a coordinate on a line of pixels whose last index is
// `last`: at or past it on it, below 0 on 0. Out-of-range coordinates land on
// the nearest edge rather than being cut.
template <std::integral Int>
constexpr Int ClampOnto(Int value, Int last) {
  if (value >= last) return last;
  return value < 0 ? 0 : value;
}

// Makes the program's one surface. Throws SurfaceError like the constructor.
std::unique_ptr<TWin> CreateWin(std::int32_t width, std::int32_t height);

// Mixes New into Old with Weight in 128ths, rounding down. ClampNew >= 1
// clamps New to 0..255 first. Weights outside 0..128 give New.
std::int32_t BlendChannel(std::int32_t Old, std::int32_t New, std::int32_t Weight,
                          std::int32_t ClampNew);

// Row length in bytes for a 24-bit image: 3 x width rounded up to 4. Exact
// for any 32-bit width (64-bit result).
constexpr std::int64_t StrideFor24Bit(std::int64_t width) { return ((24 * width + 31) / 32) * 4; }

// The most pixel bytes a surface may have: a BMP file states its whole length
// (54 header bytes and the pixels) in a signed 32-bit field, and a 32-bit
// process could not map more anyway.
constexpr std::int64_t kMaxSurfaceBytes = 2147483647 - 54;

// The pixel bytes of a width x height surface (Stride x height), or 0 when
// width or height is below 1 or the image would need more than
// kMaxSurfaceBytes. Defined for any 32-bit values: the product is only formed
// once it is known to fit.
std::int64_t SurfaceBytes(std::int32_t width, std::int32_t height) noexcept;
