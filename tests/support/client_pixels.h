// A window's client area as its paints left it, read back, for tests to
// compare what a window shows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// Where ClientPixels reads from: the window painting itself into our
// picture (WM_PRINTCLIENT), or what its last paints left on the screen.
enum class From { Print, Screen };

// The window's client area as painted, read back as 0x00RRGGBB.
inline std::vector<std::uint32_t> ClientPixels(HWND window, SIZE size, From from = From::Print) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, dib);
  if (from == From::Print) {
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
  } else {
    HDC screen = GetDC(window);
    BitBlt(memory, 0, 0, size.cx, size.cy, screen, 0, 0, SRCCOPY);
    ReleaseDC(window, screen);
  }
  GdiFlush();
  std::vector<std::uint32_t> pixels(static_cast<std::uint32_t*>(bits),
                                    static_cast<std::uint32_t*>(bits) + size.cx * size.cy);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(dib);
  for (auto& p : pixels) p &= 0xFFFFFF;
  return pixels;
}
