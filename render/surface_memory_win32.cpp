// Windows side of the surface's memory: a DIB section selected into a
// memory DC for the surface's whole life, so that it can be copied out with
// BitBlt as well as painted byte by byte.

#include <windows.h>

#include <cstring>

#include "render/surface.h"
#include "render/surface_memory.h"
#include "win32/scoped.h"

namespace platform {

SurfaceMemory AcquireSurfaceMemory(const BitmapInfoHeader& header, std::size_t bytes) {
  win32::ScopedCreatedDC dc(CreateCompatibleDC(nullptr));
  if (!dc) {
    throw SurfaceError(SurfaceError::Reason::NoGraphicsResources, header.biWidth, HeightOf(header),
                       bytes);
  }

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = header.biWidth;
  info.bmiHeader.biHeight = header.biHeight;
  info.bmiHeader.biPlanes = header.biPlanes;
  info.bmiHeader.biBitCount = header.biBitCount;
  info.bmiHeader.biCompression = header.biCompression;
  info.bmiHeader.biSizeImage = header.biSizeImage;
  info.bmiHeader.biXPelsPerMeter = header.biXPelsPerMeter;
  info.bmiHeader.biYPelsPerMeter = header.biYPelsPerMeter;
  info.bmiHeader.biClrUsed = header.biClrUsed;
  info.bmiHeader.biClrImportant = header.biClrImportant;

  void* bits = nullptr;
  win32::ScopedBitmap section(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!section || bits == nullptr) {
    throw SurfaceError(SurfaceError::Reason::NoMemory, header.biWidth, HeightOf(header), bytes);
  }
  // Selected for the surface's whole life: ReleaseSurfaceMemory deletes the
  // DC with the section still in it.
  SelectObject(dc.get(), section.get());
  // The padding bytes are never painted, and go into every saved file.
  std::memset(bits, 0, bytes);
  return {section.release(), dc.release(), static_cast<std::uint8_t*>(bits)};
}

void ReleaseSurfaceMemory(SurfaceMemory& memory, std::size_t) noexcept {
  // Released in the reverse order of these lines: the DC first, with the
  // section still selected; then the section.
  const win32::ScopedBitmap section(static_cast<HBITMAP>(memory.bitmap));
  const win32::ScopedCreatedDC dc(static_cast<HDC>(memory.dc));
  memory = {};
}

}  // namespace platform
