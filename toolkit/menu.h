// TMenuItem and TPopupMenu: menu items as components, built into the
// platform's native menus. A popup menu opens on a right-click of the window
// that holds it and runs the chosen item's OnClick.
//
// Items are placed by design data: each item's `Parent` reference names the
// popup menu or the item it belongs to, and items join their parent in the
// order their references are resolved, which is the layout's stored order.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/component.h"
#include "toolkit/menu_model.h"

namespace toolkit {

class TMenuItem : public Component {
 public:
  // Takes the next command identifier. Throws std::runtime_error when
  // none is left below the system's own commands.
  explicit TMenuItem(Component* owner);
  // Leaves its parent and lets its own sub-items go; they stay alive but
  // belong to no menu.
  ~TMenuItem() override;

  // Unique among the process's items and below the system's own commands
  // (0xF000); a system-menu copy carries the same number.
  std::uint16_t Command() const { return command_; }

  bool Visible() const { return visible_; }  // a hidden item has no entry

  // The item's own native sub-menu: it opens from the item's entry once the
  // item has sub-items.
  HMENU Handle() const { return handle_; }
  const std::vector<TMenuItem*>& Items() const { return items_; }

  std::function<void()> OnClick;
  // Runs OnClick; a disabled item does nothing.
  void Click();
  // The first of this item's descendants, depth first, that carries
  // `command`, hidden ones included; nullptr when none does.
  TMenuItem* Find(std::uint16_t command);

  // The text of the item's entry: the caption, and for an item without
  // sub-items and with a shortcut, a TAB and the shortcut's text.
  std::wstring EntryText() const;
  // The flag bits of the item's entry.
  MenuEntryFlags EntryFlags() const;

  // Values Caption ("-" is a separator), Enabled, Visible, Checked,
  // RadioItem, Default, ShortCut (the virtual-key code in the low byte,
  // scShift/scCtrl/scAlt above) and Break ("mbNone", "mbBreak" or
  // "mbBarBreak"); reference Parent (a TPopupMenu or a TMenuItem), which an
  // item takes once.
  void SetDesignValue(std::wstring_view property, const DesignValue& value) override;
  void SetDesignReference(std::wstring_view property, Component* target) override;

 private:
  friend class TPopupMenu;
  // The root item of a popup menu: its handle is the popup's own menu.
  struct RootTag {};
  TMenuItem(Component* owner, RootTag);

  // Appends `item`, which has no parent yet.
  void Add(TMenuItem& item);
  // This item's entry in its parent changed.
  void Changed();
  // The list of sub-items changed: rebuild this item's native menu.
  void ItemsChanged();

  std::uint16_t command_ = 0;
  HMENU handle_ = nullptr;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
  std::wstring caption_;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  bool radioItem_ = false;
  bool default_ = false;
  TMenuBreak break_ = TMenuBreak::mbNone;
  std::uint16_t shortCut_ = 0;
};

class TPopupMenu : public Component {
 public:
  explicit TPopupMenu(Component* owner);

  HMENU Handle() const { return root_.Handle(); }
  // The top-level items are the root's sub-items.
  TMenuItem& Root() { return root_; }

  // Opens the menu at a screen point for `window`, which receives the
  // chosen item's WM_COMMAND.
  void Popup(HWND window, int x, int y);
  // Clicks the item with `command`; false when the menu has none.
  bool DispatchCommand(std::uint16_t command);

 private:
  TMenuItem root_;
};

}  // namespace toolkit
