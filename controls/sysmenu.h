// TTolveSystemMenu: copies a popup menu's top-level items into its owner's
// system menu and routes the system menu's commands back to the popup items.
//
// Its design value Position and design reference PopupMenu go straight to
// the writers, so loading a layout merges exactly as the layout order makes
// it: Position first, with no popup menu yet; the reference then; the
// application's message filter at load-complete.
#pragma once

#include <windows.h>

#include <cstdint>
#include <stdexcept>

#include "toolkit/application.h"
#include "toolkit/component.h"
#include "toolkit/menu.h"

namespace controls {

// The toolkit's type-conversion error.
class EInvalidCast : public std::runtime_error {
 public:
  EInvalidCast() : std::runtime_error("Invalid class typecast") {}
};

// Inserts `item`'s entry into `menu` at `position` (-1 appends), counted in
// entries. The older call is InsertMenuA, which systems before version 4
// have: it shows no radio mark and no default entry. The newer call is
// InsertMenuItemA. Either way the entry carries the item's command, or opens
// the item's own sub-menu when the item has sub-items.
void InsertMenuEntry(const toolkit::TMenuItem& item, HMENU menu, std::int32_t position,
                     bool olderCall);

class TTolveSystemMenu : public toolkit::Component {
 public:
  // Nothing is merged and no filter is installed yet.
  explicit TTolveSystemMenu(toolkit::Component* owner);
  // Puts back the filter saved at load-complete (an empty one if that never
  // came), whatever filter is installed by then. No entry is removed.
  ~TTolveSystemMenu() override;

  // Not owned: the popup menu must outlive the merger. Writing a new value
  // merges at once; writing the stored value does nothing.
  toolkit::TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(toolkit::TPopupMenu* popupMenu);
  // System-menu position of the first copy; -1 (the start) appends. Same
  // write rule.
  std::int32_t Position() const { return position_; }
  void SetPosition(std::int32_t position);

  // Copies every top-level popup item into the owner's system menu. Each
  // call inserts afresh: entries from an earlier merge stay. Throws
  // EInvalidCast, before inserting anything, when the owner is not a
  // top-level window.
  void MergeIntoSystemMenu();
  // One item's entry, unless the item is hidden.
  void InsertSystemMenuEntry(const toolkit::TMenuItem& item, HMENU systemMenu,
                             std::int32_t position);

  // The saved filter sees the message first; a system command that carries
  // a popup item's identifier then runs that item and is marked handled.
  void FilterAppMessage(MSG& message, bool& handled);
  // Searches the children of `item`, depth first, hidden ones included, for
  // the command of the message being filtered and clicks the first match.
  // Finds nothing outside FilterAppMessage.
  bool FindAndClickCommand(toolkit::TMenuItem& item);

  // Saves the application's filter and installs FilterAppMessage.
  void Loaded() override;
  void SetDesignValue(std::wstring_view property, const toolkit::DesignValue& value) override;
  void SetDesignReference(std::wstring_view property, toolkit::Component* target) override;

 private:
  static void FilterThunk(void* context, MSG& message, bool& handled);
  toolkit::MessageFilter OwnFilter() { return {&FilterThunk, this}; }

  toolkit::TPopupMenu* popupMenu_ = nullptr;
  std::int32_t position_ = -1;
  toolkit::MessageFilter savedFilter_;
  // The message FilterAppMessage is handling, for FindAndClickCommand.
  const MSG* filtering_ = nullptr;
};

}  // namespace controls
