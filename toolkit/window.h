// A top-level window or control owned by a C++ object: one static window
// procedure routes each message to the object's virtual WndProc, and an
// error escaping a handler goes to the application's error box instead of
// unwinding through the system's code.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "toolkit/component.h"
#include "toolkit/graphic.h"
#include "toolkit/layout.h"

namespace toolkit {

class TPopupMenu;

struct CreateArgs {
  const wchar_t* className = nullptr;  // registered on first use
  std::wstring caption;
  DWORD style = WS_OVERLAPPEDWINDOW;
  DWORD exStyle = 0;
  int clientWidth = CW_USEDEFAULT;  // the client area, not the frame
  int clientHeight = CW_USEDEFAULT;
  HWND parent = nullptr;
  HICON icon = nullptr;
  HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
};

class Window : public Component, public GraphicHost {
 public:
  explicit Window(Component* owner = nullptr) : Component(owner) {}
  ~Window() override;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Handle() const { return handle_; }

  // Centres the window on the primary screen.
  void CenterOnScreen();

  // Opens on a right-click that reaches this window, and receives the
  // commands of its items. Not owned: it must outlive the window's handle.
  void SetPopupMenu(TPopupMenu* popupMenu) { popupMenu_ = popupMenu; }

  // How the window's layout was scaled for this display.
  LayoutScale Scale() const { return scale_; }

  // The graphic controls painted on the window's background, in painting
  // order.
  const std::vector<TGraphicControl*>& Graphics() const { return graphics_; }
  void AddGraphic(TGraphicControl& control) override;
  void RemoveGraphic(TGraphicControl& control) override;
  void InvalidateArea(const Rect& area) override;
  // The topmost visible graphic control at a client point, or nullptr.
  TGraphicControl* GraphicAt(POINT point) const;

 protected:
  // Creates the window hidden; `this` reaches the procedure at WM_NCCREATE.
  // Throws std::runtime_error when the system refuses.
  void CreateHandle(const CreateArgs& args);
  void DestroyHandle();
  void SetScale(LayoutScale scale) { scale_ = scale; }

  // After the window's client area has been painted.
  virtual void Painted() {}

  // Called for every message the window receives. The default hands a
  // scroll bar's notifications back to the scroll bar, opens the popup menu
  // and hands it its items' commands, and does what the system does with
  // everything else.
  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The background and the graphic controls, through one off-screen
  // picture so that nothing flickers.
  void PaintClient();
  // The same, straight into `dc`, within `area`.
  void PaintBackgroundAndGraphics(HDC dc, const RECT& area);
  // Hands a mouse message over a graphic control to its events.
  void MouseOnGraphic(UINT message, LPARAM lParam);

  HWND handle_ = nullptr;
  TPopupMenu* popupMenu_ = nullptr;
  LayoutScale scale_{};
  std::vector<TGraphicControl*> graphics_;
  TGraphicControl* pressed_ = nullptr;  // the one a button went down on
};

// Makes a control of type T on `owner`, which must be a Window: the maker
// that a layout table names for each native or graphic control.
template <class T>
std::unique_ptr<Component> MakeControl(Component& owner) {
  return std::make_unique<T>(static_cast<Window&>(owner));
}

}  // namespace toolkit
