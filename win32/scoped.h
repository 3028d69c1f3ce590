// Small owners for the Win32 resources the program pairs by hand otherwise:
// each one releases exactly what it was given, once, when it goes out of scope.
// Moving one hands the resource over; none can be copied.
#pragma once

#include <windows.h>

#include <utility>

namespace win32 {

// One owned resource of type T, released with Traits::Free. Traits::IsSet
// says which values mean "nothing" (null, and for some kernel calls
// INVALID_HANDLE_VALUE).
template <typename T, typename Traits>
class ScopedResource {
 public:
  ScopedResource() = default;
  explicit ScopedResource(T value) noexcept : value_(value) {}
  ScopedResource(ScopedResource&& other) noexcept : value_(other.release()) {}
  ScopedResource& operator=(ScopedResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~ScopedResource() { reset(); }

  [[nodiscard]] bool valid() const noexcept { return Traits::IsSet(value_); }
  explicit operator bool() const noexcept { return valid(); }
  [[nodiscard]] T get() const noexcept { return value_; }
  T release() noexcept { return std::exchange(value_, T{}); }
  void reset(T value = T{}) noexcept { Free(std::exchange(value_, value)); }
  // Releases now and says whether the system agreed (a write may fail only
  // when its file is closed).
  bool close() noexcept { return Free(release()); }

 private:
  static bool Free(T value) noexcept { return !Traits::IsSet(value) || Traits::Free(value); }
  T value_{};
};

struct HandleTraits {
  static bool IsSet(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static bool Free(HANDLE h) noexcept { return CloseHandle(h) != 0; }
};
struct GdiObjectTraits {
  static bool IsSet(HGDIOBJ o) noexcept { return o != nullptr; }
  static bool Free(HGDIOBJ o) noexcept { return DeleteObject(o) != 0; }
};
struct CreatedDCTraits {
  static bool IsSet(HDC dc) noexcept { return dc != nullptr; }
  static bool Free(HDC dc) noexcept { return DeleteDC(dc) != 0; }
};
struct IconTraits {
  static bool IsSet(HICON icon) noexcept { return icon != nullptr; }
  static bool Free(HICON icon) noexcept { return DestroyIcon(icon) != 0; }
};
struct FindTraits {
  static bool IsSet(HANDLE search) noexcept { return HandleTraits::IsSet(search); }
  static bool Free(HANDLE search) noexcept { return FindClose(search) != 0; }
};

// A kernel handle, closed with CloseHandle.
using ScopedHandle = ScopedResource<HANDLE, HandleTraits>;
// A GDI object (bitmap, font, pen, brush), deleted with DeleteObject.
template <typename T>
using ScopedGdiObject = ScopedResource<T, GdiObjectTraits>;
using ScopedBitmap = ScopedGdiObject<HBITMAP>;
using ScopedFont = ScopedGdiObject<HFONT>;
using ScopedPen = ScopedGdiObject<HPEN>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;
// A DC made with CreateCompatibleDC (or CreateDC), deleted with DeleteDC.
using ScopedCreatedDC = ScopedResource<HDC, CreatedDCTraits>;
// An icon made by LoadImage (not a shared one), destroyed with DestroyIcon.
using ScopedIcon = ScopedResource<HICON, IconTraits>;
// A directory search from FindFirstFile, ended with FindClose.
using ScopedFind = ScopedResource<HANDLE, FindTraits>;

// A window's (or the screen's, for a null window) DC from GetDC, given back
// with ReleaseDC.
class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;
  ~ScopedGetDC() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }

  [[nodiscard]] HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// A window's paint, from BeginPaint to EndPaint: the DC is valid for the
// scope, and the update region is validated even if painting throws.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND window) noexcept : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;
  ~ScopedPaint() {
    if (dc_ != nullptr) EndPaint(window_, &paint_);
  }

  [[nodiscard]] HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }
  [[nodiscard]] const RECT& area() const noexcept { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// A DC's whole state (clip region, origin, selections) saved for one scope
// and put back at its end.
class ScopedSaveDC {
 public:
  explicit ScopedSaveDC(HDC dc) noexcept : dc_(dc), saved_(SaveDC(dc)) {}
  ScopedSaveDC(const ScopedSaveDC&) = delete;
  ScopedSaveDC& operator=(const ScopedSaveDC&) = delete;
  ~ScopedSaveDC() {
    if (saved_ != 0) RestoreDC(dc_, saved_);
  }

 private:
  HDC dc_;
  int saved_;
};

// An object selected into a DC for one scope; the one it displaced goes back.
// Selecting nothing (a null object) leaves the DC as it is.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc),
        previous_(dc != nullptr && object != nullptr ? SelectObject(dc, object) : nullptr) {}
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;
  ~ScopedSelect() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace win32
