#include "app/about_dialog.h"

#include <string_view>

#include "app/version.h"
#include "toolkit/application.h"
#include "toolkit/graphic_controls.h"
#include "toolkit/std_controls.h"
#include "win32/text.h"

namespace app {

namespace {

using toolkit::ComponentDesign;

using toolkit::MakeControl;

// A static text in Verdana, Western, placed by its top left corner: a static
// text takes the size of its caption, so the layout gives it no width or
// height.
std::vector<toolkit::ValueSetting> VerdanaText(int left, int top, const wchar_t* caption) {
  return {{L"Left", left},
          {L"Top", top},
          {L"Caption", std::wstring(caption)},
          {L"Font.Name", std::wstring(L"Verdana")},
          {L"Font.Height", 13},
          {L"Font.Charset", static_cast<std::int32_t>(ANSI_CHARSET)}};
}

// The version as the build sets it, beside the build's fixed name.
constexpr const wchar_t* kVersionLine =
    L"Version " HUEVANE_VERSION_TEXT " (Build 2643.Quenty.1970)";

// Top to bottom. The banner starts 4 pixels left of the client area, so its
// right edge meets the client area's right edge.
// clang-format off
const ComponentDesign kForm2Layout[] = {
    {L"Image1",
     MakeControl<toolkit::TImage>,
     {{L"Left", -4}, {L"Top", 0}, {L"Width", 481}, {L"Height", 133},
      {L"Picture.Bitmap", std::wstring(L"BANNER")}},
     {}},
    {L"StaticText1", MakeControl<toolkit::TStaticText>,
     VerdanaText(132, 140, L"Ostrega: Huevane"), {}},
    {L"Image2",
     MakeControl<toolkit::TImage>,
     {{L"Left", 40}, {L"Top", 152}, {L"Width", 64}, {L"Height", 64},
      {L"Picture.Icon", std::wstring(L"MAINICON")}},
     {}},
    {L"StaticText2", MakeControl<toolkit::TStaticText>,
     VerdanaText(132, 156, kVersionLine), {}},
    {L"Memo1",
     MakeControl<toolkit::TMemo>,
     {{L"Left", 4}, {L"Top", 236}, {L"Width", 465}, {L"Height", 169},
      {L"ReadOnly", true},
      {L"Font.Name", std::wstring(L"MS Sans Serif")},
      {L"Font.Height", 12},
      {L"Font.Charset", static_cast<std::int32_t>(ANSI_CHARSET)},
      {L"Hint", std::wstring(L"The Huevane end-user agreement")},
      {L"ShowHint", true},
      {L"TabOrder", 1}},
     {}},
    {L"Button1",
     MakeControl<toolkit::TButton>,
     {{L"Left", 8}, {L"Top", 412}, {L"Width", 153}, {L"Height", 29},
      {L"Caption", std::wstring(L"No. I Don't Agree.")},
      {L"TabOrder", 2}},
     {}},
    {L"OKButton1",
     MakeControl<toolkit::TButton>,
     {{L"Left", 164}, {L"Top", 412}, {L"Width", 301}, {L"Height", 29},
      {L"Caption", std::wstring(L"Yes I Agree. [OK]")},
      {L"Font.Name", std::wstring(L"MS Sans Serif")},
      {L"Font.Height", 11},
      {L"Font.Bold", true},
      {L"Default", true},
      {L"TabOrder", 0}},
     {}},
};
// clang-format on

}  // namespace

std::wstring AgreementText() {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, L"AGREEMENT", RT_RCDATA);
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const char* bytes = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  const DWORD size = found != nullptr ? SizeofResource(module, found) : 0;
  if (bytes == nullptr || size == 0) return {};
  // Stored as Western text with plain line feeds; the box wants CR LF.
  const std::wstring stored = win32::Widen(std::string_view(bytes, size), win32::kWindows1252);
  std::wstring text;
  text.reserve(stored.size() + stored.size() / 16);
  for (wchar_t c : stored) {
    if (c == L'\r') continue;
    if (c == L'\n') text += L'\r';
    text += c;
  }
  return text;
}

// A tool window: a thin title bar with a close button only, fixed size (the
// default style).
TForm2::TForm2(HWND mainWindow)
    : TForm({{.className = L"TForm2",
              .caption = L"About Ostrega",
              .exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST,
              .clientWidth = 474,
              .clientHeight = 446,
              .owner = mainWindow}},
            kForm2Layout) {
  Part<toolkit::TButton>(L"OKButton1").OnClick = [this] { OKButton1Click(); };
  Part<toolkit::TButton>(L"Button1").OnClick = [this] { Button1Click(); };
}

void TForm2::Show() {
  if (!agreementIn_) {
    Part<toolkit::TMemo>(L"Memo1").SetText(AgreementText());
    agreementIn_ = true;
  }
  TForm::Show();
}

void TForm2::OKButton1Click() { Hide(); }

void TForm2::Button1Click() {
  if (toolkit::Application* application = toolkit::Application::Current()) {
    application->Terminate();
  }
}

void TForm2::FormPaint() { FocusControl(Part<toolkit::TMemo>(L"Memo1")); }

}  // namespace app
