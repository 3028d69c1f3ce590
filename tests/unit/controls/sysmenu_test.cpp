// The system-menu merger against a recording fake of the system: which
// entries it inserts, with exactly which arguments, and which popup item a
// system command runs.

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/sysmenu.h"

namespace {

using controls::TAppMessage;
using controls::TMenuBreak;
using controls::TMenuItemRecord;
using controls::TMenuItemView;
using controls::TMessageFilter;
using controls::TNativeHandle;
using controls::TTolveSystemMenu;

constexpr TNativeHandle kOwnerWindow = 0x00010234;
constexpr TNativeHandle kSystemMenu = 0x00C50F10;
constexpr std::uint32_t kWmSysCommand = 0x0112;

// GetVersion as real systems answer it: the major version in the low byte,
// the minor one in the next, the build number above.
constexpr std::uint32_t kNt351 = 0x04213303;      // major 3, minor 51
constexpr std::uint32_t kMinor4Of3 = 0x00000403;  // major 3, minor 4
constexpr std::uint32_t kWin95 = 0xC3B60004;
constexpr std::uint32_t kWin2000 = 0x08930005;
constexpr std::uint32_t kWinXp = 0x0A280105;
constexpr std::uint32_t kVista = 0x17700006;
constexpr std::uint32_t kWin10 = 0x4A61000A;

// One system call as the merger made it.
struct Call {
  std::string what;
  std::vector<std::int64_t> numbers;  // the numeric arguments, in order
  std::string text;                   // the entry text, if the call has one
  bool operator==(const Call&) const = default;
};

void PrintTo(const Call& call, std::ostream* os) {
  *os << call.what << "(" << std::hex;
  for (std::int64_t n : call.numbers) *os << "0x" << n << ", ";
  *os << std::dec << "\"";
  for (char c : call.text) {
    if (c == '\t') {
      *os << "\\t";
    } else {
      *os << c;
    }
  }
  *os << "\")";
}

Call SystemMenuCall() { return {"GetSystemMenu", {std::int64_t(kOwnerWindow), 0}, {}}; }

// InsertMenuA into the system menu.
Call MenuA(std::int32_t position, std::uint32_t flags, std::uint64_t id, std::string text) {
  return {"InsertMenuA",
          {std::int64_t(kSystemMenu), position, flags, static_cast<std::int64_t>(id)},
          std::move(text)};
}

// InsertMenuItemA into the system menu by position; every member the merger
// does not choose must be 0.
Call ItemA(std::int32_t position, std::uint32_t fType, std::uint32_t fState, std::uint32_t wID,
           std::uint64_t hSubMenu, std::string text) {
  return {"InsertMenuItemA",
          {std::int64_t(kSystemMenu), position, 1, 48, 0x3F, fType, fState, wID,
           static_cast<std::int64_t>(hSubMenu), 0, 0, 0, 0, 0},
          std::move(text)};
}

// Answers from its public fields and logs every call that changes something
// or names an argument; plain queries are only counted.
class RecordingPlatform final : public controls::TSysMenuPlatform {
 public:
  bool ownerIsTopLevel = true;
  std::uint32_t version = kWin10;
  TMessageFilter filter;
  std::vector<Call> log;
  int filterReads = 0;

