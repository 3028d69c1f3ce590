// TTolveSystemMenu: copies a popup menu's top-level items into its owner's
// system menu and routes the system menu's commands back to the popup items.
//
// Portable: the merger sees popup items as TMenuItemView records and reaches
// the system only through TSysMenuPlatform, so the Win32 side only has to
// describe the real popup menu and forward a handful of calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace controls {

// A native handle (window, menu, bitmap) carried without interpretation.
using TNativeHandle = std::uintptr_t;

// Where a popup item starts a new column.
enum class TMenuBreak { mbNone, mbBreak, mbBarBreak };

// Shortcut modifier bits; the low byte is the virtual-key code.
constexpr std::uint16_t scShift = 0x2000;
constexpr std::uint16_t scCtrl = 0x4000;
constexpr std::uint16_t scAlt = 0x8000;

// What the merger reads from one popup-menu item.
struct TMenuItemView {
  std::string Caption;
  bool Visible = true;
  bool Enabled = true;
  bool Checked = false;
  bool RadioItem = false;
  bool Default = false;
  TMenuBreak Break = TMenuBreak::mbNone;
  std::uint16_t ShortCut = 0;
  std::uint16_t Command = 0;
  // The item's own native sub-menu; only meaningful when Items is not empty.
  TNativeHandle SubMenuHandle = 0;
  std::vector<TMenuItemView> Items;
  // The item's handler, as the popup menu would run it.
  std::function<void()> OnClick;

  // What choosing the item does: runs OnClick unless the item is disabled.
  void Click() const;
};

// The popup menu as the merger sees it: its root item, whose children are
// the top-level items.
using TPopupMenuView = TMenuItemView;

// A queued message, field for field the platform's MSG.
struct TAppMessage {
  TNativeHandle hwnd = 0;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  std::uint32_t time = 0;
  std::int32_t ptX = 0;
  std::int32_t ptY = 0;
};

// The application's replaceable pre-dispatch filter: a callback and its
// context. Setting `handled` keeps the message from being dispatched.
struct TMessageFilter {
  using Function = void (*)(void* context, TAppMessage& message, bool& handled);
  Function function = nullptr;
  void* context = nullptr;

  explicit operator bool() const { return function != nullptr; }
  void operator()(TAppMessage& message, bool& handled) const { function(context, message, handled); }
  bool operator==(const TMessageFilter&) const = default;
};

// The record InsertMenuItemA takes. On 32-bit Windows its layout is exactly
// MENUITEMINFOA's (48 bytes), so the Win32 side may copy it over bit for bit.
struct TMenuItemRecord {
  std::uint32_t cbSize = 0;
  std::uint32_t fMask = 0;
  std::uint32_t fType = 0;
  std::uint32_t fState = 0;
  std::uint32_t wID = 0;
  TNativeHandle hSubMenu = 0;
  TNativeHandle hbmpChecked = 0;
  TNativeHandle hbmpUnchecked = 0;
  std::uintptr_t dwItemData = 0;
  // Zero-terminated single-byte text; valid only during the call.
  const char* dwTypeData = nullptr;
  std::uint32_t cch = 0;
  TNativeHandle hbmpItem = 0;
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(TMenuItemRecord) == 48);
static_assert(offsetof(TMenuItemRecord, fMask) == 4);
static_assert(offsetof(TMenuItemRecord, fType) == 8);
static_assert(offsetof(TMenuItemRecord, fState) == 12);
static_assert(offsetof(TMenuItemRecord, wID) == 16);
static_assert(offsetof(TMenuItemRecord, hSubMenu) == 20);
static_assert(offsetof(TMenuItemRecord, hbmpChecked) == 24);
static_assert(offsetof(TMenuItemRecord, hbmpUnchecked) == 28);
static_assert(offsetof(TMenuItemRecord, dwItemData) == 32);
static_assert(offsetof(TMenuItemRecord, dwTypeData) == 36);
static_assert(offsetof(TMenuItemRecord, cch) == 40);
static_assert(offsetof(TMenuItemRecord, hbmpItem) == 44);
static_assert(sizeof(TAppMessage) == 28);
#endif

// Menu flag bits, as the two insertion calls spell them.
constexpr std::uint32_t kMfGrayedDisabled = 0x3;  // MF_GRAYED | MF_DISABLED, MFS_DISABLED
constexpr std::uint32_t kMfChecked = 0x8;         // MF_CHECKED, MFS_CHECKED
constexpr std::uint32_t kMfPopup = 0x10;
constexpr std::uint32_t kMfMenuBarBreak = 0x20;   // and MFT_MENUBARBREAK
constexpr std::uint32_t kMfMenuBreak = 0x40;      // and MFT_MENUBREAK
constexpr std::uint32_t kMftRadioCheck = 0x200;
constexpr std::uint32_t kMfByPosition = 0x400;
constexpr std::uint32_t kMfSeparator = 0x800;     // and MFT_SEPARATOR
constexpr std::uint32_t kMfsDefault = 0x1000;
// MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_TYPE | MIIM_DATA
constexpr std::uint32_t kMenuItemMask = 0x3F;
constexpr std::uint32_t kMenuItemRecordSize = 48;
constexpr std::uint32_t kWmSysCommand = 0x0112;

