#include "toolkit/win_control.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "toolkit/window.h"

namespace toolkit {

namespace {

// Marks our controls' native windows and leads back to the object. A window
// property, not the user data, which the controls' own code may use.
constexpr wchar_t kControlProperty[] = L"Huevane.Control";

// Child-window identifiers start above the dialog manager's IDOK and
// IDCANCEL, so a control's notifications can never be taken for them.
constexpr int kFirstControlId = 100;

}  // namespace

TWinControl::TWinControl(Window& owner, const Place& place, const wchar_t* className, DWORD style,
                         DWORD exStyle)
    : Component(&owner) {
  const int id = kFirstControlId + static_cast<int>(owner.Components().size());
  made_ = bounds_ = {place.left, place.top, place.left + place.width, place.top + place.height};
  handle_ = CreateWindowExW(exStyle, className, L"", WS_CHILD | style, made_.left, made_.top,
                            made_.right - made_.left, made_.bottom - made_.top, owner.Handle(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), nullptr);
  if (handle_ == nullptr) throw std::runtime_error("Cannot create a control.");
  SetPropW(handle_, kControlProperty, this);
}

TWinControl::~TWinControl() {
  tooltip_.Detach();
  // The owner's window may have taken the control with it already.
  if (IsWindow(handle_) && FromHandle(handle_) == this) {
    RemovePropW(handle_, kControlProperty);
    DestroyWindow(handle_);
  }
}

TWinControl* TWinControl::FromHandle(HWND handle) {
  if (handle == nullptr || !IsWindow(handle)) return nullptr;
  return static_cast<TWinControl*>(GetPropW(handle, kControlProperty));
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  bounds_ = {left, top, left + width, top + height};
  // While its layout loads, a control is placed once, by Loaded: its four
  // edges come as four values, and each move is a call into the system.
  if (loaded_) MoveWindow(handle_, left, top, width, height, TRUE);
}

void TWinControl::SetDesignValue(std::wstring_view property, const DesignValue& value) {
  const int width = bounds_.right - bounds_.left, height = bounds_.bottom - bounds_.top;
  if (property == L"Left") {
    SetBounds(DesignInt(property, value), bounds_.top, width, height);
  } else if (property == L"Top") {
    SetBounds(bounds_.left, DesignInt(property, value), width, height);
  } else if (property == L"Width") {
    SetBounds(bounds_.left, bounds_.top, DesignInt(property, value), height);
  } else if (property == L"Height") {
    SetBounds(bounds_.left, bounds_.top, width, DesignInt(property, value));
  } else if (property == L"Caption") {
    caption_ = DesignText(property, value);
    SetWindowTextW(handle_, caption_.c_str());
    ContentChanged();
  } else if (property == L"Hint") {
    hint_ = DesignText(property, value);
  } else if (property == L"ShowHint") {
    showHint_ = DesignBool(property, value);
  } else if (property == L"TabOrder") {
    tabOrder_ = DesignInt(property, value);
  } else if (!font_.SetDesignValue(property, value)) {
    Component::SetDesignValue(property, value);
  }
}

void TWinControl::Loaded() {
  loaded_ = true;
  if (!EqualRect(&bounds_, &made_)) {
    MoveWindow(handle_, bounds_.left, bounds_.top, bounds_.right - bounds_.left,
               bounds_.bottom - bounds_.top, TRUE);
  }
  // Its own font, or else the window's.
  HFONT font = font_.Make(static_cast<Window*>(Owner())->Scale());
  if (font == nullptr) {
    font = reinterpret_cast<HFONT>(SendMessageW(GetParent(handle_), WM_GETFONT, 0, 0));
  }
  if (font != nullptr) SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  ContentChanged();
  if (!static_cast<Window*>(Owner())->HintsWaiting()) AttachHint();
  // Once for the whole layout, by its last native control: each stacking
  // is a call into the system for every control.
  const auto& components = Owner()->Components();
  const auto last = std::find_if(components.rbegin(), components.rend(), [](const auto& c) {
    return dynamic_cast<const TWinControl*>(c.get()) != nullptr;
  });
  if (last != components.rend() && last->get() == this) ArrangeTabOrder(*Owner());
}

void TWinControl::AttachHint() {
  if (showHint_) tooltip_.Attach(handle_, hint_);
}

void ArrangeTabOrder(const Component& owner) {
  std::vector<TWinControl*> controls;
  for (const auto& component : owner.Components()) {
    if (auto* control = dynamic_cast<TWinControl*>(component.get())) controls.push_back(control);
  }
  std::stable_sort(
      controls.begin(), controls.end(),
      [](const TWinControl* a, const TWinControl* b) { return a->TabOrder() < b->TabOrder(); });
  HWND previous = HWND_TOP;
  for (TWinControl* control : controls) {
    // Made in layout order, most controls stand in place already: only those
    // out of place move, as each move is a call into the system.
    const HWND inPlace = previous == HWND_TOP ? GetWindow(GetParent(control->Handle()), GW_CHILD)
                                              : GetWindow(previous, GW_HWNDNEXT);
    if (inPlace != control->Handle()) {
      SetWindowPos(control->Handle(), previous, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
    previous = control->Handle();
  }
}

}  // namespace toolkit
