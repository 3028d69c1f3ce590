// Small owners for the Win32 resources the program pairs by hand otherwise:
// each one releases exactly what it was given, once, when it goes out of scope.
// Moving one hands the resource over; none can be copied.
#pragma once

#include <windows.h>

#include <utility>

namespace win32 {

// A kernel handle closed with CloseHandle. Both null and INVALID_HANDLE_VALUE
// mean "nothing", since CreateFile and OpenProcess disagree on which to return.
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE handle) noexcept : handle_(handle) {}
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~ScopedHandle() { reset(); }

  [[nodiscard]] bool valid() const noexcept {
    return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE;
  }
  [[nodiscard]] HANDLE get() const noexcept { return handle_; }
  HANDLE release() noexcept { return std::exchange(handle_, nullptr); }
  void reset(HANDLE handle = nullptr) noexcept {
    if (valid()) CloseHandle(handle_);
    handle_ = handle;
  }
  // Closes now and says whether the system agreed (a write may fail only here).
  bool close() noexcept {
    const bool closed = !valid() || CloseHandle(handle_) != 0;
    handle_ = nullptr;
    return closed;
  }

 private:
  HANDLE handle_ = nullptr;
};

// A GDI object (bitmap, font, pen, brush) deleted with DeleteObject.
template <typename T>
class ScopedGdiObject {
 public:
  ScopedGdiObject() = default;
  explicit ScopedGdiObject(T object) noexcept : object_(object) {}
  ScopedGdiObject(ScopedGdiObject&& other) noexcept : object_(other.release()) {}
  ScopedGdiObject& operator=(ScopedGdiObject&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~ScopedGdiObject() { reset(); }

  [[nodiscard]] T get() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }
  T release() noexcept { return std::exchange(object_, nullptr); }
  void reset(T object = nullptr) noexcept {
    if (object_ != nullptr) DeleteObject(object_);
    object_ = object;
  }

 private:
  T object_ = nullptr;
};

using ScopedBitmap = ScopedGdiObject<HBITMAP>;
using ScopedFont = ScopedGdiObject<HFONT>;

// A DC made with CreateCompatibleDC (or CreateDC), deleted with DeleteDC.
class ScopedCreatedDC {
 public:
  ScopedCreatedDC() = default;
  explicit ScopedCreatedDC(HDC dc) noexcept : dc_(dc) {}
  ScopedCreatedDC(ScopedCreatedDC&& other) noexcept : dc_(other.release()) {}
  ScopedCreatedDC& operator=(ScopedCreatedDC&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~ScopedCreatedDC() { reset(); }

  [[nodiscard]] HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }
  HDC release() noexcept { return std::exchange(dc_, nullptr); }
  void reset(HDC dc = nullptr) noexcept {
    if (dc_ != nullptr) DeleteDC(dc_);
    dc_ = dc;
  }

 private:
  HDC dc_ = nullptr;
};

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

// An object selected into a DC for one scope; the one it displaced goes back.
// Selecting nothing (a null object) leaves the DC as it is.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), previous_(dc != nullptr && object != nullptr ? SelectObject(dc, object) : nullptr) {}
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