  bool OwnerIsTopLevelWindow() override { return ownerIsTopLevel; }
  TNativeHandle OwnerHandle() override { return kOwnerWindow; }
  TNativeHandle GetSystemMenu(TNativeHandle window, bool revert) override {
    log.push_back({"GetSystemMenu", {std::int64_t(window), revert}, {}});
    return kSystemMenu;
  }
  std::uint32_t GetVersion() override { return version; }
  void InsertMenuA(TNativeHandle menu, std::int32_t position, std::uint32_t flags,
                   std::uintptr_t id, const char* text) override {
    log.push_back({"InsertMenuA",
                   {std::int64_t(menu), position, flags, static_cast<std::int64_t>(id)},
                   text == nullptr ? "<null>" : text});
  }
  void InsertMenuItemA(TNativeHandle menu, std::int32_t position, bool byPosition,
                       const TMenuItemRecord& r) override {
    log.push_back({"InsertMenuItemA",
                   {std::int64_t(menu), position, byPosition, r.cbSize, r.fMask, r.fType, r.fState,
                    r.wID, std::int64_t(r.hSubMenu), std::int64_t(r.hbmpChecked),
                    std::int64_t(r.hbmpUnchecked), std::int64_t(r.dwItemData), r.cch,
                    std::int64_t(r.hbmpItem)},
                   r.dwTypeData == nullptr ? "<null>" : r.dwTypeData});
  }
  TMessageFilter GetMessageFilter() override {
    ++filterReads;
    return filter;
  }
  void SetMessageFilter(TMessageFilter value) override { filter = value; }
};

// Records the order in which filters and handlers ran.
struct Trace {
  std::vector<std::string> events;
  bool handleInSavedFilter = false;
};

void SavedFilter(void* context, TAppMessage& message, bool& handled) {
  auto* trace = static_cast<Trace*>(context);
  trace->events.push_back("saved filter " + std::to_string(message.wParam));
  if (trace->handleInSavedFilter) handled = true;
}

void OtherFilter(void*, TAppMessage&, bool&) {}

TMenuItemView Item(std::string caption, std::uint16_t command, Trace* trace = nullptr) {
  TMenuItemView item;
  item.Caption = caption;
  item.Command = command;
  if (trace != nullptr) {
    item.OnClick = [trace, caption] { trace->events.push_back("clicked " + caption); };
  }
  return item;
}

// The program's popup menu, with identifiers chosen so that a wrong byte or
// a swapped field shows.
constexpr std::uint16_t kHuevaneId = 0x0101, kN1Id = 0x0102, kHelpId = 0x0103,
                        kAboutId = 0x0104, kN2Id = 0x0105, kBeSilentId = 0x0106,
                        kMakeNoiseId = 0x0107, kN3Id = 0x0108;

TMenuItemView ProgramMenu(Trace* trace = nullptr) {
  TMenuItemView root;
  root.Items.push_back(Item("Huevane", kHuevaneId, trace));
  root.Items.back().Enabled = false;
  root.Items.push_back(Item("-", kN1Id));
  root.Items.push_back(Item("Help", kHelpId, trace));
  root.Items.push_back(Item("About", kAboutId, trace));
  root.Items.push_back(Item("-", kN2Id));
  root.Items.push_back(Item("Be Silent", kBeSilentId, trace));
  root.Items.back().RadioItem = true;
  root.Items.push_back(Item("Make Noise", kMakeNoiseId, trace));
  root.Items.back().RadioItem = true;
  root.Items.push_back(Item("-", kN3Id));
  return root;
}

// The program's menu as the newer call inserts it, entry k at `positions[k]`.
std::vector<Call> ProgramEntriesNewer(const std::vector<std::int32_t>& positions) {
  return {ItemA(positions[0], 0, 0x3, kHuevaneId, 0, "Huevane"),
          ItemA(positions[1], 0x800, 0, kN1Id, 0, "-"),
          ItemA(positions[2], 0, 0, kHelpId, 0, "Help"),
          ItemA(positions[3], 0, 0, kAboutId, 0, "About"),
          ItemA(positions[4], 0x800, 0, kN2Id, 0, "-"),
          ItemA(positions[5], 0x200, 0, kBeSilentId, 0, "Be Silent"),
          ItemA(positions[6], 0x200, 0, kMakeNoiseId, 0, "Make Noise"),
          ItemA(positions[7], 0x800, 0, kN3Id, 0, "-")};
}

// The same with the older call, which has no radio marks.
std::vector<Call> ProgramEntriesOlder(const std::vector<std::int32_t>& positions) {
  return {MenuA(positions[0], 0x403, kHuevaneId, "Huevane"),
          MenuA(positions[1], 0xC00, kN1Id, "-"),
          MenuA(positions[2], 0x400, kHelpId, "Help"),
          MenuA(positions[3], 0x400, kAboutId, "About"),
          MenuA(positions[4], 0xC00, kN2Id, "-"),
          MenuA(positions[5], 0x400, kBeSilentId, "Be Silent"),
          MenuA(positions[6], 0x400, kMakeNoiseId, "Make Noise"),
          MenuA(positions[7], 0xC00, kN3Id, "-")};
}

std::vector<std::int32_t> Positions(std::int32_t first, int count = 8) {
  std::vector<std::int32_t> positions;
  for (int i = 0; i < count; ++i) positions.push_back(first == -1 ? -1 : first + i);
  return positions;
}

std::vector<Call> Merge(const std::vector<Call>& entries) {
  std::vector<Call> calls{SystemMenuCall()};
  calls.insert(calls.end(), entries.begin(), entries.end());
  return calls;
}

TAppMessage SysCommand(std::uintptr_t wParam) {
  TAppMessage message;
  message.hwnd = kOwnerWindow;
  message.message = kWmSysCommand;
  message.wParam = wParam;
  return message;
}

std::string VersionText(std::uint32_t version) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", version);
  return std::string("GetVersion ") + text;
}

