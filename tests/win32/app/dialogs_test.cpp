// The About dialog and the help window on their own: their layouts, showing
// and hiding centred on the screen, the focus that every paint gives back to
// the agreement, the keys and the default frame that shows what Enter
// presses, and the refusal that ends the application's loop.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "app/help_window.h"
#include "support/pump.h"
#include "support/test_window.h"
#include "toolkit/application.h"
#include "toolkit/graphic.h"
#include "toolkit/std_controls.h"
#include "toolkit/win_control.h"

namespace {

RECT ClientRectOf(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::vector<int> Box(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

std::vector<int> Box(const toolkit::Rect& r) {
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

LONG Style(HWND window) { return GetWindowLongW(window, GWL_STYLE); }
LONG ExStyle(HWND window) { return GetWindowLongW(window, GWL_EXSTYLE); }

LOGFONTW FontOf(HWND control) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
  return font;
}

SIZE ClientSize(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  return {r.right, r.bottom};
}

RECT Frame(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return r;
}

// The main window the dialogs belong to.
class Owner : public test::TestWindow {
 public:
  Owner() : TestWindow(L"HuevaneDialogOwner", 129, 257) {}
};

// The About dialog on its own, with the application that runs it.
struct AboutDialog {
  toolkit::Application app{L"Huevane"};
  Owner owner;
  app::TForm2 form{owner.Handle()};

  HWND Control(const wchar_t* name) { return form.Part<toolkit::TWinControl>(name).Handle(); }
  test::MessagePump pump{app};
  void Pump() { pump(); }
  // Paints now, as uncovering the dialog would.
  void Repaint() {
    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
  }
  void ShowActive() {
    form.Show();
    SetActiveWindow(form.Handle());
    Pump();
    ASSERT_EQ(GetActiveWindow(), form.Handle());
  }
  // The names of the buttons that show the default frame.
  std::vector<std::wstring> Framed() {
    std::vector<std::wstring> framed;
    for (const wchar_t* name : {L"Button1", L"OKButton1"}) {
      if ((Style(Control(name)) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) framed.push_back(name);
    }
    return framed;
  }
  // The name of the control that has the keyboard focus, or "".
  std::wstring Focused() {
    const toolkit::TWinControl* control = toolkit::TWinControl::FromHandle(GetFocus());
    return control != nullptr ? control->Name() : L"";
  }
};

struct AboutFixture : ::testing::Test, AboutDialog {};

// A key pressed and released where the keyboard focus is, through the
// application's loop, with Ctrl or Shift held meanwhile (0: neither).
void PressKey(test::MessagePump& pump, UINT key, UINT held = 0) {
  BYTE state[256] = {};
  GetKeyboardState(state);
  if (held != 0) {
    state[held] = 0x80;
    SetKeyboardState(state);
  }
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(GetFocus(), WM_KEYDOWN, key, scan | 1);
  pump();
  PostMessageW(GetFocus(), WM_KEYUP, key, scan | 1 | 0xC0000000);
  pump();
  if (held != 0) {
    state[held] = 0;
    SetKeyboardState(state);
  }
}

TEST_F(AboutFixture, IsBuiltHiddenWithItsLayout) {
  HWND window = form.Handle();
  EXPECT_FALSE(IsWindowVisible(window));
  wchar_t caption[64] = {};
  GetWindowTextW(window, caption, 64);
  EXPECT_STREQ(caption, L"About Ostrega");
  EXPECT_TRUE(ExStyle(window) & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(ExStyle(window) & WS_EX_TOPMOST);
  EXPECT_FALSE(Style(window) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_EQ(GetWindow(window, GW_OWNER), owner.Handle());
  const SIZE client = ClientSize(window);
  EXPECT_EQ(client.cx, 474);
  EXPECT_EQ(client.cy, 446);

  EXPECT_EQ(Box(ClientRectOf(Control(L"Memo1"))), (std::vector<int>{4, 236, 465, 169}));
  EXPECT_EQ(Box(ClientRectOf(Control(L"Button1"))), (std::vector<int>{8, 412, 153, 29}));
  EXPECT_EQ(Box(ClientRectOf(Control(L"OKButton1"))), (std::vector<int>{164, 412, 301, 29}));
  EXPECT_EQ(Box(form.Part<toolkit::TGraphicControl>(L"Image1").BoundsRect()),
            (std::vector<int>{-4, 0, 481, 133}));
  EXPECT_EQ(Box(form.Part<toolkit::TGraphicControl>(L"Image2").BoundsRect()),
            (std::vector<int>{40, 152, 64, 64}));
  // The static texts fit their text, from their designed corner, and so do
  // not overlap although their designed boxes would.
  const RECT first = ClientRectOf(Control(L"StaticText1"));
  const RECT second = ClientRectOf(Control(L"StaticText2"));
  EXPECT_EQ(first.left, 132);
  EXPECT_EQ(first.top, 140);
  EXPECT_EQ(second.left, 132);
  EXPECT_EQ(second.top, 156);
  EXPECT_LE(first.bottom, second.top);
  EXPECT_GT(first.right - first.left, 0);
  EXPECT_FALSE(Style(Control(L"StaticText1")) & WS_TABSTOP);
  EXPECT_EQ(std::wstring(FontOf(Control(L"StaticText1")).lfFaceName), L"Verdana");
  EXPECT_EQ(FontOf(Control(L"StaticText1")).lfHeight, -13);

  const LONG memo = Style(Control(L"Memo1"));
  EXPECT_TRUE(memo & ES_MULTILINE);
  EXPECT_TRUE(memo & ES_READONLY);
  EXPECT_TRUE(memo & WS_VSCROLL);
  EXPECT_FALSE(memo & (ES_AUTOHSCROLL | WS_HSCROLL)) << "the text must wrap";
  EXPECT_EQ(FontOf(Control(L"Memo1")).lfHeight, -12);
  EXPECT_EQ(FontOf(Control(L"Memo1")).lfCharSet, ANSI_CHARSET);
  // The hint's tooltip comes with the first showing.
  EXPECT_EQ(test::TooltipOf(Control(L"Memo1")), nullptr);
  form.Show();
  Pump();
  EXPECT_NE(test::TooltipOf(Control(L"Memo1")), nullptr);
  EXPECT_FALSE(form.Part<toolkit::TWinControl>(L"Memo1").Hint().empty());

  EXPECT_EQ(Style(Control(L"OKButton1")) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(Style(Control(L"Button1")) & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(FontOf(Control(L"OKButton1")).lfWeight, FW_BOLD);
  EXPECT_EQ(FontOf(Control(L"Button1")).lfWeight, FW_NORMAL);
  wchar_t text[64] = {};
  GetWindowTextW(Control(L"OKButton1"), text, 64);
  EXPECT_STREQ(text, L"Yes I Agree. [OK]");
  GetWindowTextW(Control(L"Button1"), text, 64);
  EXPECT_STREQ(text, L"No. I Don't Agree.");
}

TEST_F(AboutFixture, TabVisitsAgreeThenTheAgreementThenRefuse) {
  HWND window = form.Handle();
  const std::vector<HWND> expected = {Control(L"OKButton1"), Control(L"Memo1"), Control(L"Button1"),
                                      Control(L"OKButton1")};
  std::vector<HWND> visited = {GetNextDlgTabItem(window, nullptr, FALSE)};
  for (int i = 0; i < 3; ++i) visited.push_back(GetNextDlgTabItem(window, visited.back(), FALSE));
  EXPECT_EQ(visited, expected);
}

TEST_F(AboutFixture, TheTabKeyLeavesTheAgreementForTheNextButton) {
  ShowActive();
  Repaint();
  ASSERT_EQ(GetFocus(), Control(L"Memo1"));
  PostMessageW(Control(L"Memo1"), WM_KEYDOWN, VK_TAB, 0);
  Pump();
  EXPECT_EQ(GetFocus(), Control(L"Button1"));
  PostMessageW(Control(L"Button1"), WM_KEYDOWN, VK_TAB, 0);
  Pump();
  EXPECT_EQ(GetFocus(), Control(L"OKButton1"));
  EXPECT_EQ(form.Part<toolkit::TMemo>(L"Memo1").Text(), app::AgreementText()) << "no tab typed";
}

// The work area made smaller than the screen, as a taskbar at the bottom
// makes it, for the life of the object.
class Taskbar {
 public:
  explicit Taskbar(int height) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &saved_, 0);
    RECT smaller{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - height};
    SystemParametersInfoW(SPI_SETWORKAREA, 0, &smaller, 0);
  }
  ~Taskbar() { SystemParametersInfoW(SPI_SETWORKAREA, 0, &saved_, 0); }
  Taskbar(const Taskbar&) = delete;
  Taskbar& operator=(const Taskbar&) = delete;

 private:
  RECT saved_{};
};

// Shows `form` the first time, with a taskbar: it comes out centred on the
// whole screen, whatever the work area leaves of it.
void ExpectShownCentredOnTheScreen(toolkit::TForm& form, test::MessagePump& pump) {
  const Taskbar taskbar(60);
  form.Show();
  pump();
  ASSERT_TRUE(IsWindowVisible(form.Handle()));
  RECT area;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  ASSERT_EQ(area.bottom, GetSystemMetrics(SM_CYSCREEN) - 60) << "the work area did not shrink";
  const RECT frame = Frame(form.Handle());
  EXPECT_LE(std::abs(frame.left + frame.right - GetSystemMetrics(SM_CXSCREEN)), 1);
  EXPECT_LE(std::abs(frame.top + frame.bottom - GetSystemMetrics(SM_CYSCREEN)), 1);
}

TEST_F(AboutFixture, ShowsCentredFirstAndWhereItWasLeftLater) {
  ExpectShownCentredOnTheScreen(form, pump);

  SetWindowPos(form.Handle(), nullptr, 7, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SendMessageW(Control(L"OKButton1"), BM_CLICK, 0, 0);
  Pump();
  EXPECT_FALSE(IsWindowVisible(form.Handle())) << "agreeing hides the dialog";
  form.Show();
  Pump();
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
  EXPECT_EQ(Frame(form.Handle()).left, 7);
  EXPECT_EQ(Frame(form.Handle()).top, 9);
}

TEST_F(AboutFixture, TheCloseButtonHidesAndShowingAgainBringsItToTheFront) {
  form.Show();
  Pump();
  SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_TRUE(IsWindow(form.Handle()));
  EXPECT_FALSE(IsWindowVisible(form.Handle()));

  // Another always-on-top window over it; showing it again puts it above.
  form.Show();
  HWND cover = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"cover", WS_POPUP | WS_VISIBLE, 0, 0, 600,
                               600, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(cover, nullptr);
  Pump();
  auto above = [](HWND upper, HWND lower) {
    for (HWND w = GetWindow(lower, GW_HWNDPREV); w != nullptr; w = GetWindow(w, GW_HWNDPREV)) {
      if (w == upper) return true;
    }
    return false;
  };
  ASSERT_TRUE(above(cover, form.Handle()));
  form.Show();
  Pump();
  EXPECT_TRUE(above(form.Handle(), cover));
  DestroyWindow(cover);
}

TEST_F(AboutFixture, EveryPaintGivesTheFocusBackToTheAgreement) {
  ShowActive();
  Repaint();
  EXPECT_EQ(GetFocus(), Control(L"Memo1")) << "after the first paint";
  for (const wchar_t* button : {L"OKButton1", L"Button1"}) {
    SetFocus(Control(button));
    ASSERT_EQ(GetFocus(), Control(button));
    Repaint();
    EXPECT_EQ(GetFocus(), Control(L"Memo1")) << "after tabbing to " << button;
  }
  // Painted while another window is active: the agreement has the focus
  // as soon as the dialog is active again, and the other window keeps it
  // meanwhile.
  SetFocus(Control(L"Button1"));
  ShowWindow(owner.Handle(), SW_SHOW);
  SetActiveWindow(owner.Handle());
  Pump();
  Repaint();
  EXPECT_EQ(GetActiveWindow(), owner.Handle());
  SetActiveWindow(form.Handle());
  Pump();
  EXPECT_EQ(GetFocus(), Control(L"Memo1"));
}

// After each sequence of keys from the agreement (or a repaint), one
// button shows the default frame; Escape then changes nothing, and Enter
// presses the framed button: "Yes I Agree. [OK]" hides the dialog, "No. I
// Don't Agree." ends the application.
TEST(AboutKeys, EscapeDoesNothingAndEnterPressesTheFramedButton) {
  constexpr UINT kRepaint = 0;
  struct Step {
    UINT key;
    UINT held = 0;
  };
  const struct {
    const char* name;
    std::vector<Step> steps;
    const wchar_t* focused;
    const wchar_t* framed;
  } cases[] = {
      {"nothing yet", {}, L"Memo1", L"OKButton1"},
      {"arrows", {{VK_DOWN}, {VK_DOWN}, {VK_RIGHT}, {VK_UP}}, L"Memo1", L"OKButton1"},
      {"Page Down", {{VK_NEXT}, {VK_NEXT}}, L"Memo1", L"OKButton1"},
      {"Ctrl+C", {{VK_END, VK_SHIFT}, {'C', VK_CONTROL}}, L"Memo1", L"OKButton1"},
      {"Tab and back", {{VK_TAB}, {VK_TAB, VK_SHIFT}}, L"Memo1", L"OKButton1"},
      {"Tab", {{VK_TAB}}, L"Button1", L"Button1"},
      {"arrows, then Tab", {{VK_DOWN}, {VK_TAB}}, L"Button1", L"Button1"},
      {"Tab twice", {{VK_TAB}, {VK_TAB}}, L"OKButton1", L"OKButton1"},
      {"Tab three times", {{VK_TAB}, {VK_TAB}, {VK_TAB}}, L"Memo1", L"OKButton1"},
      {"Shift+Tab", {{VK_TAB, VK_SHIFT}}, L"OKButton1", L"OKButton1"},
      {"Shift+Tab twice", {{VK_TAB, VK_SHIFT}, {VK_TAB, VK_SHIFT}}, L"Button1", L"Button1"},
      {"Tab, then a repaint", {{VK_TAB}, {kRepaint}}, L"Memo1", L"OKButton1"},
      {"Tab twice, then a repaint", {{VK_TAB}, {VK_TAB}, {kRepaint}}, L"Memo1", L"OKButton1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AboutDialog about;
    about.ShowActive();
    about.Repaint();
    for (const Step& step : c.steps) {
      if (step.key == kRepaint) {
        about.Repaint();
      } else {
        PressKey(about.pump, step.key, step.held);
      }
    }
    ASSERT_EQ(about.Focused(), c.focused);
    EXPECT_EQ(about.Framed(), std::vector<std::wstring>{c.framed});

    PressKey(about.pump, VK_ESCAPE);
    EXPECT_TRUE(IsWindowVisible(about.form.Handle())) << "Escape closed the dialog";
    EXPECT_FALSE(about.pump.QuitSeen());
    EXPECT_EQ(about.Focused(), c.focused);
    EXPECT_EQ(about.Framed(), std::vector<std::wstring>{c.framed});
    EXPECT_EQ(about.form.Part<toolkit::TMemo>(L"Memo1").Text(), app::AgreementText());

    PressKey(about.pump, VK_RETURN);
    if (std::wstring(c.framed) == L"Button1") {
      EXPECT_TRUE(about.pump.QuitSeen()) << "Enter did not press the framed refusal";
    } else {
      EXPECT_FALSE(about.pump.QuitSeen()) << "Enter refused while the agreement was framed";
      EXPECT_FALSE(IsWindowVisible(about.form.Handle())) << "Enter did not agree";
    }
  }
}

TEST_F(AboutFixture, TheAgreementCanBeScrolledAndSelectedButNotEdited) {
  HWND memo = Control(L"Memo1");
  ShowActive();
  const std::wstring text = form.Part<toolkit::TMemo>(L"Memo1").Text();
  EXPECT_EQ(text, app::AgreementText());
  ASSERT_FALSE(text.empty()) << "the test program carries the agreement";
  EXPECT_NE(text.find(L"\r\n"), std::wstring::npos);
  EXPECT_EQ(text.find(L"\n\n"), std::wstring::npos) << "bare line feeds left in";

  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(memo, SB_VERT, &info));
  EXPECT_GT(info.nMax - info.nMin + 1, static_cast<int>(info.nPage)) << "needs its scroll bar";
  SendMessageW(memo, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_GT(SendMessageW(memo, EM_GETFIRSTVISIBLELINE, 0, 0), 0);

  SendMessageW(memo, EM_SETSEL, 0, 7);
  DWORD from = 0, to = 0;
  SendMessageW(memo, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 7u);
  SendMessageW(memo, WM_CHAR, L'x', 0);
  SendMessageW(memo, WM_KEYDOWN, VK_DELETE, 0);
  SendMessageW(memo, WM_PASTE, 0, 0);
  SendMessageW(memo, WM_CUT, 0, 0);
  EXPECT_EQ(form.Part<toolkit::TMemo>(L"Memo1").Text(), text);
}

// Ends a loop that would otherwise never end, so a broken refusal fails
// instead of hanging the run.
constexpr int kGaveUp = 99;
VOID CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(kGaveUp); }

TEST_F(AboutFixture, RefusingEndsTheLoopAlsoOnALaterShowing) {
  form.Show();
  SendMessageW(Control(L"OKButton1"), BM_CLICK, 0, 0);
  Pump();
  ASSERT_FALSE(pump.QuitSeen());
  form.Show();
  PostMessageW(Control(L"Button1"), BM_CLICK, 0, 0);
  const UINT_PTR timer = SetTimer(nullptr, 0, 20000, &GiveUp);
  const int code = app.Run();
  KillTimer(nullptr, timer);
  EXPECT_NE(code, kGaveUp) << "the loop ran on after the refusal";
  EXPECT_TRUE(IsWindow(form.Handle())) << "the windows go with the application, not before";
}

struct HelpFixture : ::testing::Test {
  toolkit::Application app{L"Huevane"};
  Owner owner;
  app::TForm3 form{owner.Handle()};
  test::MessagePump pump{app};
  void Pump() { pump(); }
};

TEST_F(HelpFixture, IsBuiltHiddenWithItsLayoutInPaintingOrder) {
  HWND window = form.Handle();
  EXPECT_FALSE(IsWindowVisible(window));
  wchar_t caption[64] = {};
  GetWindowTextW(window, caption, 64);
  EXPECT_STREQ(caption, L"Huevane Help");
  EXPECT_TRUE(Style(window) & WS_SYSMENU);
  EXPECT_FALSE(Style(window) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_TRUE(ExStyle(window) & WS_EX_TOPMOST);
  EXPECT_FALSE(ExStyle(window) & WS_EX_TOOLWINDOW);
  const SIZE client = ClientSize(window);
  EXPECT_EQ(client.cx, 376);
  EXPECT_EQ(client.cy, 308);

  std::vector<std::wstring> order;
  for (const toolkit::TGraphicControl* control : form.GraphicControls().Controls())
    order.push_back(control->Name());
  EXPECT_EQ(order, (std::vector<std::wstring>{L"Image1", L"Line1", L"Label1", L"Label2", L"Line2",
                                              L"Label3", L"Line3", L"Label4", L"Line4", L"Line5",
                                              L"Line6", L"Line7", L"Label5", L"Label6", L"Label7",
                                              L"Line8", L"Label8"}));
  struct Placed {
    const wchar_t* name;
    std::vector<int> box;
  };
  const Placed lines[] = {
      {L"Line1", {68, 8, 65, 41}},      {L"Line2", {64, 60, 73, 41}},
      {L"Line3", {84, 76, 65, 41}},     {L"Line4", {96, 92, 65, 41}},
      {L"Line5", {212, 56, 65, 41}},    {L"Line6", {224, 72, 65, 41}},
      {L"Line7", {240, 88, 65, 41}},    {L"Line8", {104, 212, 89, 41}},
      {L"Image1", {120, 12, 136, 290}},
  };
  for (const Placed& line : lines) {
    EXPECT_EQ(Box(form.Part<toolkit::TGraphicControl>(line.name).BoundsRect()), line.box)
        << std::string(line.name, line.name + wcslen(line.name));
  }
  // Labels keep their corner and fit their caption.
  const Placed labels[] = {{L"Label1", {40, 20}},   {L"Label2", {4, 72}},   {L"Label3", {12, 88}},
                           {L"Label4", {32, 104}},  {L"Label5", {280, 68}}, {L"Label6", {288, 84}},
                           {L"Label7", {308, 100}}, {L"Label8", {4, 224}}};
  for (const Placed& label : labels) {
    const auto box = Box(form.Part<toolkit::TGraphicControl>(label.name).BoundsRect());
    EXPECT_EQ(std::vector<int>(box.begin(), box.begin() + 2), label.box);
    EXPECT_GT(box[2], 0);
    EXPECT_GT(box[3], 0);
  }
  HWND button = form.Part<toolkit::TWinControl>(L"Button1").Handle();
  EXPECT_EQ(Box(ClientRectOf(button)), (std::vector<int>{280, 264, 79, 33}));
  EXPECT_EQ(Style(button) & BS_TYPEMASK, BS_PUSHBUTTON) << "neither default nor cancel";
  EXPECT_EQ(HIWORD(SendMessageW(window, DM_GETDEFID, 0, 0)), 0);
  EXPECT_EQ(GetNextDlgTabItem(window, nullptr, FALSE), button) << "its only focusable control";
}

TEST_F(HelpFixture, CloseHelpHidesAndTheNextShowingIsWhereItWasLeft) {
  ExpectShownCentredOnTheScreen(form, pump);
  SetWindowPos(form.Handle(), nullptr, 31, 17, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SendMessageW(form.Part<toolkit::TWinControl>(L"Button1").Handle(), BM_CLICK, 0, 0);
  Pump();
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
  EXPECT_FALSE(pump.QuitSeen());
  form.Show();
  Pump();
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
  EXPECT_EQ(Frame(form.Handle()).left, 31);
  EXPECT_EQ(Frame(form.Handle()).top, 17);
  SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(form.Handle())) << "the close button hides it too";
  EXPECT_TRUE(IsWindow(form.Handle()));
}

TEST_F(HelpFixture, EnterOnTheFocusedCloseHelpPressesIt) {
  HWND button = form.Part<toolkit::TWinControl>(L"Button1").Handle();
  form.Show();
  SetActiveWindow(form.Handle());
  Pump();
  ASSERT_EQ(GetFocus(), button) << "its only control takes the focus";
  EXPECT_EQ(Style(button) & BS_TYPEMASK, BS_DEFPUSHBUTTON) << "focused, it shows the frame";
  PressKey(pump, VK_ESCAPE);
  EXPECT_TRUE(IsWindowVisible(form.Handle())) << "Escape does nothing here either";
  PressKey(pump, VK_RETURN);
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
  EXPECT_FALSE(pump.QuitSeen());
  EXPECT_EQ(Style(button) & BS_TYPEMASK, BS_PUSHBUTTON) << "unfocused, it is no default";
}

// Where ClientPixels reads from: the window painting itself into our
// picture (WM_PRINTCLIENT), or what its last paints left on the screen.
enum class From { Print, Screen };

// The window's client area as painted, read back as 0x00RRGGBB.
std::vector<std::uint32_t> ClientPixels(HWND window, SIZE size, From from = From::Print) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, dib);
  if (from == From::Print) {
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
  } else {
    HDC screen = GetDC(window);
    BitBlt(memory, 0, 0, size.cx, size.cy, screen, 0, 0, SRCCOPY);
    ReleaseDC(window, screen);
  }
  GdiFlush();
  std::vector<std::uint32_t> pixels(static_cast<std::uint32_t*>(bits),
                                    static_cast<std::uint32_t*>(bits) + size.cx * size.cy);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(dib);
  for (auto& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

TEST_F(HelpFixture, TheLinesLieOnThePictureAndEndWhereTheirBoxesEnd) {
  const SIZE size = ClientSize(form.Handle());
  const std::vector<std::uint32_t> pixels = ClientPixels(form.Handle(), size);
  auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y) * size.cx + x]; };
  struct Connector {
    int row, from, to;  // drawn from `from` to `to`, both included
    bool runsRight;     // from a start label on the left into the picture
  };
  const Connector connectors[] = {
      {28, 68, 132, true},   {80, 64, 136, true},   {96, 84, 148, true},    {112, 96, 160, true},
      {76, 212, 276, false}, {92, 224, 288, false}, {108, 240, 304, false}, {232, 104, 192, true},
  };
  const std::uint32_t face = GetSysColor(COLOR_BTNFACE);
  const std::uint32_t faceRgb = ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF);
  for (const Connector& c : connectors) {
    SCOPED_TRACE("line at row " + std::to_string(c.row));
    // The end inside the picture is black; labels may cover the other end.
    const int inner = c.runsRight ? c.to : c.from;
    EXPECT_EQ(at(inner, c.row), 0u);
    for (int x = 120; x < 256; ++x) {
      if (x >= c.from && x <= c.to) {
        EXPECT_EQ(at(x, c.row), 0u) << "x " << x;
      }
    }
    // One pixel high, and no longer than its box.
    EXPECT_NE(at(inner, c.row - 1), 0u);
    EXPECT_NE(at(inner, c.row + 1), 0u);
    const int beyond = c.runsRight ? c.to + 1 : c.from - 1;
    EXPECT_NE(at(beyond, c.row), 0u) << "drawn past its end";
  }
  // Beside the picture and the labels, the window colour.
  EXPECT_EQ(at(370, 300), faceRgb);
}

// A part of a window uncovered (a menu closed over it, a window moved off
// it) is painted on its own: it must come out as that part of a whole paint.
TEST(PartialPaint, APartOfAWindowPaintsAsTheWholeWindowDoes) {
  toolkit::Application app{L"Huevane"};
  test::MessagePump pump{app};
  Owner owner;
  app::TForm2 about{owner.Handle()};
  app::TForm3 help{owner.Handle()};
  // clang-format off
  const struct {
    const char* what;
    toolkit::TForm& form;
    RECT part;
  } table[] = {
      {"help: across a line and its label", help, {30, 4, 90, 50}},
      {"help: inside the picture", help, {150, 100, 220, 180}},
      {"help: across a label and the picture's edge", help, {10, 220, 140, 250}},
      {"about: inside the banner", about, {100, 40, 200, 120}},
      {"about: across the icon and a text", about, {30, 150, 180, 210}},
  };
  // clang-format on
  for (const auto& row : table) {
    SCOPED_TRACE(row.what);
    HWND window = row.form.Handle();
    row.form.Show();
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    pump();
    const SIZE size = ClientSize(window);
    const std::vector<std::uint32_t> whole = ClientPixels(window, size, From::Screen);
    // Marked on the screen first, so that a part left unpainted shows too.
    HDC screen = GetDC(window);
    const HBRUSH marker = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(screen, &row.part, marker);
    DeleteObject(marker);
    ReleaseDC(window, screen);
    InvalidateRect(window, &row.part, FALSE);
    UpdateWindow(window);
    pump();
    const std::vector<std::uint32_t> part = ClientPixels(window, size, From::Screen);
    int differ = 0;
    for (std::size_t i = 0; i < whole.size(); ++i) differ += whole[i] != part[i] ? 1 : 0;
    EXPECT_EQ(differ, 0) << "pixels that differ from the whole paint";
    row.form.Hide();
    pump();
  }
}

}  // namespace
