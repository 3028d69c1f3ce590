#include "toolkit/gdi_canvas.h"

#include <vector>

namespace toolkit {

GdiCanvasDevice::GdiCanvasDevice(HDC dc) : dc_(dc) {}

GdiCanvasDevice::~GdiCanvasDevice() {
  if (originalPen_ != nullptr) SelectObject(dc_, originalPen_);
  if (originalBrush_ != nullptr) SelectObject(dc_, originalBrush_);
  if (pen_ != nullptr) DeleteObject(pen_);
  if (brush_ != nullptr) DeleteObject(brush_);
}

void GdiCanvasDevice::SetPen(TColor color, std::int32_t width) {
  if (pen_ != nullptr && color == penColor_ && width == penWidth_) return;
  HPEN pen = CreatePen(PS_SOLID, width, color);
  if (pen == nullptr) return;  // keep drawing with the one we have
  HGDIOBJ previous = SelectObject(dc_, pen);
  if (originalPen_ == nullptr) originalPen_ = previous;
  if (pen_ != nullptr) DeleteObject(pen_);
  pen_ = pen;
  penColor_ = color;
  penWidth_ = width;
}

void GdiCanvasDevice::SetBrush(TColor color) {
  if (brush_ != nullptr && color == brushColor_) return;
  HBRUSH brush = CreateSolidBrush(color);
  if (brush == nullptr) return;
  HGDIOBJ previous = SelectObject(dc_, brush);
  if (originalBrush_ == nullptr) originalBrush_ = previous;
  if (brush_ != nullptr) DeleteObject(brush_);
  brush_ = brush;
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
  const int saved = SaveDC(dc);
  // Clip first, in the host's coordinates; then move the origin.
  IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
  POINT origin{};
  GetViewportOrgEx(dc, &origin);
  SetViewportOrgEx(dc, origin.x + bounds.left, origin.y + bounds.top, nullptr);
  {
    GdiCanvasDevice device(dc);
    TCanvas& canvas = control.Canvas();
    canvas.Attach(&device);
    try {
      control.Paint();
    } catch (...) {
      canvas.Attach(nullptr);
      RestoreDC(dc, saved);
      throw;
    }
    canvas.Attach(nullptr);
  }
  RestoreDC(dc, saved);
}

}  // namespace toolkit
