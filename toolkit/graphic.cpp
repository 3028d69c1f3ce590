#include "toolkit/graphic.h"

namespace toolkit {

void TCanvas::Prepare(bool fill) {
  device_->SetPen(pen_.Color(), pen_.Width());
  if (fill) device_->SetBrush(brush_.Color());
}

void TCanvas::MoveTo(std::int32_t x, std::int32_t y) {
  if (device_ != nullptr) device_->MoveTo({x, y});
}

void TCanvas::LineTo(std::int32_t x, std::int32_t y) {
  if (device_ == nullptr) return;
  Prepare(false);
  device_->LineTo({x, y});
}

void TCanvas::Polygon(std::span<const Point> points) {
  if (device_ == nullptr || points.empty()) return;
  Prepare(true);
  device_->Polygon(points);
}

TGraphicControl::TGraphicControl(Component* owner, GraphicHost* host)
    : Component(owner), host_(host) {
  if (host_ != nullptr) host_->AddGraphic(*this);
}

TGraphicControl::~TGraphicControl() {
  if (host_ != nullptr) {
    Invalidate();
    host_->RemoveGraphic(*this);
  }
}

Rect TGraphicControl::BoundsRect() const {
  return {left_, top_, Saturate(std::int64_t{left_} + width_),
          Saturate(std::int64_t{top_} + height_)};
}

void TGraphicControl::SetBounds(std::int32_t left, std::int32_t top, std::int32_t width,
                                std::int32_t height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  Invalidate();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Invalidate();
}

void TGraphicControl::Invalidate() {
  const Rect bounds = BoundsRect();
  if (host_ != nullptr && visible_ && !bounds.Empty()) host_->InvalidateArea(bounds);
}

void TGraphicControl::SetDesignValue(std::wstring_view property, const DesignValue& value) {
  if (property == L"Left") {
    SetBounds(DesignInt(property, value), top_, width_, height_);
  } else if (property == L"Top") {
    SetBounds(left_, DesignInt(property, value), width_, height_);
  } else if (property == L"Width") {
    SetBounds(left_, top_, DesignInt(property, value), height_);
  } else if (property == L"Height") {
    SetBounds(left_, top_, width_, DesignInt(property, value));
  } else if (property == L"Visible") {
    const bool visible = DesignBool(property, value);
    if (visible == visible_) return;
    // Hidden, the area shows the host again; shown, the control.
    visible_ = true;
    Invalidate();
    visible_ = visible;
  } else if (property == L"Hint") {
    Hint = DesignText(property, value);
  } else if (property == L"ShowHint") {
    ShowHint = DesignBool(property, value);
    ParentShowHint = false;
  } else if (property == L"ParentShowHint") {
    ParentShowHint = DesignBool(property, value);
  } else if (property == L"Align") {
    Align = static_cast<TAlign>(DesignInt(property, value));
  } else if (property == L"DragMode") {
    DragMode = static_cast<TDragMode>(DesignInt(property, value));
  } else if (property == L"DragKind") {
    DragKind = static_cast<TDragKind>(DesignInt(property, value));
  } else if (property == L"DragCursor") {
    DragCursor = DesignInt(property, value);
  } else {
    Component::SetDesignValue(property, value);
  }
}

void TGraphicControl::SetDesignReference(std::wstring_view property, Component* target) {
  if (property == L"PopupMenu") {
    PopupMenu = target;
  } else {
    Component::SetDesignReference(property, target);
  }
}

}  // namespace toolkit