// --- Insertion ----------------------------------------------------------

TEST(SystemMenuMerge, TheProgramsMenuAtPositionZeroTakesPlacesZeroToSeven) {
  const struct {
    std::uint32_t version;
    std::vector<Call> entries;
  } cases[] = {
      {kNt351, ProgramEntriesOlder(Positions(0))},
      {kMinor4Of3, ProgramEntriesOlder(Positions(0))},
      {kWin95, ProgramEntriesNewer(Positions(0))},
      {kWin2000, ProgramEntriesNewer(Positions(0))},
      {kWinXp, ProgramEntriesNewer(Positions(0))},
      {kVista, ProgramEntriesNewer(Positions(0))},
      {kWin10, ProgramEntriesNewer(Positions(0))},
  };
  for (const auto& c : cases) {
    const TMenuItemView menu = ProgramMenu();
    RecordingPlatform platform;
    platform.version = c.version;
    TTolveSystemMenu merger(platform);
    // The order a layout applies them: the value first, the reference after.
    merger.SetPosition(0);
    EXPECT_EQ(platform.log, std::vector<Call>{SystemMenuCall()})
        << VersionText(c.version) << ": nothing to insert before the popup menu is known";
    platform.log.clear();
    merger.SetPopupMenu(&menu);
    EXPECT_EQ(platform.log, Merge(c.entries)) << VersionText(c.version);
  }
}

TEST(SystemMenuMerge, PositionDecidesWhereEachCopyGoes) {
  const struct {
    const char* name;
    std::int32_t position;
    int hidden;  // index of a hidden item, or -1
    std::vector<std::int32_t> places;  // of the visible items, in order
  } cases[] = {
      {"appended in popup order", -1, -1, {-1, -1, -1, -1, -1, -1, -1, -1}},
      {"on top", 0, -1, {0, 1, 2, 3, 4, 5, 6, 7}},
      {"further down", 5, -1, {5, 6, 7, 8, 9, 10, 11, 12}},
      {"below -1 counts on", -3, -1, {-3, -2, -1, 0, 1, 2, 3, 4}},
      {"hidden first item", 0, 0, {1, 2, 3, 4, 5, 6, 7}},
      {"hidden middle item", 2, 3, {2, 3, 4, 6, 7, 8, 9}},
      {"hidden last item", 0, 7, {0, 1, 2, 3, 4, 5, 6}},
      {"hidden item while appending", -1, 4, {-1, -1, -1, -1, -1, -1, -1}},
      {"wraps like 32-bit arithmetic", INT_MAX - 1, -1,
       {INT_MAX - 1, INT_MAX, INT_MIN, INT_MIN + 1, INT_MIN + 2, INT_MIN + 3, INT_MIN + 4,
        INT_MIN + 5}},
  };
  for (const auto& c : cases) {
    TMenuItemView menu = ProgramMenu();
    std::vector<Call> expected = ProgramEntriesNewer(std::vector<std::int32_t>(8, 0));
    if (c.hidden >= 0) {
      menu.Items[c.hidden].Visible = false;
      expected.erase(expected.begin() + c.hidden);
    }
    for (std::size_t k = 0; k < expected.size(); ++k) expected[k].numbers[1] = c.places[k];
    RecordingPlatform platform;
    TTolveSystemMenu merger(platform);
    merger.SetPosition(c.position);
    platform.log.clear();
    merger.SetPopupMenu(&menu);
    EXPECT_EQ(platform.log, Merge(expected)) << c.name;
  }
}

