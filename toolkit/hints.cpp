#include "toolkit/hints.h"

#include <commctrl.h>

namespace toolkit {

namespace {

// The common controls library is loaded with the first hint, once the
// window is on the screen, rather than with the program: loading it
// registers a score of window classes, and nothing else here uses one.
bool CommonControlsReady() {
  static const bool ready = [] {
    using InitCall = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const HMODULE library = LoadLibraryW(L"comctl32.dll");
    const FARPROC found =
        library != nullptr ? GetProcAddress(library, "InitCommonControlsEx") : nullptr;
    const auto init = reinterpret_cast<InitCall>(reinterpret_cast<void (*)()>(found));
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    return init != nullptr && init(&controls) != FALSE;
  }();
  return ready;
}

TTTOOLINFOW ToolFor(HWND control, const std::wstring& text) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = GetParent(control);
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  // The tooltip copies the text when the tool is added.
  tool.lpszText = const_cast<wchar_t*>(text.c_str());
  return tool;
}

}  // namespace

Hint::~Hint() { Detach(); }

bool Hint::Attach(HWND control, const std::wstring& text) {
  Detach();
  if (text.empty() || control == nullptr) return true;
  if (!CommonControlsReady()) return false;
  HWND topLevel = GetAncestor(control, GA_ROOT);
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, topLevel, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  if (tooltip_ == nullptr) return false;
  TTTOOLINFOW tool = ToolFor(control, text);
  if (!SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool))) {
    DestroyWindow(tooltip_);
    tooltip_ = nullptr;
    return false;
  }
  control_ = control;
  text_ = text;
  return true;
}

void Hint::Detach() {
  if (tooltip_ != nullptr && IsWindow(tooltip_)) {
    if (IsWindow(control_)) {
      TTTOOLINFOW tool = ToolFor(control_, text_);
      SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    DestroyWindow(tooltip_);
  }
  tooltip_ = nullptr;
  control_ = nullptr;
  text_.clear();
}

}  // namespace toolkit
