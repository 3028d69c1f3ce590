// Graphic controls on GDI: the canvas device over a device context, and the
// paint of one control the way its host window paints it.
#pragma once

#include <windows.h>

#include <optional>

#include "toolkit/graphic.h"
#include "win32/scoped.h"

namespace toolkit {

// Draws on `dc` with a solid pen and brush made to the canvas's settings.
// Selects them into the context while it lives and puts the context's own
// back when it goes.
class GdiCanvasDevice : public CanvasDevice {
 public:
  explicit GdiCanvasDevice(HDC dc) : dc_(dc) {}
  GdiCanvasDevice(const GdiCanvasDevice&) = delete;
  GdiCanvasDevice& operator=(const GdiCanvasDevice&) = delete;

  void SetPen(TColor color, std::int32_t width) override;
  void SetBrush(TColor color) override;
  void MoveTo(Point p) override;
  void LineTo(Point p) override;
  void Polygon(std::span<const Point> points) override;
  void* NativeHandle() override { return dc_; }

 private:
  HDC dc_;
  // Each selection is made after its object and undone before it goes.
  win32::ScopedPen pen_;
  win32::ScopedBrush brush_;
  std::optional<win32::ScopedSelect> penSelected_;
  std::optional<win32::ScopedSelect> brushSelected_;
  TColor penColor_ = 0;
  std::int32_t penWidth_ = -1;
  TColor brushColor_ = 0;
};

// Paints `control` into `dc`, whose origin is its host's client corner: the
// origin moves to the control's corner and drawing is clipped to the
// control's area (and to whatever clipping `dc` already has). The context
// is left as it was found.
void PaintGraphicControl(HDC dc, TGraphicControl& control);

}  // namespace toolkit
