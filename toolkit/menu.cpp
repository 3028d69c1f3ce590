#include "toolkit/menu.h"

#include <stdexcept>

#include "win32/text.h"

namespace toolkit {

namespace {

// Commands from 0xF000 up are the system's own, and a menu reports 0 for
// "nothing chosen". Items count up from 1 and no number is handed out
// again: a program makes a handful of items, not the 61,439 there are.
std::uint16_t NextCommand() {
  constexpr std::uint16_t kFirstSystemCommand = 0xF000;
  static std::uint16_t last = 0;
  if (last + 1 == kFirstSystemCommand) {
    throw std::runtime_error("No menu command identifier is left.");
  }
  return ++last;
}

TMenuBreak BreakNamed(std::wstring_view property, const std::wstring& name) {
  if (name == L"mbNone") return TMenuBreak::mbNone;
  if (name == L"mbBreak") return TMenuBreak::mbBreak;
  if (name == L"mbBarBreak") return TMenuBreak::mbBarBreak;
  throw std::invalid_argument("design value of " + win32::Narrow(property) +
                              " names no menu break");
}

}  // namespace

TMenuItem::TMenuItem(Component* owner) : TMenuItem(owner, RootTag{}) { command_ = NextCommand(); }

TMenuItem::TMenuItem(Component* owner, RootTag) : Component(owner) {
  handle_ = CreatePopupMenu();
  if (handle_ == nullptr) throw std::runtime_error("Cannot create a menu.");
}

TMenuItem::~TMenuItem() {
  if (parent_ != nullptr) {
    std::erase(parent_->items_, this);
    parent_->ItemsChanged();
  }
  for (TMenuItem* item : items_) item->parent_ = nullptr;
  // Entries only: the sub-items' own menus are theirs to destroy.
  while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
  // A system menu that took this sub-menu destroys it with its window.
  if (IsMenu(handle_)) DestroyMenu(handle_);
}

void TMenuItem::Add(TMenuItem& item) {
  if (item.parent_ != nullptr) throw std::invalid_argument("a menu item has one parent");
  for (const TMenuItem* above = this; above != nullptr; above = above->parent_) {
    if (above == &item) throw std::invalid_argument("a menu item cannot hold itself");
  }
  items_.push_back(&item);
  item.parent_ = this;
  ItemsChanged();
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) OnClick();
}

TMenuItem* TMenuItem::Find(std::uint16_t command) {
  for (TMenuItem* item : items_) {
    if (item->command_ == command) return item;
    if (TMenuItem* found = item->Find(command)) return found;
  }
  return nullptr;
}

std::wstring TMenuItem::EntryText() const {
  if (!items_.empty() || shortCut_ == 0) return caption_;
  const std::string shortCut = ShortCutToText(shortCut_);
  std::wstring text = caption_ + L'	';
  text.append(shortCut.begin(), shortCut.end());  // key names are plain ASCII
  return text;
}

MenuEntryFlags TMenuItem::EntryFlags() const {
  return MenuEntryFlagsOf({caption_ == L"-", enabled_, checked_, radioItem_, default_, break_});
}

void TMenuItem::Changed() {
  if (parent_ != nullptr) parent_->ItemsChanged();
}

void TMenuItem::ItemsChanged() {
  while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
  UINT position = 0;
  for (TMenuItem* item : items_) {
    if (!item->visible_) continue;
    std::wstring text = item->EntryText();
    const MenuEntryFlags flags = item->EntryFlags();
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
    info.fType = flags.type;
    info.fState = flags.state;
    info.wID = item->command_;
    info.hSubMenu = item->items_.empty() ? nullptr : item->handle_;
    info.dwTypeData = text.data();
    InsertMenuItemW(handle_, position++, TRUE, &info);
  }
  // An item that gains its first sub-item or loses its last changes its own
  // entry too: it opens a sub-menu only while it has sub-items.
  Changed();
}

void TMenuItem::SetDesignValue(std::wstring_view property, const DesignValue& value) {
  if (property == L"Caption") {
    caption_ = DesignText(property, value);
  } else if (property == L"Enabled") {
    enabled_ = DesignBool(property, value);
  } else if (property == L"Visible") {
    visible_ = DesignBool(property, value);
  } else if (property == L"Checked") {
    checked_ = DesignBool(property, value);
  } else if (property == L"RadioItem") {
    radioItem_ = DesignBool(property, value);
  } else if (property == L"Default") {
    default_ = DesignBool(property, value);
  } else if (property == L"Break") {
    break_ = BreakNamed(property, DesignText(property, value));
  } else if (property == L"ShortCut") {
    shortCut_ = static_cast<std::uint16_t>(DesignInt(property, value));
  } else {
    Component::SetDesignValue(property, value);
  }
  Changed();
}

void TMenuItem::SetDesignReference(std::wstring_view property, Component* target) {
  if (property != L"Parent") {
    Component::SetDesignReference(property, target);
    return;
  }
  if (auto* menu = dynamic_cast<TPopupMenu*>(target)) {
    menu->Root().Add(*this);
  } else if (auto* item = dynamic_cast<TMenuItem*>(target)) {
    item->Add(*this);
  } else {
    throw std::invalid_argument("a menu item's parent must be a popup menu or a menu item");
  }
}

TPopupMenu::TPopupMenu(Component* owner) : Component(owner), root_(this, TMenuItem::RootTag{}) {}

void TPopupMenu::Popup(HWND window, int x, int y) {
  // The owner must be in front, or the menu would not close when the user
  // clicks elsewhere.
  SetForegroundWindow(window);
  TrackPopupMenu(Handle(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, window, nullptr);
  // Lets the menu's own loop finish with the owner's queue before the next
  // right-click opens it again.
  PostMessageW(window, WM_NULL, 0, 0);
}

bool TPopupMenu::DispatchCommand(std::uint16_t command) {
  TMenuItem* item = root_.Find(command);
  if (item == nullptr) return false;
  item->Click();
  return true;
}

}  // namespace toolkit
