#include "toolkit/menu_model.h"

namespace toolkit {

namespace {

// The system's values, spelt out so that this file needs no system header.
constexpr std::uint32_t kMfGrayedDisabled = 0x3;  // MF_GRAYED | MF_DISABLED; MFS_DISABLED
constexpr std::uint32_t kMfChecked = 0x8;         // MF_CHECKED; MFS_CHECKED
constexpr std::uint32_t kMfMenuBarBreak = 0x20;   // MF_MENUBARBREAK; MFT_MENUBARBREAK
constexpr std::uint32_t kMfMenuBreak = 0x40;      // MF_MENUBREAK; MFT_MENUBREAK
constexpr std::uint32_t kMftRadioCheck = 0x200;
constexpr std::uint32_t kMfSeparator = 0x800;  // MF_SEPARATOR; MFT_SEPARATOR
constexpr std::uint32_t kMfsDefault = 0x1000;

std::string KeyNameOf(std::uint8_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, char(key));
  std::string name;
  if (key >= 0x70 && key <= 0x87) {  // VK_F1 ... VK_F24
    name = "F";
    name += std::to_string(key - 0x70 + 1);
  }
  return name;
}

}  // namespace

std::string ShortCutToText(std::uint16_t shortCut) {
  std::string key = KeyNameOf(static_cast<std::uint8_t>(shortCut & 0xFF));
  if (key.empty()) return {};
  std::string text;
  if (shortCut & scShift) text += "Shift+";
  if (shortCut & scCtrl) text += "Ctrl+";
  if (shortCut & scAlt) text += "Alt+";
  return text + key;
}

MenuEntryFlags MenuEntryFlagsOf(const MenuItemLook& look) {
  const std::uint32_t separatorBits = look.separator ? kMfSeparator : 0;
  const std::uint32_t breakBits = look.breakKind == TMenuBreak::mbBreak      ? kMfMenuBreak
                                  : look.breakKind == TMenuBreak::mbBarBreak ? kMfMenuBarBreak
                                                                             : 0;
  const std::uint32_t checkedBits = look.checked ? kMfChecked : 0;
  const std::uint32_t enabledBits = look.enabled ? 0 : kMfGrayedDisabled;
  const std::uint32_t radioBits = look.radioItem ? kMftRadioCheck : 0;
  const std::uint32_t defaultBits = look.isDefault ? kMfsDefault : 0;
  return {separatorBits | breakBits | checkedBits | enabledBits,
          separatorBits | radioBits | breakBits, checkedBits | enabledBits | defaultBits};
}

}  // namespace toolkit