TEST(SystemMenuMerge, OnlyANewValueMerges) {
  const TMenuItemView menu = ProgramMenu();
  const TMenuItemView other = ProgramMenu();
  RecordingPlatform platform;
  TTolveSystemMenu merger(platform);
  EXPECT_EQ(merger.Position(), -1);
  EXPECT_EQ(merger.PopupMenu(), nullptr);

  const struct {
    const char* step;
    std::function<void()> write;
    std::vector<Call> calls;
  } steps[] = {
      {"Position -1 is the default", [&] { merger.SetPosition(-1); }, {}},
      {"no popup menu is the default", [&] { merger.SetPopupMenu(nullptr); }, {}},
      {"the popup menu", [&] { merger.SetPopupMenu(&menu); },
       Merge(ProgramEntriesNewer(Positions(-1)))},
      {"the same popup menu", [&] { merger.SetPopupMenu(&menu); }, {}},
      {"a new position", [&] { merger.SetPosition(0); }, Merge(ProgramEntriesNewer(Positions(0)))},
      {"the same position", [&] { merger.SetPosition(0); }, {}},
      {"another popup menu", [&] { merger.SetPopupMenu(&other); },
       Merge(ProgramEntriesNewer(Positions(0)))},
      {"no popup menu", [&] { merger.SetPopupMenu(nullptr); }, {SystemMenuCall()}},
      {"a position without a popup menu", [&] { merger.SetPosition(3); }, {SystemMenuCall()}},
  };
  for (const auto& s : steps) {
    platform.log.clear();
    s.write();
    EXPECT_EQ(platform.log, s.calls) << s.step;
  }
  EXPECT_EQ(merger.Position(), 3);
  EXPECT_EQ(merger.PopupMenu(), nullptr);
}

TEST(SystemMenuMerge, EveryMergeInsertsAFreshSet) {
  const TMenuItemView menu = ProgramMenu();
  RecordingPlatform platform;
  TTolveSystemMenu merger(platform);
  merger.SetPopupMenu(&menu);
  merger.MergeIntoSystemMenu();
  std::vector<Call> expected = Merge(ProgramEntriesNewer(Positions(-1)));
  const std::vector<Call> again = expected;
  expected.insert(expected.end(), again.begin(), again.end());
  EXPECT_EQ(platform.log, expected);
}

// One attribute at a time, through both calls.
TEST(SystemMenuEntry, AttributesBecomeFlags) {
  const struct {
    const char* name;
    std::function<void(TMenuItemView&)> set;
    std::uint32_t olderFlags;  // MF_BYPOSITION included
    std::uint32_t fType;
    std::uint32_t fState;
  } cases[] = {
      {"plain", [](TMenuItemView&) {}, 0x400, 0, 0},
      {"separator", [](TMenuItemView& i) { i.Caption = "-"; }, 0xC00, 0x800, 0},
      {"two dashes are text", [](TMenuItemView& i) { i.Caption = "--"; }, 0x400, 0, 0},
      {"a dash and a space are text", [](TMenuItemView& i) { i.Caption = "- "; }, 0x400, 0, 0},
      {"new column", [](TMenuItemView& i) { i.Break = TMenuBreak::mbBreak; }, 0x440, 0x40, 0},
      {"new column with a bar", [](TMenuItemView& i) { i.Break = TMenuBreak::mbBarBreak; }, 0x420,
       0x20, 0},
      {"checked", [](TMenuItemView& i) { i.Checked = true; }, 0x408, 0, 0x8},
      {"disabled", [](TMenuItemView& i) { i.Enabled = false; }, 0x403, 0, 0x3},
      {"radio item", [](TMenuItemView& i) { i.RadioItem = true; }, 0x400, 0x200, 0},
      {"default", [](TMenuItemView& i) { i.Default = true; }, 0x400, 0, 0x1000},
      {"everything",
       [](TMenuItemView& i) {
         i.Caption = "-";
         i.Break = TMenuBreak::mbBarBreak;
         i.Checked = true;
         i.Enabled = false;
         i.RadioItem = true;
         i.Default = true;
       },
       0xC2B, 0xA20, 0x100B},
  };
  for (const auto& c : cases) {
    TMenuItemView item = Item("Entry", 0x2345);
    c.set(item);
    for (std::uint32_t version : {kNt351, kWin95, kWin10}) {
      RecordingPlatform platform;
      platform.version = version;
      TTolveSystemMenu merger(platform);
      merger.InsertSystemMenuEntry(item, kSystemMenu, 6);
      const Call expected = (version & 0xFF) < 4
                                ? MenuA(6, c.olderFlags, 0x2345, item.Caption)
                                : ItemA(6, c.fType, c.fState, 0x2345, 0, item.Caption);
      EXPECT_EQ(platform.log, std::vector<Call>{expected}) << c.name << ", " << VersionText(version);
    }
  }
}

