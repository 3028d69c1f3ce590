#include "toolkit/gdi_canvas.h"

#include <utility>
#include <vector>

namespace toolkit {

void GdiCanvasDevice::SetPen(TColor color, std::int32_t width) {
  if (pen_ && color == penColor_ && width == penWidth_) return;
  win32::ScopedPen pen(CreatePen(PS_SOLID, width, color));
  if (!pen) return;  // keep drawing with the one we have
  // The context's own pen goes back in before the old one is deleted; the
  // new one then displaces it again.
  penSelected_.reset();
  pen_ = std::move(pen);
  penSelected_.emplace(dc_, pen_.get());
  penColor_ = color;
  penWidth_ = width;
}

void GdiCanvasDevice::SetBrush(TColor color) {
  if (brush_ && color == brushColor_) return;
  win32::ScopedBrush brush(CreateSolidBrush(color));
  if (!brush) return;
  brushSelected_.reset();
  brush_ = std::move(brush);
  brushSelected_.emplace(dc_, brush_.get());
  brushColor_ = color;
}

void GdiCanvasDevice::MoveTo(Point p) { MoveToEx(dc_, p.x, p.y, nullptr); }

void GdiCanvasDevice::LineTo(Point p) { ::LineTo(dc_, p.x, p.y); }

void GdiCanvasDevice::Polygon(std::span<const Point> points) {
  std::vector<POINT> native(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) native[i] = {points[i].x, points[i].y};
  ::Polygon(dc_, native.data(), static_cast<int>(native.size()));
}

void PaintGraphicControl(HDC dc, TGraphicControl& control) {
  if (!control.Visible()) return;
  const Rect bounds = control.BoundsRect();
  if (bounds.Empty()) return;
  const win32::ScopedSaveDC saved(dc);
  // Clip first, in the host's coordinates; then move the origin.
  IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
  POINT origin{};
  GetViewportOrgEx(dc, &origin);
  SetViewportOrgEx(dc, origin.x + bounds.left, origin.y + bounds.top, nullptr);
  GdiCanvasDevice device(dc);
  // Lent for this paint only, however it ends.
  const struct Lent {
    TCanvas& canvas;
    ~Lent() { canvas.Attach(nullptr); }
  } lent{control.Canvas()};
  lent.canvas.Attach(&device);
  control.Paint();
}

}  // namespace toolkit
