#include "render/bmp.h"

#include "files/save_route.h"
#include "render/surface.h"

namespace {

void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::array<std::uint8_t, kBmpHeaderBytes> EncodeBmpHeader(std::int32_t width, std::int32_t height,
                                                          std::int32_t stride) {
  const std::uint32_t imageBytes =
      static_cast<std::uint32_t>(stride) * static_cast<std::uint32_t>(height);
  std::array<std::uint8_t, kBmpHeaderBytes> h{};
  std::uint8_t* p = h.data();
  // File header.
  p[0] = 'B';
  p[1] = 'M';
  Put32(p + 2, static_cast<std::uint32_t>(kBmpHeaderBytes) + imageBytes);
  Put16(p + 6, 0);
  Put16(p + 8, 0);
  Put32(p + 10, static_cast<std::uint32_t>(kBmpHeaderBytes));
  // Info header: positive height, so the rows run bottom-up.
  Put32(p + 14, 40);
  Put32(p + 18, static_cast<std::uint32_t>(width));
  Put32(p + 22, static_cast<std::uint32_t>(height));
  Put16(p + 26, 1);
  Put16(p + 28, 24);
  Put32(p + 30, kBiRgb);
  Put32(p + 34, imageBytes);
  // Resolution and colour counts stay 0.
  return h;
}

std::array<std::uint8_t, kBmpHeaderBytes> EncodeBmpHeader(const TWin& surface) {
  return EncodeBmpHeader(surface.Width(), surface.Height(), surface.RowStride());
}

// The header, then the surface's rows in reverse order (the file is
// bottom-up). Padding bytes go out as they are in the surface: zero from
// construction, and never written since.
std::vector<files::ByteRange> BmpFileParts(
    const TWin& surface, const std::array<std::uint8_t, kBmpHeaderBytes>& header) {
  std::vector<files::ByteRange> parts;
  parts.reserve(static_cast<std::size_t>(surface.Height()) + 1);
  parts.push_back({header.data(), header.size()});
  const std::size_t stride = static_cast<std::size_t>(surface.RowStride());
  for (std::int32_t y = surface.Height() - 1; y >= 0; --y) {
    parts.push_back({surface.PixelBits() + static_cast<std::size_t>(y) * stride, stride});
  }
  return parts;
}

bool WriteBmpFile(const TWin& surface, const files::PathName& path) {
  const auto header = EncodeBmpHeader(surface);
  return files::WriteFileReplacing(path, BmpFileParts(surface, header));
}

void TWin::SaveToBmp(const files::PathName& Path) {
  // A failed write is no concern of the caller's: the previous file stays.
  try {
    WriteBmpFile(*this, Path);
  } catch (...) {
  }
}

void TWin::SaveToBmp(const files::PathName& Path, files::SaveRoute& Route) {
  try {
    const auto header = EncodeBmpHeader(*this);
    Route.Write(Path, BmpFileParts(*this, header));
  } catch (...) {
  }
}
