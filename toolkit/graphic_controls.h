// Graphic controls that need the platform to draw: a text label and a
// picture. Both are painted by their window, in its painting order.
#pragma once

#include <windows.h>

#include <string>

#include "toolkit/graphic.h"
#include "toolkit/win_control.h"

namespace toolkit {

class Window;

// One line of text on the window colour, sized to its caption.
class TLabel : public TGraphicControl {
 public:
  explicit TLabel(Window& owner);

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(std::wstring caption);
  bool AutoSize() const { return autoSize_; }

  void Paint() override;
  void SetDesignValue(std::wstring_view property, const DesignValue& value) override;
  void Loaded() override;

 private:
  HFONT Font() const;  // its own, or the window's
  void AdjustSize();

  Window& window_;
  std::wstring caption_;
  bool autoSize_ = true;
  DesignedFont font_;
};

// A picture from the program's resources, drawn from the control's top
// left corner at its own size (grown with the window's layout on a display
// of more pixels per inch), neither stretched to the control nor centred.
class TImage : public TGraphicControl {
 public:
  explicit TImage(Window& owner);
  ~TImage() override;

  // A BITMAP resource, or an ICON resource at its image of `size` pixels
  // (0: its first image, at that image's size).
  // Returns false when the program has no such picture.
  bool LoadBitmap(const std::wstring& resource);
  bool LoadIcon(const std::wstring& resource, int size);
  // The picture's own size in pixels, 0 x 0 without one.
  SIZE PictureSize() const { return pictureSize_; }
  HBITMAP Bitmap() const { return bitmap_; }
  HICON Icon() const { return icon_; }
  // Sized to the picture: on from the layout only.
  bool AutoSize() const { return autoSize_; }

  void Paint() override;
  void SetDesignValue(std::wstring_view property, const DesignValue& value) override;

 private:
  void Release();
  void AdjustSize();
  SIZE DrawnSize() const;

  Window& window_;
  HBITMAP bitmap_ = nullptr;
  HICON icon_ = nullptr;
  SIZE pictureSize_{0, 0};
  bool autoSize_ = false;
};

}  // namespace toolkit