TEST(SystemMenuEntry, AHiddenItemInsertsNothing) {
  for (std::uint32_t version : {kNt351, kWin10}) {
    TMenuItemView item = Item("Hidden", 0x2345);
    item.Visible = false;
    item.Items.push_back(Item("Nested", 0x2346));
    RecordingPlatform platform;
    platform.version = version;
    TTolveSystemMenu merger(platform);
    merger.InsertSystemMenuEntry(item, kSystemMenu, 0);
    EXPECT_TRUE(platform.log.empty()) << VersionText(version);
  }
}

TEST(SystemMenuEntry, AnItemWithSubItemsOpensItsOwnSubMenu) {
  constexpr TNativeHandle kSubMenu = 0x7FED0C41;
  TMenuItemView root;
  root.Items.push_back(Item("Before", 0x0201));
  TMenuItemView parent = Item("Tools", 0x0202);
  parent.SubMenuHandle = kSubMenu;
  parent.ShortCut = 0x4000 | 'T';  // shown by no entry: the sub-menu has the room
  parent.Items.push_back(Item("Nested", 0x0203));
  parent.Items.back().ShortCut = 0x4000 | 'N';
  parent.Items.push_back(Item("Other", 0x0204));
  root.Items.push_back(parent);
  TMenuItemView stale = Item("After", 0x0205);
  stale.SubMenuHandle = 0x5555;  // a handle without sub-items is not a sub-menu
  root.Items.push_back(stale);

  const struct {
    std::uint32_t version;
    std::vector<Call> entries;
  } cases[] = {
      {kNt351,
       {MenuA(2, 0x400, 0x0201, "Before"), MenuA(3, 0x410, kSubMenu, "Tools"),
        MenuA(4, 0x400, 0x0205, "After")}},
      {kWin2000,
       {ItemA(2, 0, 0, 0x0201, 0, "Before"), ItemA(3, 0, 0, 0x0202, kSubMenu, "Tools"),
        ItemA(4, 0, 0, 0x0205, 0, "After")}},
  };
  for (const auto& c : cases) {
    RecordingPlatform platform;
    platform.version = c.version;
    TTolveSystemMenu merger(platform);
    merger.SetPosition(2);
    platform.log.clear();
    merger.SetPopupMenu(&root);
    EXPECT_EQ(platform.log, Merge(c.entries)) << VersionText(c.version);
  }
}

// --- Entry text ---------------------------------------------------------

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
    EXPECT_EQ(controls::ShortCutToText(c.shortCut), c.text) << std::hex << c.shortCut;
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
    EXPECT_EQ(controls::ShortCutToText(c.key), c.name) << std::hex << int(c.key);
    EXPECT_EQ(controls::ShortCutToText(std::uint16_t(0x4000 | c.key)), std::string("Ctrl+") + c.name)
        << std::hex << int(c.key);
  }
}

TEST(ShortCutText, AKeyWithoutANameShowsNothing) {
  // No key, modifiers alone, and codes no key of a menu shortcut carries;
  // the modifiers are not shown without a key.
  for (std::uint16_t shortCut : {0x0000, 0x6000, 0xE000, 0x0007, 0x4088, 0x00E8, 0x20FF}) {
    EXPECT_EQ(controls::ShortCutToText(shortCut), "") << std::hex << shortCut;
  }
}

