// Graphic controls: controls without a native window of their own, painted
// by their parent into the parent's surface through a canvas the parent
// lends them. The canvas keeps its pen and brush from one paint to the next;
// what it draws on (GDI on Windows, a recorder in tests) is only attached
// while a paint runs.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "toolkit/component.h"

namespace toolkit {

// A colour as 0x00BBGGRR.
using TColor = std::uint32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// `value` pulled to the nearest int32 value.
inline std::int32_t Saturate(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

// Left and top inside, right and bottom just outside.
struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
  bool Empty() const { return right <= left || bottom <= top; }
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
};

// What a canvas draws on. Coordinates are the control's own: the device has
// already moved the origin to the control's corner and clips to its area.
class CanvasDevice {
 public:
  virtual ~CanvasDevice() = default;
  // Lines and outlines from now on: solid, `width` pixels (0 draws as 1).
  virtual void SetPen(TColor color, std::int32_t width) = 0;
  // Fills from now on: solid.
  virtual void SetBrush(TColor color) = 0;
  virtual void MoveTo(Point p) = 0;
  // From the current position to `p`, leaving `p` itself out.
  virtual void LineTo(Point p) = 0;
  // Outlined with the pen, filled with the brush.
  virtual void Polygon(std::span<const Point> points) = 0;
  // The platform's own drawing handle (an HDC on Windows), for controls
  // that draw what the portable operations cannot (text, pictures).
  virtual void* NativeHandle() { return nullptr; }
};

class TPen {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }
  std::int32_t Width() const { return width_; }
  // A negative width is refused: the pen keeps the one it has.
  void SetWidth(std::int32_t width) {
    if (width >= 0) width_ = width;
  }

 private:
  TColor color_ = clBlack;
  std::int32_t width_ = 1;
};

class TBrush {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }

 private:
  TColor color_ = clWhite;
};

class TCanvas {
 public:
  TPen& Pen() { return pen_; }
  const TPen& Pen() const { return pen_; }
  TBrush& Brush() { return brush_; }
  const TBrush& Brush() const { return brush_; }

  // Lends `device` for one paint; nullptr takes it back. Drawing without a
  // device does nothing.
  void Attach(CanvasDevice* device) { device_ = device; }
  CanvasDevice* Device() const { return device_; }

  void MoveTo(std::int32_t x, std::int32_t y);
  void LineTo(std::int32_t x, std::int32_t y);
  void Polygon(std::span<const Point> points);

 private:
  // Hands the pen and brush as they are now to the device.
  void Prepare(bool fill);

  TPen pen_;
  TBrush brush_;
  CanvasDevice* device_ = nullptr;
};

class TGraphicControl;

// The window that paints graphic controls: it keeps them in painting order
// (first added, first painted, so later ones lie on top) and repaints an
// area on request.
class GraphicHost {
 public:
  virtual ~GraphicHost() = default;
  virtual void AddGraphic(TGraphicControl& control) = 0;
  virtual void RemoveGraphic(TGraphicControl& control) = 0;
  // Marks `area` (in the host's client coordinates) as needing paint; the
  // paint itself comes later.
  virtual void InvalidateArea(const Rect& area) = 0;
};

enum class TAlign : std::uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TDragMode : std::uint8_t { dmManual, dmAutomatic };
enum class TDragKind : std::uint8_t { dkDrag, dkDock };

enum class TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };
using TMouseEvent = std::function<void(TMouseButton button, std::int32_t x, std::int32_t y)>;
using TMouseMoveEvent = std::function<void(std::int32_t x, std::int32_t y)>;

class TGraphicControl : public Component {
 public:
  // Joins `host`'s painting order when one is given (a control owned by a
  // window that hosts graphics is given its owner).
  TGraphicControl(Component* owner, GraphicHost* host);
  ~TGraphicControl() override;

  std::int32_t Left() const { return left_; }
  std::int32_t Top() const { return top_; }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  // The control's area in its host's client coordinates; an edge beyond 32
  // bits stops at the largest coordinate.
  Rect BoundsRect() const;
  // Repaints the old area and the new one.
  void SetBounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);

  bool Visible() const { return visible_; }

  // Settings every control has. The toolkit has no dragging, docking or
  // alignment: those are kept for the design data and change nothing.
  std::wstring Hint;
  bool ShowHint = false;
  bool ParentShowHint = true;
  TAlign Align = TAlign::alNone;
  TDragMode DragMode = TDragMode::dmManual;
  TDragKind DragKind = TDragKind::dkDrag;
  std::int32_t DragCursor = -12;  // the platform's drag cursor
  Component* PopupMenu = nullptr;
  std::function<void()> OnClick;
  std::function<void()> OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  std::function<void()> OnDragDrop;
  std::function<void()> OnDragOver;
  std::function<void()> OnEndDrag;
  std::function<void()> OnEndDock;

  TCanvas& Canvas() { return canvas_; }
  const TCanvas& Canvas() const { return canvas_; }
  // Draws the control through Canvas(), whose device the host has attached
  // with the origin at the control's corner, clipped to its area.
  virtual void Paint() {}
  // Asks the host to repaint the control's area later.
  void Invalidate();

  // Called by a host that goes away before its controls.
  void ForgetHost() { host_ = nullptr; }

  // Left, Top, Width, Height and Visible, and the settings above;
  // reference PopupMenu.
  void SetDesignValue(std::wstring_view property, const DesignValue& value) override;
  void SetDesignReference(std::wstring_view property, Component* target) override;

 private:
  GraphicHost* host_;
  std::int32_t left_ = 0;
  std::int32_t top_ = 0;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  bool visible_ = true;
  TCanvas canvas_;
};

}  // namespace toolkit
