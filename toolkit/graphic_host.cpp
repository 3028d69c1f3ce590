#include "toolkit/graphic_host.h"

#include <windowsx.h>

#include <algorithm>

#include "toolkit/gdi_canvas.h"
#include "toolkit/window.h"
#include "win32/scoped.h"

namespace toolkit {

GraphicControlHost::~GraphicControlHost() {
  for (TGraphicControl* control : controls_) control->ForgetHost();
}

void GraphicControlHost::AddGraphic(TGraphicControl& control) { controls_.push_back(&control); }

void GraphicControlHost::RemoveGraphic(TGraphicControl& control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), &control), controls_.end());
  if (pressed_ == &control) pressed_ = nullptr;
}

void GraphicControlHost::InvalidateArea(const Rect& area) {
  if (window_.Handle() == nullptr) return;
  const RECT native{area.left, area.top, area.right, area.bottom};
  InvalidateRect(window_.Handle(), &native, FALSE);
}

TGraphicControl* GraphicControlHost::ControlAt(POINT point) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    if ((*it)->Visible() && (*it)->BoundsRect().Contains({point.x, point.y})) return *it;
  }
  return nullptr;
}

void GraphicControlHost::PaintInto(HDC dc, const RECT& area) {
  auto background =
      reinterpret_cast<HBRUSH>(GetClassLongPtrW(window_.Handle(), GCLP_HBRBACKGROUND));
  FillRect(dc, &area, background != nullptr ? background : GetSysColorBrush(COLOR_BTNFACE));
  for (TGraphicControl* control : controls_) {
    const Rect bounds = control->BoundsRect();
    const RECT native{bounds.left, bounds.top, bounds.right, bounds.bottom};
    RECT overlap;
    if (IntersectRect(&overlap, &native, &area)) PaintGraphicControl(dc, *control);
  }
}

void GraphicControlHost::Paint() {
  const win32::ScopedPaint paint(window_.Handle());
  if (!paint) return;
  const HDC dc = paint.get();
  const RECT& area = paint.area();
  const int width = area.right - area.left, height = area.bottom - area.top;
  const win32::ScopedCreatedDC buffer(width > 0 && height > 0 ? CreateCompatibleDC(dc) : nullptr);
  const win32::ScopedBitmap picture(buffer ? CreateCompatibleBitmap(dc, width, height) : nullptr);
  if (picture) {
    const win32::ScopedSelect drawing(buffer.get(), picture.get());
    SetViewportOrgEx(buffer.get(), -area.left, -area.top, nullptr);
    PaintInto(buffer.get(), area);
    SetViewportOrgEx(buffer.get(), 0, 0, nullptr);
    BitBlt(dc, area.left, area.top, width, height, buffer.get(), 0, 0, SRCCOPY);
  } else {
    // Without memory for the picture, straight onto the screen.
    PaintInto(dc, area);
  }
}

void GraphicControlHost::Mouse(UINT message, LPARAM lParam) {
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  TGraphicControl* control = ControlAt(point);
  auto local = [&](const TGraphicControl& c, auto&& event, TMouseButton button) {
    if (event) event(button, point.x - c.Left(), point.y - c.Top());
  };
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      if (control == nullptr) return;
      const TMouseButton button = message == WM_LBUTTONDOWN   ? TMouseButton::mbLeft
                                  : message == WM_RBUTTONDOWN ? TMouseButton::mbRight
                                                              : TMouseButton::mbMiddle;
      if (button == TMouseButton::mbLeft) pressed_ = control;
      local(*control, control->OnMouseDown, button);
      return;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const TMouseButton button = message == WM_LBUTTONUP   ? TMouseButton::mbLeft
                                  : message == WM_RBUTTONUP ? TMouseButton::mbRight
                                                            : TMouseButton::mbMiddle;
      TGraphicControl* pressed = pressed_;
      if (button == TMouseButton::mbLeft) pressed_ = nullptr;
      if (control == nullptr) return;
      local(*control, control->OnMouseUp, button);
      // A click is a press and a release on the same control.
      if (button == TMouseButton::mbLeft && pressed == control && control->OnClick) {
        control->OnClick();
      }
      return;
    }
    case WM_LBUTTONDBLCLK:
      if (control != nullptr && control->OnDblClick) control->OnDblClick();
      return;
    case WM_MOUSEMOVE:
      if (control == nullptr) return;
      if (control->OnMouseMove)
        control->OnMouseMove(point.x - control->Left(), point.y - control->Top());
      return;
    default: return;
  }
}

}  // namespace toolkit
