// The menus' entry rules: which flag bits an item's attributes give each
// way of inserting its entry, and the text of a shortcut.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "toolkit/menu_model.h"

namespace {

using toolkit::MenuEntryFlags;
using toolkit::ShortCutToText;
using toolkit::TMenuBreak;
using toolkit::TMenuEntryFlags;
using toolkit::TMenuItemLook;

// One attribute at a time, then all of them.
TEST(MenuEntryFlags, AttributesBecomeTheBitsOfEachCall) {
  const struct {
    const char* name;
    std::function<void(TMenuItemLook&)> set;
    TMenuEntryFlags flags;  // InsertMenu's flags, fType, fState
  } cases[] = {
      {"plain", [](TMenuItemLook&) {}, {0, 0, 0}},
      {"separator", [](TMenuItemLook& l) { l.separator = true; }, {0x800, 0x800, 0}},
      {"new column", [](TMenuItemLook& l) { l.breakKind = TMenuBreak::mbBreak; }, {0x40, 0x40, 0}},
      {"new column with a bar", [](TMenuItemLook& l) { l.breakKind = TMenuBreak::mbBarBreak; },
       {0x20, 0x20, 0}},
      {"checked", [](TMenuItemLook& l) { l.checked = true; }, {0x8, 0, 0x8}},
      {"disabled", [](TMenuItemLook& l) { l.enabled = false; }, {0x3, 0, 0x3}},
      {"radio item: no such bit for InsertMenu", [](TMenuItemLook& l) { l.radioItem = true; },
       {0, 0x200, 0}},
      {"default: no such bit for InsertMenu", [](TMenuItemLook& l) { l.isDefault = true; },
       {0, 0, 0x1000}},
      {"everything",
       [](TMenuItemLook& l) {
         l = {.separator = true, .enabled = false, .checked = true, .radioItem = true,
              .isDefault = true, .breakKind = TMenuBreak::mbBarBreak};
       },
       {0x82B, 0xA20, 0x100B}},
  };
  for (const auto& c : cases) {
    TMenuItemLook look;
    c.set(look);
    const TMenuEntryFlags flags = MenuEntryFlags(look);
    EXPECT_EQ(flags.insertFlags, c.flags.insertFlags) << c.name;
    EXPECT_EQ(flags.type, c.flags.type) << c.name;
    EXPECT_EQ(flags.state, c.flags.state) << c.name;
  }
}

TEST(ShortCutText, ModifiersComeInTheOrderShiftCtrlAlt) {
  const struct {
    std::uint16_t shortCut;
    const char* text;
  } cases[] = {
      {'S', "S"},
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

TEST(ShortCutText, KeysHaveTheirMenuNames) {
  const struct {
    std::uint8_t key;
    const char* name;
  } cases[] = {
      {'A', "A"},         {'Z', "Z"},          {'0', "0"},          {'9', "9"},
      {0x70, "F1"},       {0x79, "F10"},       {0x7B, "F12"},       {0x87, "F24"},
      {0x08, "BkSp"},     {0x09, "Tab"},       {0x0D, "Enter"},     {0x1B, "Esc"},
      {0x20, "Space"},    {0x21, "PgUp"},      {0x22, "PgDn"},      {0x23, "End"},
      {0x24, "Home"},     {0x25, "Left"},      {0x26, "Up"},        {0x27, "Right"},
      {0x28, "Down"},     {0x2D, "Ins"},       {0x2E, "Del"},       {0x60, "Num 0"},
      {0x69, "Num 9"},    {0x6A, "Num *"},     {0x6B, "Num +"},     {0x6D, "Num -"},
      {0x6E, "Num Del"},  {0x6F, "Num /"},     {0x13, "Pause"},     {0x14, "Caps Lock"},
      {0x2C, "Print Screen"}, {0x90, "Num Lock"}, {0x91, "Scroll Lock"}, {0xBA, ";"},
      {0xBB, "="},        {0xBC, ","},         {0xBD, "-"},         {0xBE, "."},
      {0xBF, "/"},        {0xC0, "`"},         {0xDB, "["},         {0xDC, "\\"},
      {0xDD, "]"},        {0xDE, "'"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShortCutToText(c.key), c.name) << std::hex << int(c.key);
    EXPECT_EQ(ShortCutToText(std::uint16_t(0x4000 | c.key)), std::string("Ctrl+") + c.name)
        << std::hex << int(c.key);
  }
}

TEST(ShortCutText, AKeyWithoutANameShowsNothing) {
  // No key, modifiers alone, and codes no key of a menu shortcut carries;
  // the modifiers are not shown without a key.
  for (std::uint16_t shortCut : {0x0000, 0x6000, 0xE000, 0x0007, 0x4088, 0x00E8, 0x20FF}) {
    EXPECT_EQ(ShortCutToText(shortCut), "") << std::hex << shortCut;
  }
}

}  // namespace
