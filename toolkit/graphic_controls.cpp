#include "toolkit/graphic_controls.h"

#include <optional>
#include <utility>

#include "toolkit/window.h"

namespace toolkit {

namespace {

HDC DeviceContext(TCanvas& canvas) {
  CanvasDevice* device = canvas.Device();
  return device != nullptr ? static_cast<HDC>(device->NativeHandle()) : nullptr;
}

}  // namespace

TLabel::TLabel(Window& owner) : TGraphicControl(&owner, &owner.GraphicControls()), window_(owner) {}

HFONT TLabel::Font() const {
  if (font_.Handle() != nullptr) return font_.Handle();
  return reinterpret_cast<HFONT>(SendMessageW(window_.Handle(), WM_GETFONT, 0, 0));
}

void TLabel::AdjustSize() {
  if (!autoSize_) return;
  const std::optional<SIZE> extent = MeasureText(nullptr, Font(), caption_);
  if (!extent) return;
  SetBounds(Left(), Top(), caption_.empty() ? 0 : extent->cx, extent->cy);
}

void TLabel::Paint() {
  HDC dc = DeviceContext(Canvas());
  if (dc == nullptr) return;
  RECT area{0, 0, Width(), Height()};
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  const win32::ScopedSelect font(dc, Font());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  DrawTextW(dc, caption_.c_str(), -1, &area, DT_NOPREFIX | DT_SINGLELINE | DT_NOCLIP);
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
  font_.Make(window_.Scale());
  AdjustSize();
  Invalidate();
}

TImage::TImage(Window& owner) : TGraphicControl(&owner, &owner.GraphicControls()), window_(owner) {}

void TImage::Release() {
  bitmap_.reset();
  icon_.reset();
  pictureSize_ = {0, 0};
}

void TImage::TakeBitmapResource(const std::wstring& resource) {
  // A DIB section keeps the picture's own colours whatever the display.
  win32::ScopedBitmap bitmap(static_cast<HBITMAP>(LoadImageW(
      GetModuleHandleW(nullptr), resource.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!bitmap) return;
  Release();
  bitmap_ = std::move(bitmap);
  BITMAP facts{};
  GetObjectW(bitmap_.get(), sizeof(facts), &facts);
  pictureSize_ = {facts.bmWidth, facts.bmHeight};
  AdjustSize();
  Invalidate();
}

void TImage::TakeIconResource(const std::wstring& resource) {
  // Loaded at the size it is drawn, so that it stays crisp: the control's
  // box, which the layout has grown already, or else the system's icon
  // size, which grows with the display.
  const bool boxed = Width() > 0 && Height() > 0;
  const SIZE size = boxed ? SIZE{Width(), Height()}
                          : SIZE{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
  win32::ScopedIcon icon(static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), resource.c_str(), IMAGE_ICON, size.cx, size.cy, 0)));
  if (!icon) return;
  Release();
  icon_ = std::move(icon);
  pictureSize_ = size;
  AdjustSize();
  Invalidate();
}

SIZE TImage::DrawnSize() const {
  if (icon_) return pictureSize_;
  const LayoutScale scale = window_.Scale();
  return {scale(pictureSize_.cx), scale(pictureSize_.cy)};
}

void TImage::AdjustSize() {
  if (!autoSize_ || (!bitmap_ && !icon_)) return;
  const SIZE size = DrawnSize();
  SetBounds(Left(), Top(), size.cx, size.cy);
}

void TImage::Paint() {
  HDC dc = DeviceContext(Canvas());
  if (dc == nullptr) return;
  const SIZE size = DrawnSize();
  if (icon_) {
    DrawIconEx(dc, 0, 0, icon_.get(), size.cx, size.cy, 0, nullptr, DI_NORMAL);
    return;
  }
  if (!bitmap_) return;
  const win32::ScopedCreatedDC source(CreateCompatibleDC(dc));
  if (!source) return;
  const win32::ScopedSelect picture(source.get(), bitmap_.get());
  if (size.cx == pictureSize_.cx && size.cy == pictureSize_.cy) {
    BitBlt(dc, 0, 0, size.cx, size.cy, source.get(), 0, 0, SRCCOPY);
  } else {
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, 0, 0, size.cx, size.cy, source.get(), 0, 0, pictureSize_.cx, pictureSize_.cy,
               SRCCOPY);
  }
}

void TImage::SetDesignValue(std::wstring_view property, const DesignValue& value) {
  if (property == L"AutoSize") {
    autoSize_ = DesignBool(property, value);
    AdjustSize();
  } else if (property == L"Picture.Bitmap") {
    TakeBitmapResource(DesignText(property, value));
  } else if (property == L"Picture.Icon") {
    TakeIconResource(DesignText(property, value));
  } else {
    TGraphicControl::SetDesignValue(property, value);
  }
}

}  // namespace toolkit
