// The About dialog and the help window on their own: what a user sees of
// their layouts and the agreement's colours, what each help label names,
// showing and hiding centred on the screen, the focus that every paint gives back to
// the agreement, the keys and the default frame that shows what Enter
// presses, and the refusal that ends the application's loop.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "app/help_window.h"
#include "controls/line.h"
#include "support/pump.h"
#include "support/test_window.h"
#include "toolkit/application.h"
#include "toolkit/graphic.h"
#include "toolkit/graphic_controls.h"
#include "toolkit/std_controls.h"
#include "toolkit/win_control.h"
#include "win32/scoped.h"

namespace {

RECT ClientRectOf(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

LONG Style(HWND window) { return GetWindowLongW(window, GWL_STYLE); }

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

TEST_F(AboutFixture, IsBuiltHiddenAndItsHintComesWithTheFirstShowing) {
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
  EXPECT_EQ(GetWindow(form.Handle(), GW_OWNER), owner.Handle());
  EXPECT_EQ(test::TooltipOf(Control(L"Memo1")), nullptr);
  form.Show();
  Pump();
  EXPECT_NE(test::TooltipOf(Control(L"Memo1")), nullptr);
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

// Each label names what its line reaches in the picture of the main window:
// the line starts at the label, at the height of its middle, and ends on
// the element that the label names. Where the picture shows them, in its
// own pixels (its client area starts at 3, 28, and its bars overlap their
// neighbours by one pixel as the real ones do): the title bar's icon, which
// opens the menu, and the bars from left to right.
TEST_F(HelpFixture, EachLabelNamesWhatItsLineReachesInThePicture) {
  const struct {
    const wchar_t* name;
    RECT shown;
  } pictured[] = {
      {L"Menu", {5, 7, 21, 23}},
      {L"Red Start", {3, 28, 20, 285}},
      {L"Green Start", {19, 28, 36, 285}},
      {L"Blue Start", {35, 28, 52, 285}},
      {L"Gradient Styles", {51, 28, 84, 285}},
      {L"Red End", {83, 28, 100, 285}},
      {L"Green End", {99, 28, 116, 285}},
      {L"Blue End", {115, 28, 132, 285}},
  };
  const toolkit::Rect picture = form.Part<toolkit::TGraphicControl>(L"Image1").BoundsRect();
  std::vector<const toolkit::TGraphicControl*> controls;
  for (const auto& component : form.Components()) {
    const auto* control = dynamic_cast<const toolkit::TGraphicControl*>(component.get());
    if (control != nullptr) controls.push_back(control);
  }
  std::vector<std::wstring> named, names;
  for (const auto& element : pictured) names.push_back(element.name);
  for (const toolkit::TGraphicControl* control : controls) {
    const auto* label = dynamic_cast<const toolkit::TLabel*>(control);
    if (label == nullptr) continue;
    const std::wstring& caption = label->Caption();
    SCOPED_TRACE(std::string(caption.begin(), caption.end()));
    named.push_back(caption);
    const toolkit::Rect at = label->BoundsRect();
    // Its line: one pixel wide, drawn across the middle row of its box.
    std::optional<POINT> end;
    for (const toolkit::TGraphicControl* other : controls) {
      const toolkit::Rect box = other->BoundsRect();
      const int row = box.top + (box.bottom - box.top - 1) / 2;
      if (dynamic_cast<const controls::TLine*>(other) == nullptr ||
          std::abs(2 * row - at.top - at.bottom) > 2 || box.left > at.right + 8 ||
          box.right < at.left - 8) {
        continue;
      }
      // The end away from the label, in the picture's own pixels.
      end =
          POINT{(at.left < box.left ? box.right - 1 : box.left) - picture.left, row - picture.top};
    }
    ASSERT_TRUE(end) << "no line runs from the middle of the label";
    std::vector<std::wstring> reached;
    for (const auto& element : pictured) {
      if (PtInRect(&element.shown, *end)) reached.push_back(element.name);
    }
    EXPECT_EQ(reached, std::vector<std::wstring>{caption}) << "at " << end->x << "," << end->y;
  }
  std::sort(named.begin(), named.end());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(named, names) << "one label for each";
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

std::uint32_t Rgb(COLORREF colour) {
  return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

// The agreement reads as text in a box, read-only or not: the window-text
// colour on the window colour.
TEST_F(AboutFixture, TheAgreementIsWindowTextOnTheWindowColour) {
  ShowActive();
  HWND memo = Control(L"Memo1");
  std::map<std::uint32_t, int> counts;
  for (std::uint32_t pixel : ClientPixels(memo, ClientSize(memo))) ++counts[pixel];
  const auto commonest = std::max_element(counts.begin(), counts.end(),
                                          [](auto& a, auto& b) { return a.second < b.second; });
  EXPECT_EQ(commonest->first, Rgb(GetSysColor(COLOR_WINDOW))) << "the background";
  EXPECT_GT(counts[Rgb(GetSysColor(COLOR_WINDOWTEXT))], 500) << "the text";
}

// A picture of the program's resources at its own size, as 0x??RRGGBB
// rows: a bitmap, or an icon's image of `iconSize` pixels.
struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;

  // Whether `colour` is what stretching the picture can give at its point
  // (x, y): each channel within the range of the 5 x 5 pixels around it
  // (Wine's halftone stretch reads about a pixel left of the point), give
  // or take a little.
  bool Gives(double x, double y, std::uint32_t colour) const {
    for (int shift : {0, 8, 16}) {
      int low = 255, high = 0;
      for (int v = static_cast<int>(y) - 2; v <= static_cast<int>(y) + 2; ++v) {
        for (int u = static_cast<int>(x) - 2; u <= static_cast<int>(x) + 2; ++u) {
          const int c =
              pixels[std::clamp(v, 0, height - 1) * width + std::clamp(u, 0, width - 1)] >> shift;
          low = std::min(low, c & 255), high = std::max(high, c & 255);
        }
      }
      const int seen = colour >> shift & 255;
      if (seen < low - 4 || seen > high + 4) return false;
    }
    return true;
  }
};

Picture ResourcePicture(const wchar_t* name, int iconSize) {
  HMODULE module = GetModuleHandleW(nullptr);
  ICONINFO icon{};
  if (iconSize > 0) {
    const win32::ScopedIcon loaded(
        static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, iconSize, iconSize, 0)));
    GetIconInfo(loaded.get(), &icon);
    DeleteObject(icon.hbmMask);
  }
  const win32::ScopedBitmap bitmap(
      iconSize > 0 ? icon.hbmColor
                   : static_cast<HBITMAP>(LoadImageW(module, name, IMAGE_BITMAP, 0, 0, 0)));
  BITMAP facts{};
  GetObjectW(bitmap.get(), sizeof(facts), &facts);
  Picture picture{facts.bmWidth, facts.bmHeight,
                  std::vector<std::uint32_t>(facts.bmWidth * facts.bmHeight)};
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(info.bmiHeader), facts.bmWidth, -facts.bmHeight, 1, 32};
  GetDIBits(win32::ScopedGetDC(nullptr).get(), bitmap.get(), 0, facts.bmHeight,
            picture.pixels.data(), &info, DIB_RGB_COLORS);
  return picture;
}

// What a user sees of each dialog's controls: each inside the client area
// and as large as its text, none over another, and Tab visiting those that
// take the focus in their order; and each picture whole, grown with the
// layout, once: a bitmap from its control's corner, an icon filling its box.
// Two kinds stand apart by design: the About banner, wider than the dialog
// and drawn from 4 pixels left of it, and the help window's lines, which
// lie on its picture and run under their labels.
TEST(DialogLayouts, ControlsShowWholeApartInsideTheWindowAndTabInOrder) {
  toolkit::Application app{L"Huevane"};
  Owner owner;
  app::TForm2 about{owner.Handle()};
  app::TForm3 help{owner.Handle()};
  struct Shown {
    const wchar_t* control;
    const wchar_t* resource;
    int iconSize;  // 0: a bitmap
  };
  const struct {
    const char* what;
    toolkit::TForm& form;
    std::vector<std::wstring> tabOrder;
    std::vector<Shown> pictures;
  } forms[] = {{"About",
                about,
                {L"OKButton1", L"Memo1", L"Button1"},
                {{L"Image1", L"BANNER", 0}, {L"Image2", L"MAINICON", 64}}},
               {"help", help, {L"Button1"}, {{L"Image1", L"HELPPICTURE", 0}}}};
  const win32::ScopedGetDC screen(nullptr);
  for (const auto& f : forms) {
    RECT client;
    GetClientRect(f.form.Handle(), &client);
    std::vector<std::pair<std::wstring, RECT>> apart, all;
    for (const auto& component : f.form.Components()) {
      const std::wstring& name = component->Name();
      SCOPED_TRACE(f.what + std::string(": ") + std::string(name.begin(), name.end()));
      RECT box{};
      std::wstring text;
      HFONT font = nullptr;
      if (const auto* control = dynamic_cast<const toolkit::TWinControl*>(component.get())) {
        box = ClientRectOf(control->Handle());
        text = control->Caption();
        font = reinterpret_cast<HFONT>(SendMessageW(control->Handle(), WM_GETFONT, 0, 0));
      } else if (const auto* shown =
                     dynamic_cast<const toolkit::TGraphicControl*>(component.get())) {
        const toolkit::Rect r = shown->BoundsRect();
        box = {r.left, r.top, r.right, r.bottom};
        if (const auto* label = dynamic_cast<const toolkit::TLabel*>(shown)) {
          text = label->Caption();
          font = label->Font();
        }
      } else {
        continue;  // nothing to see
      }
      all.emplace_back(name, box);
      if (&f.form == &about && name == L"Image1") continue;
      EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.right <= client.right &&
                  box.bottom <= client.bottom);
      if (!text.empty()) {
        const win32::ScopedSelect selected(screen.get(), font);
        SIZE extent{};
        GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()), &extent);
        EXPECT_LE(extent.cx, box.right - box.left) << "the text is cut off";
        EXPECT_LE(extent.cy, box.bottom - box.top) << "the text is cut off";
      }
      if (dynamic_cast<const controls::TLine*>(component.get()) == nullptr) {
        for (const auto& [other, otherBox] : apart) {
          RECT both;
          EXPECT_FALSE(IntersectRect(&both, &box, &otherBox))
              << "over " << std::string(other.begin(), other.end());
        }
        apart.emplace_back(name, box);
      }
    }
    const std::vector<std::uint32_t> shown =
        ClientPixels(f.form.Handle(), {client.right, client.bottom});
    for (const Shown& p : f.pictures) {
      const Picture picture = ResourcePicture(p.resource, p.iconSize);
      const toolkit::Rect at = f.form.Part<toolkit::TGraphicControl>(p.control).BoundsRect();
      const toolkit::LayoutScale scale = f.form.Scale();
      const SIZE drawn = p.iconSize > 0 ? SIZE{at.right - at.left, at.bottom - at.top}
                                        : SIZE{scale(picture.width), scale(picture.height)};
      int unlike = 0;
      for (int y = std::max(at.top, 0); y < std::min<int>(at.top + drawn.cy, client.bottom); ++y) {
        for (int x = std::max(at.left, 0); x < std::min<int>(at.left + drawn.cx, client.right);
             ++x) {
          const POINT point{x, y};
          // Where no other control stands over it.
          if (std::any_of(all.begin(), all.end(), [&](const auto& other) {
                return other.first != p.control && PtInRect(&other.second, point);
              })) {
            continue;
          }
          unlike += picture.Gives((x - at.left + 0.5) * picture.width / drawn.cx,
                                  (y - at.top + 0.5) * picture.height / drawn.cy,
                                  shown[y * client.right + x])
                        ? 0
                        : 1;
        }
      }
      EXPECT_EQ(unlike, 0) << f.what << " " << p.control << ": pixels unlike " << p.resource
                           << " at " << drawn.cx << "x" << drawn.cy;
    }
    std::vector<std::wstring> visited;
    HWND at = nullptr;
    for (std::size_t i = 0; i <= f.tabOrder.size(); ++i) {
      at = GetNextDlgTabItem(f.form.Handle(), at, FALSE);
      visited.push_back(toolkit::TWinControl::FromHandle(at)->Name());
    }
    std::vector<std::wstring> expected = f.tabOrder;
    expected.push_back(f.tabOrder.front());  // and round again
    EXPECT_EQ(visited, expected) << f.what;
  }
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
