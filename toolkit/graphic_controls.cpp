#include "toolkit/graphic_controls.h"

#include "toolkit/window.h"

namespace toolkit {

namespace {

HDC DeviceContext(TCanvas& canvas) {
  CanvasDevice* device = canvas.Device();
  return device != nullptr ? static_cast<HDC>(device->NativeHandle()) : nullptr;
}

}  // namespace

TLabel::TLabel(Window& owner) : TGraphicControl(&owner, &owner), window_(owner) {}

HFONT TLabel::Font() const {
  if (font_.Handle() != nullptr) return font_.Handle();
  return reinterpret_cast<HFONT>(SendMessageW(window_.Handle(), WM_GETFONT, 0, 0));
}

void TLabel::AdjustSize() {
  if (!autoSize_) return;
  HDC dc = GetDC(nullptr);
  if (dc == nullptr) return;
  HFONT font = Font();
  HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
  RECT extent{0, 0, 0, 0};
  DrawTextW(dc, caption_.empty() ? L" " : caption_.c_str(), -1, &extent,
            DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
  if (previous != nullptr) SelectObject(dc, previous);
  ReleaseDC(nullptr, dc);
  SetBounds(Left(), Top(), caption_.empty() ? 0 : extent.right, extent.bottom);
}

void TLabel::Paint() {
  HDC dc = DeviceContext(Canvas());
  if (dc == nullptr) return;
  RECT area{0, 0, Width(), Height()};
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  HFONT font = Font();
  HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  DrawTextW(dc, caption_.c_str(), -1, &area, DT_NOPREFIX | DT_SINGLELINE | DT_NOCLIP);
  if (previous != nullptr) SelectObject(dc, previous);
}

void TLabel::SetDesignValue(std::wstring_view property, const DesignValue& value) {
  if (property == L"Caption") {
    caption_ = DesignText(property, value);
    AdjustSize();
    Invalidate();
  } else if (property == L"AutoSize") {
    autoSize_ = DesignBool(property, value);
  } else if (!font_.SetDesignValue(property, value)) {
    TGraphicControl::SetDesignValue(property, value);
  }
}

void TLabel::Loaded() {
  font_.Make();
  AdjustSize();
  Invalidate();
}

TImage::TImage(Window& owner) : TGraphicControl(&owner, &owner), window_(owner) {}

TImage::~TImage() { Release(); }

void TImage::Release() {
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  if (icon_ != nullptr) DestroyIcon(icon_);
  bitmap_ = nullptr;
  icon_ = nullptr;
  pictureSize_ = {0, 0};
}

bool TImage::LoadBitmap(const std::wstring& resource) {
  // A DIB section keeps the picture's own colours whatever the display.
  auto* bitmap = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), resource.c_str(),
                                                 IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (bitmap == nullptr) return false;
  Release();
  bitmap_ = bitmap;
  BITMAP facts{};
  GetObjectW(bitmap_, sizeof(facts), &facts);
  pictureSize_ = {facts.bmWidth, facts.bmHeight};
  AdjustSize();
  Invalidate();
  return true;
}

bool TImage::LoadIcon(const std::wstring& resource, int size) {
  auto* icon = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), resource.c_str(), IMAGE_ICON, size, size, 0));
  if (icon == nullptr) return false;
  Release();
  icon_ = icon;
  pictureSize_ = {size, size};
  ICONINFO info{};
  if (size == 0 && GetIconInfo(icon_, &info)) {
    BITMAP facts{};
    if (info.hbmColor != nullptr && GetObjectW(info.hbmColor, sizeof(facts), &facts)) {
      pictureSize_ = {facts.bmWidth, facts.bmHeight};
    }
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  }
  AdjustSize();
  Invalidate();
  return true;
}

SIZE TImage::DrawnSize() const {
  const LayoutScale scale = window_.Scale();
  return {scale(pictureSize_.cx), scale(pictureSize_.cy)};
}

void TImage::AdjustSize() {
  if (!autoSize_ || (bitmap_ == nullptr && icon_ == nullptr)) return;
  const SIZE size = DrawnSize();
  SetBounds(Left(), Top(), size.cx, size.cy);
}

void TImage::Paint() {
  HDC dc = DeviceContext(Canvas());
  if (dc == nullptr) return;
  const SIZE size = DrawnSize();
  if (icon_ != nullptr) {
    DrawIconEx(dc, 0, 0, icon_, size.cx, size.cy, 0, nullptr, DI_NORMAL);
    return;
  }
  if (bitmap_ == nullptr) return;
  HDC source = CreateCompatibleDC(dc);
  if (source == nullptr) return;
  HGDIOBJ previous = SelectObject(source, bitmap_);
  if (size.cx == pictureSize_.cx && size.cy == pictureSize_.cy) {
    BitBlt(dc, 0, 0, size.cx, size.cy, source, 0, 0, SRCCOPY);
  } else {
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, 0, 0, size.cx, size.cy, source, 0, 0, pictureSize_.cx, pictureSize_.cy,
               SRCCOPY);
  }
  SelectObject(source, previous);
  DeleteDC(source);
}

void TImage::SetDesignValue(std::wstring_view property, const DesignValue& value) {
  if (property == L"AutoSize") {
    autoSize_ = DesignBool(property, value);
    AdjustSize();
  } else if (property == L"Picture.Bitmap") {
    LoadBitmap(DesignText(property, value));
  } else if (property == L"Picture.Icon") {
    LoadIcon(DesignText(property, value), 0);
  } else {
    TGraphicControl::SetDesignValue(property, value);
  }
}

}  // namespace toolkit
