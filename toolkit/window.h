// A top-level window or control owned by a C++ object: one static window
// procedure routes each message to the object's virtual WndProc, and an
// error escaping a handler goes to the application's error box instead of
// unwinding through the system's code.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "toolkit/component.h"
#include "toolkit/graphic_host.h"
#include "toolkit/layout.h"

namespace toolkit {

class TPopupMenu;

// What a window is, as designed.
struct WindowDesign {
  const wchar_t* className = nullptr;  // registered on first use
  std::wstring caption;
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  DWORD exStyle = 0;
  // The client area, not the frame, at 96 pixels per inch.
  int clientWidth = 0;
  int clientHeight = 0;
  // The window it belongs to: a top-level window then has no taskbar button
  // of its own, stays above that window and is minimised with it; a child
  // window lies inside it.
  HWND owner = nullptr;
  HICON icon = nullptr;  // the large one, for Alt+Tab
  // In the title bar, where the style shows one. Without it, the system
  // makes one from `icon` when the class is registered, which costs more
  // than loading the small picture of a resource.
  HICON smallIcon = nullptr;
};

class Window : public Component {
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

  // Whether its native controls' hints wait for AttachHints.
  bool HintsWaiting() const { return hintsWaiting_; }

  // The graphic controls painted on the window's background.
  GraphicControlHost& GraphicControls() { return graphics_; }

 protected:
  // Creates the window hidden, its client area grown by `scale`; `this`
  // reaches the procedure at WM_NCCREATE. Throws std::runtime_error when the
  // system refuses.
  void CreateHandle(const WindowDesign& design, LayoutScale scale = {});
  void DestroyHandle();
  // Holds the hints of the layout about to be loaded back until
  // AttachHints: a tooltip is a window, and nobody can point at a control
  // before its window shows.
  void HoldHintsBack() { hintsWaiting_ = true; }
  void AttachHints();

  // After the window's client area has been painted.
  virtual void Painted() {}

  // Called for every message the window receives. The default hands a
  // native control's notifications (scrolling, commands, colours) back to
  // that control, paints the graphic controls and hands them the mouse,
  // opens the popup menu and hands it its items' commands, and does what the
  // system does with everything else.
  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // WM_COMMAND: a control's notification to the control, a menu item's
  // command to the popup menu. False when it is neither's.
  bool Command(WPARAM wParam, LPARAM lParam);
  // WM_CONTEXTMENU: opens the popup menu where the mouse or keyboard asked.
  void OpenPopupMenu(LPARAM lParam);

  HWND handle_ = nullptr;
  TPopupMenu* popupMenu_ = nullptr;
  LayoutScale scale_{};
  SIZE frame_{};  // the window's size as its design makes it
  bool hintsWaiting_ = false;
  GraphicControlHost graphics_{*this};
};

// Makes a control of type T on `owner`, which must be a Window: the maker
// that a layout table names for each native or graphic control. A native
// control is made at its place; a graphic one takes its bounds as values.
template <class T>
std::unique_ptr<Component> MakeControl(Component& owner, const Place& place) {
  auto& window = static_cast<Window&>(owner);
  if constexpr (std::is_constructible_v<T, Window&, const Place&>) {
    return std::make_unique<T>(window, place);
  } else {
    return std::make_unique<T>(window);
  }
}

}  // namespace toolkit