TEST(ShortCutText, EntryTextAddsATabAndTheShortCut) {
  const struct {
    const char* name;
    std::uint16_t shortCut;
    bool subItems;
    const char* text;
  } cases[] = {
      {"no shortcut", 0, false, "Open"},
      {"shortcut", 0x4000 | 'O', false, "Open\tCtrl+O"},
      {"all modifiers", 0xE000 | 0x74, false, "Open\tShift+Ctrl+Alt+F5"},
      {"sub-items hide the shortcut", 0x4000 | 'O', true, "Open"},
      {"a key without a name", 0x40E8, false, "Open\t"},
  };
  for (const auto& c : cases) {
    TMenuItemView item = Item("Open", 0x0301);
    item.ShortCut = c.shortCut;
    if (c.subItems) item.Items.push_back(Item("Nested", 0x0302));
    EXPECT_EQ(controls::SystemMenuEntryText(item), c.text) << c.name;
    for (std::uint32_t version : {kNt351, kWin10}) {
      RecordingPlatform platform;
      platform.version = version;
      TTolveSystemMenu merger(platform);
      merger.InsertSystemMenuEntry(item, kSystemMenu, -1);
      ASSERT_EQ(platform.log.size(), 1u) << c.name;
      EXPECT_EQ(platform.log[0].text, c.text) << c.name << ", " << VersionText(version);
    }
  }
}

// --- Owner and design mode ----------------------------------------------

TEST(SystemMenuOwner, AnOwnerOtherThanATopLevelWindowIsAnInvalidTypecast) {
  const TMenuItemView menu = ProgramMenu();
  const struct {
    const char* name;
    std::function<void(TTolveSystemMenu&)> act;
  } cases[] = {
      {"setting the popup menu", [&](TTolveSystemMenu& m) { m.SetPopupMenu(&menu); }},
      {"setting the position", [&](TTolveSystemMenu& m) { m.SetPosition(0); }},
      {"merging", [&](TTolveSystemMenu& m) { m.MergeIntoSystemMenu(); }},
  };
  for (const auto& c : cases) {
    RecordingPlatform platform;
    platform.ownerIsTopLevel = false;
    TTolveSystemMenu merger(platform);
    try {
      c.act(merger);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const controls::EInvalidCast& error) {
      EXPECT_STREQ(error.what(), "Invalid class typecast") << c.name;
    }
    EXPECT_TRUE(platform.log.empty()) << c.name;
  }
}

TEST(SystemMenuOwner, TheValueIsKeptWhenTheMergeFails) {
  const TMenuItemView menu = ProgramMenu();
  RecordingPlatform platform;
  platform.ownerIsTopLevel = false;
  TTolveSystemMenu merger(platform);
  EXPECT_THROW(merger.SetPopupMenu(&menu), controls::EInvalidCast);
  EXPECT_EQ(merger.PopupMenu(), &menu);
  EXPECT_NO_THROW(merger.SetPopupMenu(&menu));  // the same value again merges nothing
}

TEST(SystemMenuDesign, AMergeInDesignModeChangesNothing) {
  const TMenuItemView menu = ProgramMenu();
  for (bool topLevel : {true, false}) {
    RecordingPlatform platform;
    platform.ownerIsTopLevel = topLevel;
    TTolveSystemMenu merger(platform);
    merger.SetDesigning(true);
    merger.SetPosition(0);
    merger.SetPopupMenu(&menu);
    merger.MergeIntoSystemMenu();
    EXPECT_TRUE(platform.log.empty()) << "top level " << topLevel;
    EXPECT_EQ(merger.PopupMenu(), &menu);
    EXPECT_EQ(merger.Position(), 0);
    // Running again, the stored values merge on the next call.
    merger.SetDesigning(false);
    if (topLevel) {
      merger.MergeIntoSystemMenu();
      EXPECT_EQ(platform.log, Merge(ProgramEntriesNewer(Positions(0))));
    }
  }
}

// --- The filter ---------------------------------------------------------

// A loaded merger over the program's menu, with a saved filter that records.
struct Loaded {
  Trace trace;
  TMenuItemView menu = ProgramMenu(&trace);
  RecordingPlatform platform;
  TTolveSystemMenu merger{platform};

  Loaded() {
    platform.filter = {&SavedFilter, &trace};
    merger.SetPosition(0);
    merger.SetPopupMenu(&menu);
    merger.Loaded();
  }

  // Passes `message` through the application's installed filter.
  bool Filter(TAppMessage message) {
    bool handled = false;
    platform.filter(message, handled);
    return handled;
  }
};

TEST(SystemMenuFilter, LoadCompleteSavesTheFilterAndInstallsItsOwn) {
  Loaded loaded;
  EXPECT_EQ(loaded.platform.filterReads, 1);
  EXPECT_EQ(loaded.platform.filter, loaded.merger.AsMessageFilter());
  EXPECT_NE(loaded.platform.filter, (TMessageFilter{&SavedFilter, &loaded.trace}));
}

