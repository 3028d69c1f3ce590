// Graphic controls that need the platform to draw: a text label and a
// picture. Both are painted by their window, in its painting order.
#pragma once

#include <windows.h>

#include <string>

#include "toolkit/font.h"
#include "toolkit/graphic.h"
#include "win32/scoped.h"

namespace toolkit {

class Window;

// One line of text on the window colour. With AutoSize (the default) it
// takes the size of its caption in its font whenever either changes: a
// layout's Width and Height for it are then overwritten, and a layout need
// give only Left and Top.
class TLabel : public TGraphicControl {
 public:
  explicit TLabel(Window& owner);

  void Paint() override;
  void SetDesignValue(std::wstring_view property, const DesignValue& value) override;
  void Loaded() override;

  const std::wstring& Caption() const { return caption_; }
  HFONT Font() const;  // its own, or the window's

 private:
  void AdjustSize();

  Window& window_;
  std::wstring caption_;
  bool autoSize_ = true;
  ControlFont font_;
};

// A picture from the program's resources, drawn from the control's top
// left corner at its own size (a bitmap's grown with the window's layout on
// a display of more pixels per inch), neither stretched to the control nor
// centred.
class TImage : public TGraphicControl {
 public:
  explicit TImage(Window& owner);

  void Paint() override;
  // Picture.Bitmap names a BITMAP resource, Picture.Icon an ICON resource,
  // drawn at the size of the control (set before it); AutoSize sizes the
  // control to the picture.
  void SetDesignValue(std::wstring_view property, const DesignValue& value) override;

 private:
  // A BITMAP resource, or an ICON resource at the control's size (with no
  // size yet, the system's icon size). A picture the program lacks leaves
  // the control as it was.
  void TakeBitmapResource(const std::wstring& resource);
  void TakeIconResource(const std::wstring& resource);
  void Release();
  void AdjustSize();
  SIZE DrawnSize() const;

  Window& window_;
  win32::ScopedBitmap bitmap_;
  win32::ScopedIcon icon_;
  // A bitmap's size as designed; an icon's as drawn.
  SIZE pictureSize_{0, 0};
  bool autoSize_ = false;
};

}  // namespace toolkit
