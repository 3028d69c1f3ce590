// What a menu entry looks like, as plain data: the column breaks, the text
// of a shortcut, and the flag bits that the system's menu calls take for an
// item's attributes. Shared by the popup menus and the system-menu merger,
// so that the two always show an item alike.
#pragma once

#include <cstdint>
#include <string>

namespace toolkit {

// Where a menu item starts a new column.
enum class TMenuBreak { mbNone, mbBreak, mbBarBreak };

// Shortcut modifier bits; the low byte is the virtual-key code.
constexpr std::uint16_t scShift = 0x2000;
constexpr std::uint16_t scCtrl = 0x4000;
constexpr std::uint16_t scAlt = 0x8000;

// The text a menu shows for a shortcut: "Shift+", "Ctrl+", "Alt+" in that
// order, then the key's name, as in "Shift+Ctrl+F1". Keys have names for
// the letters, the digits and F1 to F24; the text is empty for 0 and for
// any other key.
std::string ShortCutToText(std::uint16_t shortCut);

// The attributes of a menu item that decide how its entry is drawn.
struct MenuItemLook {
  bool separator = false;  // the caption is exactly "-"
  bool enabled = true;
  bool checked = false;
  bool radioItem = false;
  bool isDefault = false;
  TMenuBreak breakKind = TMenuBreak::mbNone;
};

// An entry's flag bits, for each way of inserting it.
struct MenuEntryFlags {
  // For InsertMenu: MF_SEPARATOR, MF_MENUBREAK/MF_MENUBARBREAK, MF_CHECKED,
  // MF_GRAYED|MF_DISABLED. The call has no radio mark or default entry.
  std::uint32_t insertFlags = 0;
  // MENUITEMINFO's fType: MFT_SEPARATOR, MFT_RADIOCHECK, the break.
  std::uint32_t type = 0;
  // MENUITEMINFO's fState: MFS_CHECKED, MFS_DISABLED, MFS_DEFAULT.
  std::uint32_t state = 0;
  bool operator==(const MenuEntryFlags&) const = default;
};

MenuEntryFlags MenuEntryFlagsOf(const MenuItemLook& look);

}  // namespace toolkit
