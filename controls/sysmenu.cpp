#include "controls/sysmenu.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/window.h"
#include "win32/text.h"

namespace controls {

namespace {

// Every living merger, so that one going away can hand its saved filter to
// a merger that saved the filter it had installed.
std::vector<TTolveSystemMenu*>& LivingMergers() {
  static std::vector<TTolveSystemMenu*> mergers;
  return mergers;
}

bool IsTopLevelWindow(const toolkit::Component* component) {
  const auto* window = dynamic_cast<const toolkit::Window*>(component);
  if (window == nullptr) return false;
  return window->Handle() == nullptr ||
         (GetWindowLongPtrW(window->Handle(), GWL_STYLE) & WS_CHILD) == 0;
}

}  // namespace

void InsertMenuEntry(const toolkit::TMenuItem& item, HMENU menu, std::int32_t position,
                     bool olderCall) {
  const std::string text = win32::Narrow(item.EntryText());
  const toolkit::MenuEntryFlags flags = item.EntryFlags();
  const bool hasSubMenu = !item.Items().empty();
  if (olderCall) {
    UINT_PTR id = item.Command();
    UINT insertFlags = MF_BYPOSITION | flags.insertFlags;
    if (hasSubMenu) {
      insertFlags |= MF_POPUP;
      id = reinterpret_cast<UINT_PTR>(item.Handle());
    }
    InsertMenuA(menu, static_cast<UINT>(position), insertFlags, id, text.c_str());
    return;
  }
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_TYPE | MIIM_DATA;
  info.fType = flags.type;
  info.fState = flags.state;
  info.wID = item.Command();
  info.hSubMenu = hasSubMenu ? item.Handle() : nullptr;
  info.dwTypeData = const_cast<char*>(text.c_str());
  InsertMenuItemA(menu, static_cast<UINT>(position), TRUE, &info);
}

TTolveSystemMenu::TTolveSystemMenu(toolkit::Component* owner) : Component(owner) {
  LivingMergers().push_back(this);
}

TTolveSystemMenu::~TTolveSystemMenu() {
  auto& mergers = LivingMergers();
  mergers.erase(std::find(mergers.begin(), mergers.end(), this));
  // A merger that saved this one's filter would put back a filter that no
  // longer exists; it puts back the one this merger found instead.
  for (TTolveSystemMenu* later : mergers) {
    if (later->savedFilter_ == OwnFilter()) later->savedFilter_ = savedFilter_;
  }
  if (toolkit::Application* application = toolkit::Application::Current()) {
    application->SetMessageFilter(savedFilter_);
  }
}

void TTolveSystemMenu::SetPopupMenu(toolkit::TPopupMenu* popupMenu) {
  if (popupMenu == popupMenu_) return;
  popupMenu_ = popupMenu;
  MergeIntoSystemMenu();
}

void TTolveSystemMenu::SetPosition(std::int32_t position) {
  if (position == position_) return;
  position_ = position;
  MergeIntoSystemMenu();
}

void TTolveSystemMenu::MergeIntoSystemMenu() {
  if (!IsTopLevelWindow(Owner())) throw EInvalidCast();
  // Toolkit windows make their handle when they are constructed.
  const HMENU systemMenu = GetSystemMenu(static_cast<toolkit::Window*>(Owner())->Handle(), FALSE);
  if (popupMenu_ == nullptr) return;
  std::uint32_t index = 0;
  for (const toolkit::TMenuItem* item : popupMenu_->Root().Items()) {
    // Wraps like the 32-bit arithmetic it stands for instead of overflowing.
    const std::int32_t position =
        position_ == -1 ? -1
                        : static_cast<std::int32_t>(static_cast<std::uint32_t>(position_) + index);
    InsertSystemMenuEntry(*item, systemMenu, position);
    ++index;
  }
}

void TTolveSystemMenu::InsertSystemMenuEntry(const toolkit::TMenuItem& item, HMENU systemMenu,
                                             std::int32_t position) {
  if (!item.Visible()) return;
  const DWORD majorVersion = GetVersion() & 0xFF;
  InsertMenuEntry(item, systemMenu, position, majorVersion < 4);
}

void TTolveSystemMenu::FilterAppMessage(MSG& message, bool& handled) {
  if (savedFilter_) savedFilter_(message, handled);
  if (handled || message.message != WM_SYSCOMMAND || popupMenu_ == nullptr) return;
  // A click action may run a nested message loop that filters messages of
  // its own; the outer search resumes with its own message.
  struct Restore {
    const MSG*& slot;
    const MSG* outer;
    ~Restore() { slot = outer; }
  } restore{filtering_, std::exchange(filtering_, &message)};
  if (FindAndClickCommand(popupMenu_->Root())) handled = true;
}

bool TTolveSystemMenu::FindAndClickCommand(toolkit::TMenuItem& item) {
  if (filtering_ == nullptr) return false;
  toolkit::TMenuItem* found = item.Find(LOWORD(filtering_->wParam));
  if (found == nullptr) return false;
  found->Click();
  return true;
}

void TTolveSystemMenu::FilterThunk(void* context, MSG& message, bool& handled) {
  static_cast<TTolveSystemMenu*>(context)->FilterAppMessage(message, handled);
}

void TTolveSystemMenu::Loaded() {
  if (toolkit::Application* application = toolkit::Application::Current()) {
    savedFilter_ = application->SetMessageFilter(OwnFilter());
  }
}

void TTolveSystemMenu::SetDesignValue(std::wstring_view property,
                                      const toolkit::DesignValue& value) {
  if (property == L"Position") {
    SetPosition(toolkit::DesignInt(property, value));
  } else {
    Component::SetDesignValue(property, value);
  }
}

void TTolveSystemMenu::SetDesignReference(std::wstring_view property, toolkit::Component* target) {
  if (property != L"PopupMenu") {
    Component::SetDesignReference(property, target);
    return;
  }
  auto* popupMenu = dynamic_cast<toolkit::TPopupMenu*>(target);
  if (target != nullptr && popupMenu == nullptr) {
    throw std::invalid_argument("PopupMenu must name a popup menu");
  }
  SetPopupMenu(popupMenu);
}

}  // namespace controls
