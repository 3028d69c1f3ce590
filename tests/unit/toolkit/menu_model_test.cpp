// The menus' entry rules: which flag bits an item's attributes give each
// way of inserting its entry, and the text of a shortcut.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "toolkit/menu_model.h"

namespace {

using toolkit::MenuEntryFlags;
using toolkit::MenuEntryFlagsOf;
using toolkit::MenuItemLook;
using toolkit::ShortCutToText;
using toolkit::TMenuBreak;

// One attribute at a time, then all of them.
TEST(MenuEntryFlags, AttributesBecomeTheBitsOfEachCall) {
  const struct {
    const char* name;
    std::function<void(MenuItemLook&)> set;
    MenuEntryFlags flags;  // InsertMenu's flags, fType, fState
  } cases[] = {
      {"plain", [](MenuItemLook&) {}, {0, 0, 0}},
      {"separator", [](MenuItemLook& l) { l.separator = true; }, {0x800, 0x800, 0}},
      {"new column", [](MenuItemLook& l) { l.breakKind = TMenuBreak::mbBreak; }, {0x40, 0x40, 0}},
      {"new column with a bar",
       [](MenuItemLook& l) { l.breakKind = TMenuBreak::mbBarBreak; },
       {0x20, 0x20, 0}},
      {"checked", [](MenuItemLook& l) { l.checked = true; }, {0x8, 0, 0x8}},
      {"disabled", [](MenuItemLook& l) { l.enabled = false; }, {0x3, 0, 0x3}},
      {"radio item: no such bit for InsertMenu",
       [](MenuItemLook& l) { l.radioItem = true; },
       {0, 0x200, 0}},
      {"default: no such bit for InsertMenu",
       [](MenuItemLook& l) { l.isDefault = true; },
       {0, 0, 0x1000}},
      {"everything",
       [](MenuItemLook& l) {
         l = {.separator = true,
              .enabled = false,
              .checked = true,
              .radioItem = true,
              .isDefault = true,
              .breakKind = TMenuBreak::mbBarBreak};
       },
       {0x82B, 0xA20, 0x100B}},
  };
  for (const auto& c : cases) {
    MenuItemLook look;
    c.set(look);
    const MenuEntryFlags flags = MenuEntryFlagsOf(look);
    EXPECT_EQ(flags.insertFlags, c.flags.insertFlags) << c.name;
    EXPECT_EQ(flags.type, c.flags.type) << c.name;
    EXPECT_EQ(flags.state, c.flags.state) << c.name;
  }
}

TEST(ShortCutText, ModifiersInTheOrderShiftCtrlAltThenTheKey) {
  const struct {
    std::uint16_t shortCut;
    const char* text;
  } cases[] = {
      {'S', "S"},
      {'A', "A"},
      {'Z', "Z"},
      {0x4000 | '0', "Ctrl+0"},
      {0x4000 | '9', "Ctrl+9"},
      {0x70, "F1"},
      {0x8000 | 0x73, "Alt+F4"},
      {0x79, "F10"},
      {0x87, "F24"},
      {0x2000 | 'S', "Shift+S"},
      {0x4000 | 'S', "Ctrl+S"},
      {0x8000 | 'S', "Alt+S"},
      {0x6000 | 'S', "Shift+Ctrl+S"},
      {0xA000 | 'S', "Shift+Alt+S"},
      {0xC000 | 'S', "Ctrl+Alt+S"},
      {0xE000 | 'S', "Shift+Ctrl+Alt+S"},
      {0x1000 | 'S', "S"},  // bits that are no modifier are ignored
      {0x0100 | 'S', "S"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShortCutToText(c.shortCut), c.text) << std::hex << c.shortCut;
  }
}

TEST(ShortCutText, AKeyWithoutANameShowsNothing) {
  // No key, modifiers alone, and keys without a name: the codes on either
  // side of the digits, the letters and the function keys, the number pad,
  // Delete. The modifiers are not shown without a key.
  for (std::uint16_t shortCut : {0x0000, 0x6000, 0xE000, 0x0007, 0x4088, 0x00E8, 0x20FF, 0x2F, 0x3A,
                                 0x40, 0x5B, 0x61, 0x6F, 0x4060, 0x802E}) {
    EXPECT_EQ(ShortCutToText(shortCut), "") << std::hex << shortCut;
  }
}

}  // namespace
