// The text a menu shows for a shortcut. The flag bits an item's attributes
// give its entry are read back from real menus (win32 sysmenu_component_test).

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "toolkit/menu_model.h"

namespace {

using toolkit::ShortCutToText;

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