// Everything the merger asks of the system and of its owner. Each member is
// one call and nothing more.
class TSysMenuPlatform {
 public:
  virtual ~TSysMenuPlatform() = default;
  // Whether the merger's owner is a top-level window.
  virtual bool OwnerIsTopLevelWindow() = 0;
  // The owner's window handle, creating the native window if it has none yet.
  virtual TNativeHandle OwnerHandle() = 0;
  virtual TNativeHandle GetSystemMenu(TNativeHandle window, bool revert) = 0;
  virtual std::uint32_t GetVersion() = 0;
  virtual void InsertMenuA(TNativeHandle menu, std::int32_t position, std::uint32_t flags,
                           std::uintptr_t id, const char* text) = 0;
  virtual void InsertMenuItemA(TNativeHandle menu, std::int32_t position, bool byPosition,
                               const TMenuItemRecord& record) = 0;
  // The application's message filter slot.
  virtual TMessageFilter GetMessageFilter() = 0;
  virtual void SetMessageFilter(TMessageFilter filter) = 0;
};

// The toolkit's type-conversion error.
class EInvalidCast : public std::runtime_error {
 public:
  EInvalidCast() : std::runtime_error("Invalid class typecast") {}
};

// The text a menu shows for a shortcut: "Shift+", "Ctrl+", "Alt+" in that
// order, then the key's name, as in "Shift+Ctrl+F1". Empty for 0 and for a
// key with no name, so the popup menu and the system menu agree.
std::string ShortCutToText(std::uint16_t shortCut);

// The text of an item's system-menu entry: the caption, and for an item
// without sub-items and with a shortcut, a TAB and the shortcut's text.
std::string SystemMenuEntryText(const TMenuItemView& item);

class TTolveSystemMenu {
 public:
  // Nothing is merged and no filter is installed yet. `platform` must
  // outlive the merger.
  explicit TTolveSystemMenu(TSysMenuPlatform& platform);
  // Puts back the filter saved at load-complete (an empty one if that never
  // came), whatever filter is installed by then. No entry is removed.
  ~TTolveSystemMenu();
  TTolveSystemMenu(const TTolveSystemMenu&) = delete;
  TTolveSystemMenu& operator=(const TTolveSystemMenu&) = delete;

  // Not owned: the popup menu must outlive the merger. Writing a new value
  // merges at once; writing the stored value does nothing.
  const TPopupMenuView* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(const TPopupMenuView* popupMenu);
  // System-menu position of the first copy; -1 appends. Same write rule.
  std::int32_t Position() const { return position_; }
  void SetPosition(std::int32_t position);

  // Placed in a layout editor rather than running: merges change nothing.
  bool Designing() const { return designing_; }
  void SetDesigning(bool designing) { designing_ = designing; }

  // Called once after the owner's layout is loaded and its references are
  // resolved: saves the application's filter and installs FilterAppMessage.
  void Loaded();

  // Copies every top-level popup item into the owner's system menu. Each
  // call inserts afresh: entries from an earlier merge stay.
  // Throws EInvalidCast, before inserting anything, when the owner is not a
  // top-level window.
  void MergeIntoSystemMenu();
  void InsertSystemMenuEntry(const TMenuItemView& item, TNativeHandle systemMenu,
                             std::int32_t position);

  // The saved filter sees the message first; a system command that carries
  // a popup item's identifier then runs that item and is marked handled.
  void FilterAppMessage(TAppMessage& message, bool& handled);
  // Searches the children of `item`, depth first, hidden ones included, for
  // the command of the message being filtered and clicks the first match.
  // Finds nothing outside FilterAppMessage.
  bool FindAndClickCommand(const TMenuItemView& item);

  // FilterAppMessage as a filter slot value.
  TMessageFilter AsMessageFilter();

 private:
  static void FilterThunk(void* context, TAppMessage& message, bool& handled);
  bool FindAndClick(const TMenuItemView& item, std::uint16_t command);

  TSysMenuPlatform& platform_;
  const TPopupMenuView* popupMenu_ = nullptr;
  std::int32_t position_ = -1;
  TMessageFilter savedFilter_;
  bool designing_ = false;
  // The message FilterAppMessage is handling, for FindAndClickCommand.
  const TAppMessage* filtering_ = nullptr;
};

}  // namespace controls
