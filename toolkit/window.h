// A top-level window or control owned by a C++ object: one static window
// procedure routes each message to the object's virtual WndProc, and an
// error escaping a handler goes to the application's error box instead of
// unwinding through the system's code.
#pragma once

#include <windows.h>

#include <string>

#include "toolkit/component.h"

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

class Window : public Component {
 public:
  explicit Window(Component* owner = nullptr) : Component(owner) {}
  ~Window() override;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Handle() const { return handle_; }

  // Centres the window on the screen's work area.
  void CenterOnScreen();

  // Opens on a right-click that reaches this window, and receives the
  // commands of its items. Not owned: it must outlive the window's handle.
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* popupMenu) { popupMenu_ = popupMenu; }

 protected:
  // Creates the window hidden; `this` reaches the procedure at WM_NCCREATE.
  // Throws std::runtime_error when the system refuses.
  void CreateHandle(const CreateArgs& args);
  void DestroyHandle();

  // Called for every message the window receives. The default hands a
  // scroll bar's notifications back to the scroll bar, opens the popup menu
  // and hands it its items' commands, and does what the system does with
  // everything else.
  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam,
                                        LPARAM lParam);
  HWND handle_ = nullptr;
  TPopupMenu* popupMenu_ = nullptr;
};

}  // namespace toolkit
