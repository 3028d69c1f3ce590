#include "app/unit1.h"

#include <exception>

#include "toolkit/application.h"

namespace app {

namespace {

// The layout's client area at 96 pixels per inch.
constexpr int kClientWidth = 129;
constexpr int kClientHeight = 257;

}  // namespace

TForm1::TForm1(Services services) : services_(services) {
  toolkit::CreateArgs args;
  args.className = L"TForm1";
  args.caption = L"HV";
  // A single fixed border with the system menu and both buttons; always on top.
  args.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
               WS_CLIPCHILDREN;
  args.exStyle = WS_EX_TOPMOST;
  args.clientWidth = kClientWidth;
  args.clientHeight = kClientHeight;
  args.icon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
  CreateHandle(args);
  FormCreate();
}

TForm1::~TForm1() {
  // While this object is whole, so that FormDestroy runs.
  DestroyHandle();
}

void TForm1::FormCreate() {
  services_.sounds.SetOn(true);
  wallpaperFilePath_ = desktop::WallpaperFilePath(services_.desktop);
  const std::int32_t width = desktop::ScreenWidth(services_.system);
  const std::int32_t height = desktop::ScreenHeight(services_.system);
  surface_ = CreateWin(width, height);
}

void TForm1::Show() {
  if (!shown_) {
    CenterOnScreen();
    shown_ = true;
  }
  // The first cycle is over before the window appears. Should it fail, the
  // error is shown and the window appears all the same: a program with no
  // visible window could not even be closed.
  try {
    FormShow();
  } catch (const std::exception& error) {
    if (toolkit::Application* application = toolkit::Application::Current()) {
      application->HandleException(error);
    }
  }
  ShowWindow(Handle(), SW_SHOW);
  UpdateWindow(Handle());
}

void TForm1::FormShow() {
  Beeper(kCueClick);
  ScrollBar1Change();
}

void TForm1::FormDestroy() { surface_.reset(); }

void TForm1::ScrollBar1Change() {
  if (surface_ == nullptr) return;
  RegenerationCycle(*surface_, wallpaperFilePath_, values_, *this);
}

void TForm1::Beeper(std::int32_t cue) { services_.sounds.Beeper(cue); }

void TForm1::PublishWallpaper(const std::wstring& path) {
  desktop::PublishWallpaper(services_.system, services_.desktop, path);
}

LRESULT TForm1::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    FormDestroy();
    const toolkit::Application* application = toolkit::Application::Current();
    if (application != nullptr && application->MainWindow() == Handle()) PostQuitMessage(0);
    return 0;
  }
  return Window::WndProc(message, wParam, lParam);
}

}  // namespace app
