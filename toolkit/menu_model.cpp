#include "toolkit/menu_model.h"

namespace toolkit {

namespace {

// The system's values, spelt out so that this file needs no system header.
constexpr std::uint32_t kMfGrayedDisabled = 0x3;  // MF_GRAYED | MF_DISABLED; MFS_DISABLED
constexpr std::uint32_t kMfChecked = 0x8;         // MF_CHECKED; MFS_CHECKED
constexpr std::uint32_t kMfMenuBarBreak = 0x20;   // MF_MENUBARBREAK; MFT_MENUBARBREAK
constexpr std::uint32_t kMfMenuBreak = 0x40;      // MF_MENUBREAK; MFT_MENUBREAK
constexpr std::uint32_t kMftRadioCheck = 0x200;
constexpr std::uint32_t kMfSeparator = 0x800;     // MF_SEPARATOR; MFT_SEPARATOR
constexpr std::uint32_t kMfsDefault = 0x1000;

// Names of the keys that a menu shortcut may use. Punctuation keys are named
// as they are engraved on a US keyboard.
struct KeyName {
  std::uint8_t key;
  const char* name;
};

constexpr KeyName kNamedKeys[] = {
    {0x08, "BkSp"},         {0x09, "Tab"},         {0x0D, "Enter"},       {0x13, "Pause"},
    {0x14, "Caps Lock"},    {0x1B, "Esc"},         {0x20, "Space"},       {0x21, "PgUp"},
    {0x22, "PgDn"},         {0x23, "End"},         {0x24, "Home"},        {0x25, "Left"},
    {0x26, "Up"},           {0x27, "Right"},       {0x28, "Down"},        {0x2C, "Print Screen"},
    {0x2D, "Ins"},          {0x2E, "Del"},         {0x6A, "Num *"},       {0x6B, "Num +"},
    {0x6D, "Num -"},        {0x6E, "Num Del"},     {0x6F, "Num /"},       {0x90, "Num Lock"},
    {0x91, "Scroll Lock"},  {0xBA, ";"},           {0xBB, "="},           {0xBC, ","},
    {0xBD, "-"},            {0xBE, "."},           {0xBF, "/"},           {0xC0, "`"},
    {0xDB, "["},            {0xDC, "\\"},          {0xDD, "]"},           {0xDE, "'"},
};

std::string KeyNameOf(std::uint8_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, char(key));
  std::string name;
  if (key >= 0x60 && key <= 0x69) {
    name = "Num ";
    name += char('0' + key - 0x60);
    return name;
  }
  if (key >= 0x70 && key <= 0x87) {
    name = "F";
    name += std::to_string(key - 0x70 + 1);
    return name;
  }
  for (const KeyName& named : kNamedKeys) {
    if (named.key == key) return named.name;
  }
  return {};
}

std::uint32_t BreakBits(TMenuBreak kind) {
  switch (kind) {
    case TMenuBreak::mbBreak:
      return kMfMenuBreak;
    case TMenuBreak::mbBarBreak:
      return kMfMenuBarBreak;
    case TMenuBreak::mbNone:
      break;
  }
  return 0;
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

TMenuEntryFlags MenuEntryFlags(const TMenuItemLook& look) {
  const std::uint32_t separatorBits = look.separator ? kMfSeparator : 0;
  const std::uint32_t breakBits = BreakBits(look.breakKind);
  const std::uint32_t checkedBits = look.checked ? kMfChecked : 0;
  const std::uint32_t enabledBits = look.enabled ? 0 : kMfGrayedDisabled;
  const std::uint32_t radioBits = look.radioItem ? kMftRadioCheck : 0;
  const std::uint32_t defaultBits = look.isDefault ? kMfsDefault : 0;
  return {separatorBits | breakBits | checkedBits | enabledBits,
          separatorBits | radioBits | breakBits, checkedBits | enabledBits | defaultBits};
}

}  // namespace toolkit