TEST(SystemMenuFilter, SystemCommandsReachTheirPopupItems) {
  const struct {
    const char* name;
    TAppMessage message;
    bool handled;
    std::vector<std::string> events;
  } cases[] = {
      {"Help", SysCommand(kHelpId), true, {"saved filter 259", "clicked Help"}},
      {"About", SysCommand(kAboutId), true, {"saved filter 260", "clicked About"}},
      {"Make Noise", SysCommand(kMakeNoiseId), true, {"saved filter 263", "clicked Make Noise"}},
      {"disabled title counts without running", SysCommand(kHuevaneId), true, {"saved filter 257"}},
      {"a separator has no handler", SysCommand(kN2Id), true, {"saved filter 261"}},
      {"low 16 bits only", SysCommand(0x00010000u | kBeSilentId), true,
       {"saved filter 65798", "clicked Be Silent"}},
      {"Close passes", SysCommand(0xF060), false, {"saved filter 61536"}},
      {"Move passes", SysCommand(0xF010), false, {"saved filter 61456"}},
      {"Size passes", SysCommand(0xF000), false, {"saved filter 61440"}},
      {"Minimize passes", SysCommand(0xF020), false, {"saved filter 61472"}},
      {"Restore passes", SysCommand(0xF120), false, {"saved filter 61728"}},
      {"an identifier only in the high word passes", SysCommand(std::uintptr_t(kHelpId) << 16),
       false, {"saved filter 16973824"}},
      {"no identifier passes", SysCommand(0), false, {"saved filter 0"}},
  };
  for (const auto& c : cases) {
    Loaded loaded;
    EXPECT_EQ(loaded.Filter(c.message), c.handled) << c.name;
    EXPECT_EQ(loaded.trace.events, c.events) << c.name;
  }
}

TEST(SystemMenuFilter, OnlySystemCommandsAreSearched) {
  for (std::uint32_t id : {0x0111u /* WM_COMMAND */, 0x0100u /* WM_KEYDOWN */, 0x0113u, 0x0000u}) {
    Loaded loaded;
    TAppMessage message = SysCommand(kHelpId);
    message.message = id;
    EXPECT_FALSE(loaded.Filter(message)) << std::hex << id;
    EXPECT_EQ(loaded.trace.events, std::vector<std::string>{"saved filter 259"}) << std::hex << id;
  }
}

TEST(SystemMenuFilter, AMessageTheSavedFilterHandledIsNotSearched) {
  Loaded loaded;
  loaded.trace.handleInSavedFilter = true;
  EXPECT_TRUE(loaded.Filter(SysCommand(kHelpId)));
  EXPECT_EQ(loaded.trace.events, std::vector<std::string>{"saved filter 259"});
}

