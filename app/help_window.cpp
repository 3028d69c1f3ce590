#include "app/help_window.h"

#include "controls/line.h"
#include "toolkit/graphic_controls.h"
#include "toolkit/std_controls.h"

namespace app {

namespace {

using toolkit::ComponentDesign;

using toolkit::MakeControl;

std::unique_ptr<toolkit::Component> MakeLine(toolkit::Component& owner, const toolkit::Place&) {
  auto& window = static_cast<toolkit::Window&>(owner);
  return std::make_unique<controls::TLine>(&window, &window.GraphicControls());
}

// A bold label placed by its top left corner: a label takes the size of its
// caption, so the layout gives it no width or height.
ComponentDesign Label(const wchar_t* name, const wchar_t* caption, int left, int top) {
  return {name,
          MakeControl<toolkit::TLabel>,
          {{L"Left", left},
           {L"Top", top},
           {L"Caption", std::wstring(caption)},
           {L"Font.Name", std::wstring(L"Arial")},
           {L"Font.Height", 13},
           {L"Font.Bold", true},
           {L"Font.Charset", static_cast<std::int32_t>(ANSI_CHARSET)}},
          {}};
}

// A black connector, one pixel wide, across the middle row of its box.
ComponentDesign Line(const wchar_t* name, int left, int top, int width, int height) {
  return {name,
          MakeLine,
          {{L"Left", left},
           {L"Top", top},
           {L"Width", width},
           {L"Height", height},
           {L"LineColor", 0},
           {L"ArrowColor", 0},
           {L"LineWidth", 1}},
          {}};
}

// In painting order: the picture first, so that the lines lie on it. Start
// labels stand left of the picture with their lines running right into it;
// end labels stand right of it with their lines running left.
// clang-format off
const ComponentDesign kForm3Layout[] = {
    {L"Image1",
     MakeControl<toolkit::TImage>,
     {{L"Left", 120}, {L"Top", 12}, {L"Width", 136}, {L"Height", 290}, {L"AutoSize", true},
      {L"Picture.Bitmap", std::wstring(L"HELPPICTURE")}},
     {}},
    Line(L"Line1", 68, 8, 65, 41),
    Label(L"Label1", L"Menu", 40, 20),
    Label(L"Label2", L"Red Start", 4, 72),
    Line(L"Line2", 64, 60, 73, 41),
    Label(L"Label3", L"Green Start", 12, 88),
    Line(L"Line3", 84, 76, 65, 41),
    Label(L"Label4", L"Blue Start", 32, 104),
    Line(L"Line4", 96, 92, 65, 41),
    Line(L"Line5", 212, 56, 65, 41),
    Line(L"Line6", 224, 72, 65, 41),
    Line(L"Line7", 240, 88, 65, 41),
    Label(L"Label5", L"Red End", 280, 68),
    Label(L"Label6", L"Green End", 288, 84),
    Label(L"Label7", L"Blue End", 308, 100),
    Line(L"Line8", 104, 212, 89, 41),
    Label(L"Label8", L"Gradient Styles", 4, 224),
    {L"Button1",
     MakeControl<toolkit::TButton>,
     {{L"Left", 280}, {L"Top", 264}, {L"Width", 79}, {L"Height", 33},
      {L"Caption", std::wstring(L"Close Help")},
      {L"TabOrder", 0}},
     {}},
};
// clang-format on

}  // namespace

// A single fixed border, the system menu and the close button only: the
// default style. It belongs to the main window and shows that window's icon.
TForm3::TForm3(HWND mainWindow)
    : TForm({{.className = L"TForm3",
              .caption = L"Huevane Help",
              .exStyle = WS_EX_TOPMOST,
              .clientWidth = 376,
              .clientHeight = 308,
              .owner = mainWindow,
              .icon = reinterpret_cast<HICON>(GetClassLongPtrW(mainWindow, GCLP_HICON)),
              .smallIcon = reinterpret_cast<HICON>(GetClassLongPtrW(mainWindow, GCLP_HICONSM))}},
            kForm3Layout) {
  Part<toolkit::TButton>(L"Button1").OnClick = [this] { Button1Click(); };
}

void TForm3::Button1Click() { Hide(); }

}  // namespace app
