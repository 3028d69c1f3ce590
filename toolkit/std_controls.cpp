#include "toolkit/std_controls.h"

#include <optional>
#include <vector>

#include "toolkit/font.h"

namespace toolkit {

TStaticText::TStaticText(Window& owner, const Place& place)
    : TWinControl(owner, place, L"STATIC", WS_VISIBLE | SS_LEFT | SS_NOPREFIX) {}

void TStaticText::ContentChanged() {
  // Sized to the text in its font, from its top left corner.
  HWND handle = Handle();
  auto* font = reinterpret_cast<HFONT>(SendMessageW(handle, WM_GETFONT, 0, 0));
  const std::optional<SIZE> extent = MeasureText(handle, font, Caption());
  if (extent) SetBounds(Left(), Top(), extent->cx, extent->cy);
}

TMemo::TMemo(Window& owner, const Place& place)
    : TWinControl(owner, place, L"EDIT", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE,
                  WS_EX_CLIENTEDGE) {}

std::wstring TMemo::Text() const {
  const int length = GetWindowTextLengthW(Handle());
  std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(Handle(), text.data(), length + 1);
  return std::wstring(text.data());
}

void TMemo::SetText(const std::wstring& text) {
  // The box's own limit (about 30,000 characters) would cut a long text.
  SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);
  SetWindowTextW(Handle(), text.c_str());
}

HBRUSH TMemo::ControlColor(HDC dc) {
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  return GetSysColorBrush(COLOR_WINDOW);
}

void TMemo::SetDesignValue(std::wstring_view property, const DesignValue& value) {
  if (property == L"Text") {
    SetText(DesignText(property, value));
  } else if (property == L"ReadOnly") {
    SendMessageW(Handle(), EM_SETREADONLY, DesignBool(property, value) ? TRUE : FALSE, 0);
  } else {
    TWinControl::SetDesignValue(property, value);
  }
}

// BS_NOTIFY: the button reports gaining and losing the focus, which moves
// the default frame.
TButton::TButton(Window& owner, const Place& place)
    : TWinControl(owner, place, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY) {}

bool TButton::Framed() const {
  return (GetWindowLongW(Handle(), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

void TButton::SetFramed(bool framed) {
  // Redrawn only when it changes: the frame moves on every focus change.
  if (framed != Framed()) {
    // The button's other style bits (BS_NOTIFY) stay as they are.
    const auto style = static_cast<DWORD>(GetWindowLongW(Handle(), GWL_STYLE));
    const DWORD kept = style & 0xFFFF & ~static_cast<DWORD>(BS_TYPEMASK);
    SendMessageW(Handle(), BM_SETSTYLE, kept | (framed ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), TRUE);
  }
}

void TButton::FrameOneButton(const TButton* focused) {
  if (Owner() == nullptr) return;
  for (const auto& component : Owner()->Components()) {
    if (auto* button = dynamic_cast<TButton*>(component.get())) {
      button->SetFramed(focused != nullptr ? button == focused : button->Default());
    }
  }
}

void TButton::Notify(std::int32_t code) {
  switch (code) {
    case BN_CLICKED:
    // With BS_NOTIFY the second press of a double click comes as this.
    case BN_DOUBLECLICKED:
      if (OnClick) OnClick();
      break;
    case BN_SETFOCUS: FrameOneButton(this); break;
    case BN_KILLFOCUS:
      // Where the focus goes next, another button frames itself after this.
      FrameOneButton(nullptr);
      break;
    default: break;
  }
}

void TButton::SetDesignValue(std::wstring_view property, const DesignValue& value) {
  if (property == L"Default") {
    default_ = DesignBool(property, value);
    SetFramed(default_);
  } else {
    TWinControl::SetDesignValue(property, value);
  }
}

}  // namespace toolkit
