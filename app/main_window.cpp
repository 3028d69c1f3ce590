#include "app/main_window.h"

#include <exception>
#include <vector>

#include "app/bars.h"
#include "controls/sysmenu.h"
#include "toolkit/application.h"
#include "toolkit/layout.h"
#include "toolkit/menu.h"

namespace app {

namespace {

// The timer that hands the wallpaper's unfinished work on.
constexpr UINT_PTR kWallpaperTimer = 1;
// The longest the first showing waits for the desktop to finish painting
// the first wallpaper; a desktop that takes longer is left to itself.
constexpr UINT kDesktopPaintWaitMs = 200;

using toolkit::ComponentDesign;

ComponentDesign Bar(const BarDesign& bar) {
  return {bar.name,
          toolkit::MakeControl<toolkit::TScrollBar>,
          {{L"Left", bar.left},
           {L"Top", 0},
           {L"Width", bar.width},
           {L"Height", kClientHeight},
           {L"Hint", std::wstring(bar.hint)},
           {L"ShowHint", true},
           {L"Max", bar.max},
           {L"Position", bar.position},
           {L"SmallChange", 1},
           {L"LargeChange", 1},
           {L"TabOrder", bar.tabOrder}},
          {}};
}

ComponentDesign Item(const wchar_t* name, std::vector<toolkit::ValueSetting> values) {
  return {name,
          toolkit::MakeComponent<toolkit::TMenuItem>,
          std::move(values),
          {{L"Parent", L"PopupMenu1"}}};
}

// The main window's components: the bars; then the popup menu, top to
// bottom; then the system-menu merger, whose reference is resolved after the
// items have joined the menu, so that it copies all eight.
std::vector<ComponentDesign> Form1Layout() {
  std::vector<ComponentDesign> layout;
  for (const BarDesign& bar : kBars) layout.push_back(Bar(bar));
  layout.push_back({L"PopupMenu1", toolkit::MakeComponent<toolkit::TPopupMenu>, {}, {}});
  layout.push_back(
      Item(L"HUEVANE1", {{L"Caption", std::wstring(L"Huevane")}, {L"Enabled", false}}));
  layout.push_back(Item(L"N1", {{L"Caption", std::wstring(L"-")}}));
  layout.push_back(Item(L"Help1", {{L"Caption", std::wstring(L"Help")}}));
  layout.push_back(Item(L"About1", {{L"Caption", std::wstring(L"About")}}));
  layout.push_back(Item(L"N2", {{L"Caption", std::wstring(L"-")}}));
  layout.push_back(
      Item(L"BeSilent1", {{L"Caption", std::wstring(L"Be Silent")}, {L"RadioItem", true}}));
  layout.push_back(
      Item(L"NoSounds1", {{L"Caption", std::wstring(L"Make Noise")}, {L"RadioItem", true}}));
  layout.push_back(Item(L"N3", {{L"Caption", std::wstring(L"-")}}));
  layout.push_back({L"TolveSystemMenu1",
                    toolkit::MakeComponent<controls::TTolveSystemMenu>,
                    {{L"Position", 0}},
                    {{L"PopupMenu", L"PopupMenu1"}}});
  return layout;
}

toolkit::FormDesign Form1Design() {
  toolkit::FormDesign design;
  design.className = L"TForm1";
  design.caption = L"HV";
  // A single fixed border with the system menu and both buttons; always on top.
  design.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  design.exStyle = WS_EX_TOPMOST;
  design.clientWidth = kClientWidth;
  design.clientHeight = kClientHeight;
  const HINSTANCE module = GetModuleHandleW(nullptr);
  design.icon = LoadIconW(module, L"MAINICON");
  design.smallIcon =
      static_cast<HICON>(LoadImageW(module, L"MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                    GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  // Closing the main window ends the program.
  design.hideOnClose = false;
  // Activation leaves the keyboard focus with the window, not with a bar.
  design.keepControlFocus = false;
  return design;
}

}  // namespace

// The bars take their start positions while the layout loads, before any
// handler is attached: loading runs no cycle and plays no cue.
TForm1::TForm1(Wallpaper& wallpaper, SoundCues& sounds)
    : TForm(Form1Design(), Form1Layout()),
      ScrollBar1(Part<toolkit::TScrollBar>(L"ScrollBar1")),
      ScrollBar2(Part<toolkit::TScrollBar>(L"ScrollBar2")),
      ScrollBar3(Part<toolkit::TScrollBar>(L"ScrollBar3")),
      ScrollBar4(Part<toolkit::TScrollBar>(L"ScrollBar4")),
      ScrollBar5(Part<toolkit::TScrollBar>(L"ScrollBar5")),
      ScrollBar6(Part<toolkit::TScrollBar>(L"ScrollBar6")),
      ScrollBar7(Part<toolkit::TScrollBar>(L"ScrollBar7")),
      wallpaper_(wallpaper),
      sounds_(sounds) {
  for (toolkit::TScrollBar* bar : {&ScrollBar1, &ScrollBar2, &ScrollBar3, &ScrollBar4, &ScrollBar5,
                                   &ScrollBar6, &ScrollBar7}) {
    bar->OnChange = [this] { ScrollBar1Change(); };
  }
  SetPopupMenu(&Part<toolkit::TPopupMenu>(L"PopupMenu1"));
  Part<toolkit::TMenuItem>(L"Help1").OnClick = [this] { Help1Click(); };
  Part<toolkit::TMenuItem>(L"About1").OnClick = [this] { About1Click(); };
  Part<toolkit::TMenuItem>(L"BeSilent1").OnClick = [this] { BeSilent1Click(); };
  Part<toolkit::TMenuItem>(L"NoSounds1").OnClick = [this] { NoSounds1Click(); };
  FormCreate();
}

TForm1::~TForm1() {
  // While this object is whole, so that FormDestroy runs.
  DestroyHandle();
}

void TForm1::FormCreate() { wallpaper_.Create(); }

void TForm1::Show() {
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
  TForm::Show();
  UpdateWindow(Handle());
  // Wine's desktop may finish painting the new wallpaper over this window
  // once it shows: wait until it answers, then paint the window again.
  SendMessageTimeoutW(GetDesktopWindow(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kDesktopPaintWaitMs,
                      nullptr);
  RedrawWindow(Handle(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TForm1::FormShow() { ScrollBar1Change(); }

void TForm1::FormDestroy() {
  // The window goes at once: a picture a reader still holds back lands, if
  // it can, once no window is left to keep waiting (see RunProgram).
  SetRetryTimer(kNothingLeft);
  wallpaper_.FreeSurface();
}

ControlValues TForm1::Values() const {
  return {ScrollBar1.Position(), ScrollBar2.Position(), ScrollBar3.Position(),
          ScrollBar4.Position(), ScrollBar5.Position(), ScrollBar6.Position(),
          ScrollBar7.Position()};
}

void TForm1::ScrollBar1Change() {
  // All seven positions, whichever bar moved.
  SetRetryTimer(wallpaper_.Regenerate(Values()));
}

// A reader (a scanner, a viewer) may hold the wallpaper file. The picture is
// then kept, and this timer tries to move it in until it lands: the user may
// have stopped, and the last change must land all the same. A timer rather
// than a wait, even for the first short try: the window answers at once, and
// a later change supersedes the picture anyway.
void TForm1::SetRetryTimer(RetryMs retry) {
  if (retry == timerMs_) return;
  if (retry == kNothingLeft) {
    KillTimer(Handle(), kWallpaperTimer);
  } else if (SetTimer(Handle(), kWallpaperTimer, retry, nullptr) == 0) {
    retry = kNothingLeft;
  }
  timerMs_ = retry;
}

void TForm1::Help1Click() {
  if (help_ != nullptr) help_->Show();
  sounds_.Beeper(kCueExit);
}

void TForm1::About1Click() {
  if (about_ != nullptr) about_->Show();
  sounds_.Beeper(kCueStrum);
}

void TForm1::BeSilent1Click() { sounds_.SetOn(false); }

void TForm1::NoSounds1Click() {
  sounds_.SetOn(true);
  sounds_.Beeper(kCueStart);
}

LRESULT TForm1::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam != kWallpaperTimer) break;
      SetRetryTimer(wallpaper_.Finish());
      return 0;
    case WM_DISPLAYCHANGE: SetRetryTimer(wallpaper_.Remake(Values())); break;
    case WM_ENDSESSION:
      // The session ends, and the process with it, without WM_DESTROY: a
      // picture held back lands if it can, and no name of ours stays. A
      // log-off that was cancelled, or a process that lives on, goes on
      // working.
      if (wParam != FALSE) {
        SetRetryTimer(kNothingLeft);
        wallpaper_.Settle(kSessionEndBudgetMs);
      }
      return 0;
    case WM_DESTROY:
      // The form then ends the loop: this is the main window.
      FormDestroy();
      break;
    default: break;
  }
  return TForm::WndProc(message, wParam, lParam);
}

}  // namespace app
