#include "controls/sysmenu.h"

#include <utility>

namespace controls {

namespace {

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

void TMenuItemView::Click() const {
  if (!Enabled || !OnClick) return;
  // A handler that changes its menu may replace this view while it runs.
  const std::function<void()> action = OnClick;
  action();
}

std::string ShortCutToText(std::uint16_t shortCut) {
  std::string key = KeyNameOf(static_cast<std::uint8_t>(shortCut & 0xFF));
  if (key.empty()) return {};
  std::string text;
  if (shortCut & scShift) text += "Shift+";
  if (shortCut & scCtrl) text += "Ctrl+";
  if (shortCut & scAlt) text += "Alt+";
  return text + key;
}

std::string SystemMenuEntryText(const TMenuItemView& item) {
  if (!item.Items.empty() || item.ShortCut == 0) return item.Caption;
  return item.Caption + '\t' + ShortCutToText(item.ShortCut);
}

TTolveSystemMenu::TTolveSystemMenu(TSysMenuPlatform& platform) : platform_(platform) {}

TTolveSystemMenu::~TTolveSystemMenu() { platform_.SetMessageFilter(savedFilter_); }

void TTolveSystemMenu::SetPopupMenu(const TPopupMenuView* popupMenu) {
  if (popupMenu == popupMenu_) return;
  popupMenu_ = popupMenu;
  MergeIntoSystemMenu();
}

void TTolveSystemMenu::SetPosition(std::int32_t position) {
  if (position == position_) return;
  position_ = position;
  MergeIntoSystemMenu();
}

void TTolveSystemMenu::Loaded() {
  savedFilter_ = platform_.GetMessageFilter();
  platform_.SetMessageFilter(AsMessageFilter());
}

void TTolveSystemMenu::MergeIntoSystemMenu() {
  if (designing_) return;
  if (!platform_.OwnerIsTopLevelWindow()) throw EInvalidCast();
  const TNativeHandle systemMenu = platform_.GetSystemMenu(platform_.OwnerHandle(), false);
  if (popupMenu_ == nullptr) return;
  std::uint32_t index = 0;
  for (const TMenuItemView& item : popupMenu_->Items) {
    // Wraps like the 32-bit arithmetic it stands for instead of overflowing.
    const std::int32_t position =
        position_ == -1 ? -1 : static_cast<std::int32_t>(static_cast<std::uint32_t>(position_) + index);
    InsertSystemMenuEntry(item, systemMenu, position);
    ++index;
  }
}

void TTolveSystemMenu::InsertSystemMenuEntry(const TMenuItemView& item, TNativeHandle systemMenu,
                                             std::int32_t position) {
  if (!item.Visible) return;
  const std::string text = SystemMenuEntryText(item);
  const bool hasSubMenu = !item.Items.empty();
  const std::uint32_t separatorBits = item.Caption == "-" ? kMfSeparator : 0;
  const std::uint32_t breakBits = BreakBits(item.Break);
  const std::uint32_t checkedBits = item.Checked ? kMfChecked : 0;
  const std::uint32_t enabledBits = item.Enabled ? 0 : kMfGrayedDisabled;
  const std::uint32_t radioBits = item.RadioItem ? kMftRadioCheck : 0;
  const std::uint32_t defaultBits = item.Default ? kMfsDefault : 0;

  const std::uint32_t majorVersion = platform_.GetVersion() & 0xFF;
  if (majorVersion < 4) {
    std::uint32_t flags = kMfByPosition | separatorBits | breakBits | checkedBits | enabledBits;
    std::uintptr_t id = item.Command;
    if (hasSubMenu) {
      flags |= kMfPopup;
      id = item.SubMenuHandle;
    }
    platform_.InsertMenuA(systemMenu, position, flags, id, text.c_str());
    return;
  }
  TMenuItemRecord record;
  record.cbSize = kMenuItemRecordSize;
  record.fMask = kMenuItemMask;
  record.fType = separatorBits | radioBits | breakBits;
  record.fState = checkedBits | enabledBits | defaultBits;
  record.wID = item.Command;
  record.hSubMenu = hasSubMenu ? item.SubMenuHandle : 0;
  record.dwTypeData = text.c_str();
  platform_.InsertMenuItemA(systemMenu, position, true, record);
}

void TTolveSystemMenu::FilterAppMessage(TAppMessage& message, bool& handled) {
  if (savedFilter_) savedFilter_(message, handled);
  if (handled || message.message != kWmSysCommand || popupMenu_ == nullptr) return;
  // A click action may run a nested message loop that filters messages of
  // its own; the outer search resumes with its own message.
  struct Restore {
    const TAppMessage*& slot;
    const TAppMessage* outer;
    ~Restore() { slot = outer; }
  } restore{filtering_, std::exchange(filtering_, &message)};
  if (FindAndClickCommand(*popupMenu_)) handled = true;
}

bool TTolveSystemMenu::FindAndClickCommand(const TMenuItemView& item) {
  if (filtering_ == nullptr) return false;
  return FindAndClick(item, static_cast<std::uint16_t>(filtering_->wParam & 0xFFFF));
}

bool TTolveSystemMenu::FindAndClick(const TMenuItemView& item, std::uint16_t command) {
  for (const TMenuItemView& child : item.Items) {
    if (child.Command == command) {
      child.Click();
      return true;
    }
    if (FindAndClick(child, command)) return true;
  }
  return false;
}

TMessageFilter TTolveSystemMenu::AsMessageFilter() { return {&FilterThunk, this}; }

void TTolveSystemMenu::FilterThunk(void* context, TAppMessage& message, bool& handled) {
  static_cast<TTolveSystemMenu*>(context)->FilterAppMessage(message, handled);
}

}  // namespace controls