TEST(SystemMenuFilter, WorksWithoutASavedFilterOrAPopupMenu) {
  {
    Trace trace;
    TMenuItemView menu = ProgramMenu(&trace);
    RecordingPlatform platform;
    TTolveSystemMenu merger(platform);
    merger.SetPopupMenu(&menu);
    merger.Loaded();
    TAppMessage message = SysCommand(kAboutId);
    bool handled = false;
    platform.filter(message, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(trace.events, std::vector<std::string>{"clicked About"});
  }
  {
    Trace trace;
    RecordingPlatform platform;
    platform.filter = {&SavedFilter, &trace};
    TTolveSystemMenu merger(platform);
    merger.Loaded();
    TAppMessage message = SysCommand(kAboutId);
    bool handled = false;
    platform.filter(message, handled);
    EXPECT_FALSE(handled);
    EXPECT_EQ(trace.events, std::vector<std::string>{"saved filter 260"});
  }
}

TEST(SystemMenuFilter, TheSearchIsDepthFirstAndStopsAtTheFirstMatch) {
  // A: 1 { B: 2 { C: 3 }, D: 4 (hidden) }, E: 3, F: 5 (disabled), G: 5
  Trace trace;
  TMenuItemView root;
  TMenuItemView a = Item("A", 1, &trace);
  TMenuItemView b = Item("B", 2, &trace);
  b.Items.push_back(Item("C", 3, &trace));
  a.Items.push_back(b);
  a.Items.push_back(Item("D", 4, &trace));
  a.Items.back().Visible = false;
  root.Items.push_back(a);
  root.Items.push_back(Item("E", 3, &trace));
  root.Items.push_back(Item("F", 5, &trace));
  root.Items.back().Enabled = false;
  root.Items.push_back(Item("G", 5, &trace));

  const struct {
    std::uint16_t command;
    bool handled;
    std::vector<std::string> events;
  } cases[] = {
      {1, true, {"clicked A"}},
      {2, true, {"clicked B"}},
      {3, true, {"clicked C"}},  // nested before a later sibling
      {4, true, {"clicked D"}},  // hidden items are searched too
      {5, true, {}},             // the disabled first match ends the search
      {6, false, {}},
  };
  for (const auto& c : cases) {
    trace.events.clear();
    RecordingPlatform platform;
    TTolveSystemMenu merger(platform);
    merger.SetPopupMenu(&root);
    merger.Loaded();
    TAppMessage message = SysCommand(c.command);
    bool handled = false;
    merger.FilterAppMessage(message, handled);
    EXPECT_EQ(handled, c.handled) << c.command;
    EXPECT_EQ(trace.events, c.events) << c.command;
  }
}

TEST(SystemMenuFilter, FindAndClickCommandFindsNothingOutsideAFilter) {
  Loaded loaded;
  EXPECT_FALSE(loaded.merger.FindAndClickCommand(loaded.menu));
  EXPECT_TRUE(loaded.Filter(SysCommand(kHelpId)));
  loaded.trace.events.clear();
  EXPECT_FALSE(loaded.merger.FindAndClickCommand(loaded.menu));
  EXPECT_TRUE(loaded.trace.events.empty());
}

TEST(SystemMenuFilter, AnErrorFromAHandlerLeavesNoMessageBehind) {
  Loaded loaded;
  loaded.menu.Items[2].OnClick = [] { throw std::runtime_error("from Help"); };
  EXPECT_THROW(loaded.Filter(SysCommand(kHelpId)), std::runtime_error);
  EXPECT_FALSE(loaded.merger.FindAndClickCommand(loaded.menu));
}

TEST(SystemMenuFilter, AHandlerMayFilterAMessageOfItsOwn) {
  // A modal loop inside a handler filters further messages; each search
  // looks for its own command.
  Loaded loaded;
  TMenuItemView probe;
  probe.Items.push_back(Item("About", kAboutId, &loaded.trace));
  probe.Items.push_back(Item("Help", kHelpId, &loaded.trace));
  loaded.menu.Items[2].OnClick = [&] {
    loaded.trace.events.push_back("clicked Help");
    EXPECT_TRUE(loaded.Filter(SysCommand(kAboutId)));
    // Back in Help's filter, Help's command is the one searched for.
    loaded.trace.events.push_back("probe");
    EXPECT_TRUE(loaded.merger.FindAndClickCommand(probe));
  };
  EXPECT_TRUE(loaded.Filter(SysCommand(kHelpId)));
  EXPECT_EQ(loaded.trace.events,
            (std::vector<std::string>{"saved filter 259", "clicked Help", "saved filter 260",
                                      "clicked About", "probe", "clicked Help"}));
}

// --- Destruction --------------------------------------------------------

TEST(SystemMenuLifetime, DestructionPutsTheSavedFilterBack) {
  Trace trace;
  const TMessageFilter original{&SavedFilter, &trace};
  const TMessageFilter later{&OtherFilter, nullptr};
  const struct {
    const char* name;
    bool loaded;
    bool laterFilter;
    TMessageFilter afterwards;
  } cases[] = {
      {"loaded", true, false, original},
      {"loaded, another filter installed since", true, true, original},
      {"never loaded", false, false, TMessageFilter{}},
      {"never loaded, another filter installed since", false, true, TMessageFilter{}},
  };
  for (const auto& c : cases) {
    RecordingPlatform platform;
    platform.filter = original;
    {
      TTolveSystemMenu merger(platform);
      if (c.loaded) merger.Loaded();
      if (c.laterFilter) platform.filter = later;
    }
    EXPECT_EQ(platform.filter, c.afterwards) << c.name;
    EXPECT_TRUE(platform.log.empty()) << c.name << ": no entry is removed";
  }
}

}  // namespace
