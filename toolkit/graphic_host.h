// The graphic controls of one window: their painting order, the off-screen
// paint of the window's background with them, hit-testing, and the mouse
// messages that reach them. They have no window of their own, so the
// window's procedure hands this host its paint and mouse messages.
#pragma once

#include <windows.h>

#include <vector>

#include "toolkit/graphic.h"

namespace toolkit {

class Window;

class GraphicControlHost final : public GraphicHost {
 public:
  // Paints on `window`, whose handle it asks for at each call: it lives from
  // before the handle is made until after it has gone (null: nothing to
  // paint or invalidate).
  explicit GraphicControlHost(const Window& window) : window_(window) {}
  // The controls outlive the host only to be destroyed: they must not call
  // back into it.
  ~GraphicControlHost() override;
  GraphicControlHost(const GraphicControlHost&) = delete;
  GraphicControlHost& operator=(const GraphicControlHost&) = delete;

  void AddGraphic(TGraphicControl& control) override;
  void RemoveGraphic(TGraphicControl& control) override;
  void InvalidateArea(const Rect& area) override;

  bool Empty() const { return controls_.empty(); }
  // The topmost visible control at a client point, or nullptr.
  TGraphicControl* ControlAt(POINT point) const;

  // Answers WM_PAINT: the invalid part of the background and the controls
  // on it, through one off-screen picture so that nothing flickers.
  void Paint();
  // The same, straight into `dc`, within `area` (WM_PRINTCLIENT, and the
  // fallback without memory for the picture).
  void PaintInto(HDC dc, const RECT& area);
  // A mouse message at the window: hands it to the control under it.
  void Mouse(UINT message, LPARAM lParam);

 private:
  const Window& window_;
  std::vector<TGraphicControl*> controls_;
  TGraphicControl* pressed_ = nullptr;  // the one a button went down on
};

}  // namespace toolkit
