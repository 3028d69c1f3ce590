// The system-menu merger on a real window: what a loaded layout puts into the
// window's system menu, read back with GetMenuItemInfoA, and what choosing a
// copy does once the message loop's filter is in place.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/sysmenu.h"
#include "support/pump.h"
#include "toolkit/application.h"
#include "toolkit/layout.h"
#include "toolkit/menu.h"
#include "toolkit/window.h"

namespace {

using toolkit::ComponentDesign;
using toolkit::ValueSetting;

// A top-level window (or a child of `parent`) that notes the system commands
// and user messages that reach it.
class Host : public toolkit::Window {
 public:
  explicit Host(HWND parent = nullptr) {
    toolkit::WindowDesign design;
    design.className = L"HuevaneMenuHost";
    design.caption = L"menu host";
    design.style = parent != nullptr ? WS_CHILD : WS_OVERLAPPEDWINDOW;
    design.clientWidth = 120;
    design.clientHeight = 120;
    design.owner = parent;
    CreateHandle(design);
  }
  std::vector<std::pair<UINT, WPARAM>> received;
  std::vector<HMENU> opened;

 protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_SYSCOMMAND || message == WM_USER) received.emplace_back(message, wParam);
    // Notes each menu that opens and closes it again at once: a menu left
    // open would hold the test in its loop.
    if (message == WM_INITMENUPOPUP) {
      opened.push_back(reinterpret_cast<HMENU>(wParam));
      EndMenu();
    }
    return Window::WndProc(message, wParam, lParam);
  }
};

struct Entry {
  UINT type = 0;
  UINT state = 0;
  UINT id = 0;
  HMENU subMenu = nullptr;
  std::string text;
  bool operator==(const Entry&) const = default;
};

Entry ReadEntry(HMENU menu, int position) {
  char text[128] = {};
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
  info.dwTypeData = text;
  info.cch = sizeof(text);
  EXPECT_TRUE(GetMenuItemInfoA(menu, position, TRUE, &info)) << "no entry at " << position;
  return {info.fType, info.fState, info.wID, info.hSubMenu,
          info.fType & MFT_SEPARATOR ? std::string() : std::string(text)};
}

HMENU SystemMenu(const toolkit::Window& window) { return GetSystemMenu(window.Handle(), FALSE); }

// The entries the system gives a window of this kind by itself.
std::vector<Entry> OwnEntries() {
  Host bare;
  std::vector<Entry> entries;
  HMENU menu = SystemMenu(bare);
  for (int i = 0; i < GetMenuItemCount(menu); ++i) entries.push_back(ReadEntry(menu, i));
  return entries;
}

constexpr auto MakePopup = toolkit::MakeComponent<toolkit::TPopupMenu>;
constexpr auto MakeItem = toolkit::MakeComponent<toolkit::TMenuItem>;
constexpr auto MakeMerger = toolkit::MakeComponent<controls::TTolveSystemMenu>;

ComponentDesign Item(const wchar_t* name, const wchar_t* caption,
                     std::vector<ValueSetting> values = {}, const wchar_t* parent = L"Popup") {
  values.insert(values.begin(), {L"Caption", std::wstring(caption)});
  return {name, MakeItem, std::move(values), {{L"Parent", parent}}};
}

ComponentDesign Merger(std::int32_t position) {
  return {L"Merger", MakeMerger, {{L"Position", position}}, {{L"PopupMenu", L"Popup"}}};
}

// A filter that stands for whatever the application had before the merger:
// it notes each message and swallows the ones it is told to.
struct SavedFilter {
  std::vector<std::pair<UINT, WPARAM>> seen;
  WPARAM swallow = 0;
  static void Run(void* context, MSG& message, bool& handled) {
    auto& self = *static_cast<SavedFilter*>(context);
    if (message.message == WM_SYSCOMMAND || message.message == WM_USER) {
      self.seen.emplace_back(message.message, message.wParam);
      if (self.swallow != 0 && message.wParam == self.swallow) handled = true;
    }
  }
  toolkit::MessageFilter AsFilter() { return {&Run, this}; }
};

struct MergerFixture : ::testing::Test {
  toolkit::Application app{L"Huevane"};
  SavedFilter saved;
  std::unique_ptr<Host> host = std::make_unique<Host>();
  std::vector<Entry> own = OwnEntries();

  void SetUp() override { app.SetMessageFilter(saved.AsFilter()); }
  void TearDown() override {
    host.reset();
    test::MessagePump{app}();
  }

  void Load(std::vector<ComponentDesign> design) { toolkit::ApplyLayout(*host, design); }
  toolkit::TMenuItem& ItemNamed(const wchar_t* name) {
    return dynamic_cast<toolkit::TMenuItem&>(*host->FindComponent(name));
  }
  controls::TTolveSystemMenu& TheMerger() {
    return dynamic_cast<controls::TTolveSystemMenu&>(*host->FindComponent(L"Merger"));
  }
  toolkit::TPopupMenu& ThePopup() {
    return dynamic_cast<toolkit::TPopupMenu&>(*host->FindComponent(L"Popup"));
  }
  int Count() { return GetMenuItemCount(SystemMenu(*host)); }
  Entry At(int position) { return ReadEntry(SystemMenu(*host), position); }
};

TEST_F(MergerFixture, EachItemIsCopiedOnceWithItsTypeStateTextAndCommand) {
  struct Case {
    ComponentDesign design;
    UINT type;
    UINT state;
    std::string text;
  };
  const std::vector<Case> cases = {
      {Item(L"Title1", L"Title", {{L"Enabled", false}}), 0, 0x3, "Title"},
      {Item(L"N1", L"-"), 0x800, 0, ""},
      {Item(L"Plain1", L"Plain"), 0, 0, "Plain"},
      {Item(L"Radio1", L"Radio", {{L"RadioItem", true}}), 0x200, 0, "Radio"},
      {Item(L"Checked1", L"Checked", {{L"Checked", true}}), 0, 0x8, "Checked"},
      {Item(L"Bold1", L"Bold", {{L"Default", true}}), 0, 0x1000, "Bold"},
      {Item(L"Column1", L"Column", {{L"Break", std::wstring(L"mbBreak")}}), 0x40, 0, "Column"},
      {Item(L"Bar1", L"Bar", {{L"Break", std::wstring(L"mbBarBreak")}}), 0x20, 0, "Bar"},
      {Item(L"Open1", L"Open", {{L"ShortCut", 0x4000 | 'O'}}), 0, 0, "Open\tCtrl+O"},
      {Item(L"Nameless1", L"Nameless", {{L"ShortCut", 0x4000 | 0xE8}}), 0, 0, "Nameless\t"},
      {Item(L"Dashes1", L"--"), 0, 0, "--"},
  };
  std::vector<ComponentDesign> design = {{L"Popup", MakePopup, {}, {}}};
  for (const Case& c : cases) design.push_back(c.design);
  design.push_back(Merger(0));
  Load(design);

  ASSERT_EQ(Count(), static_cast<int>(own.size() + cases.size())) << "merged more than once";
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].text);
    const Entry entry = At(static_cast<int>(i));
    EXPECT_EQ(entry.type, cases[i].type);
    EXPECT_EQ(entry.state, cases[i].state);
    EXPECT_EQ(entry.text, cases[i].text);
    EXPECT_EQ(entry.id, ItemNamed(cases[i].design.name.c_str()).Command());
    EXPECT_EQ(entry.subMenu, nullptr);
  }
  for (std::size_t i = 0; i < own.size(); ++i) {
    EXPECT_EQ(At(static_cast<int>(cases.size() + i)), own[i]) << "system entry " << i;
  }
}

TEST_F(MergerFixture, ThePopupMenuShowsTheSameTextsTypesAndStates) {
  Load({{L"Popup", MakePopup, {}, {}},
        Item(L"Title1", L"Title", {{L"Enabled", false}}),
        Item(L"N1", L"-"),
        Item(L"Radio1", L"Radio", {{L"RadioItem", true}}),
        Item(L"Open1", L"Open", {{L"ShortCut", 0x8000 | VK_F4}}),
        Item(L"Hidden1", L"Hidden", {{L"Visible", false}}),
        Merger(0)});
  const HMENU popup = ThePopup().Handle();
  ASSERT_EQ(GetMenuItemCount(popup), 4) << "a hidden item has no entry";
  for (int i = 0; i < 4; ++i) {
    const Entry copy = At(i), own = ReadEntry(popup, i);
    EXPECT_EQ(own.type, copy.type) << i;
    EXPECT_EQ(own.state, copy.state) << i;
    EXPECT_EQ(own.id, copy.id) << i;
    EXPECT_EQ(own.text, copy.text) << i;
  }
  EXPECT_EQ(ReadEntry(popup, 3).text, "Open\tAlt+F4");
}

// Systems before version 4 get the older call: the same entries, without
// radio marks and default entries.
TEST_F(MergerFixture, TheOlderCallInsertsTheSameEntriesButRadioMarksAndDefaults) {
  Load({{L"Popup", MakePopup, {}, {}},
        Item(L"Title1", L"Title", {{L"Enabled", false}}),
        Item(L"N1", L"-"),
        Item(L"Checked1", L"Checked", {{L"Checked", true}, {L"RadioItem", true}}),
        Item(L"Bold1", L"Bold", {{L"Default", true}, {L"Break", std::wstring(L"mbBarBreak")}}),
        Item(L"Open1", L"Open", {{L"ShortCut", 0x4000 | 'O'}}),
        Item(L"More1", L"More"),
        Item(L"Deep1", L"Deep", {}, L"More1")});
  const std::vector<toolkit::TMenuItem*>& items = ThePopup().Root().Items();
  HMENU older = CreatePopupMenu(), newer = CreatePopupMenu();
  for (const toolkit::TMenuItem* item : items) {
    controls::InsertMenuEntry(*item, older, -1, true);
    controls::InsertMenuEntry(*item, newer, -1, false);
  }
  ASSERT_EQ(GetMenuItemCount(older), static_cast<int>(items.size()));
  ASSERT_EQ(GetMenuItemCount(newer), static_cast<int>(items.size()));
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    Entry expected = ReadEntry(newer, i);
    expected.type &= ~static_cast<UINT>(MFT_RADIOCHECK);
    expected.state &= ~static_cast<UINT>(MFS_DEFAULT);
    Entry entry = ReadEntry(older, i);
    // A separator inserted this way reads back greyed, and an entry that
    // opens a sub-menu reads back numbered by the sub-menu's handle.
    if (entry.type & MFT_SEPARATOR) entry.state = expected.state;
    if (entry.subMenu != nullptr) entry.id = expected.id;
    EXPECT_EQ(entry, expected) << i;
  }
  EXPECT_EQ(ReadEntry(newer, 2).type, static_cast<UINT>(MFT_RADIOCHECK));
  EXPECT_EQ(ReadEntry(newer, 3).state, static_cast<UINT>(MFS_DEFAULT));
  EXPECT_EQ(ReadEntry(older, 4).text, "Open\tCtrl+O");
  EXPECT_EQ(ReadEntry(older, 5).subMenu, ItemNamed(L"More1").Handle());
  // The sub-menus belong to their items.
  for (HMENU menu : {older, newer}) {
    while (GetMenuItemCount(menu) > 0) RemoveMenu(menu, 0, MF_BYPOSITION);
    DestroyMenu(menu);
  }
}

TEST_F(MergerFixture, PositionMinusOneAppendsAfterTheSystemsOwnEntries) {
  Load({{L"Popup", MakePopup, {}, {}},
        Item(L"A1", L"A"),
        Item(L"N1", L"-"),
        Item(L"B1", L"B"),
        Merger(-1)});
  ASSERT_EQ(Count(), static_cast<int>(own.size() + 3));
  for (std::size_t i = 0; i < own.size(); ++i) EXPECT_EQ(At(static_cast<int>(i)), own[i]);
  const int first = static_cast<int>(own.size());
  EXPECT_EQ(At(first).text, "A");
  EXPECT_EQ(At(first + 1).type, static_cast<UINT>(MFT_SEPARATOR));
  EXPECT_EQ(At(first + 2).text, "B");
}

TEST_F(MergerFixture, AHiddenItemKeepsItsPlaceInTheCount) {
  Load({{L"Popup", MakePopup, {}, {}},
        Item(L"A1", L"A"),
        Item(L"B1", L"B", {{L"Visible", false}}),
        Item(L"C1", L"C"),
        Merger(0)});
  ASSERT_EQ(Count(), static_cast<int>(own.size() + 2));
  EXPECT_EQ(At(0).text, "A");
  EXPECT_EQ(At(1), own[0]) << "C went to position 2, one past a packed block";
  EXPECT_EQ(At(2).text, "C");
  EXPECT_EQ(At(2).id, ItemNamed(L"C1").Command());
}

TEST_F(MergerFixture, WritingTheStoredValueMergesNothingAndANewPositionMergesAgain) {
  Load({{L"Popup", MakePopup, {}, {}}, Item(L"A1", L"A"), Item(L"B1", L"B"), Merger(0)});
  const int loaded = Count();
  ASSERT_EQ(loaded, static_cast<int>(own.size() + 2));
  TheMerger().SetPopupMenu(&ThePopup());
  TheMerger().SetPosition(0);
  EXPECT_EQ(Count(), loaded);
  TheMerger().SetPosition(-1);
  ASSERT_EQ(Count(), loaded + 2);
  EXPECT_EQ(At(loaded).text, "A");
  EXPECT_EQ(At(loaded + 1).text, "B");
  EXPECT_EQ(At(0).text, "A") << "entries from the first merge stay";
}

TEST_F(MergerFixture, AnItemWithSubItemsOpensItsOwnSubMenu) {
  Load({{L"Popup", MakePopup, {}, {}},
        Item(L"More1", L"More", {{L"ShortCut", 0x4000 | 'M'}}),
        Item(L"Deep1", L"Deep", {}, L"More1"),
        Item(L"Last1", L"Last"),
        Merger(0)});
  ASSERT_EQ(Count(), static_cast<int>(own.size() + 2)) << "nested items get no entry of their own";
  const Entry more = At(0);
  EXPECT_EQ(more.subMenu, ItemNamed(L"More1").Handle());
  EXPECT_EQ(more.text, "More") << "an item with sub-items shows no shortcut";
  ASSERT_EQ(GetMenuItemCount(more.subMenu), 1);
  EXPECT_EQ(ReadEntry(more.subMenu, 0).text, "Deep");
  EXPECT_EQ(ReadEntry(more.subMenu, 0).id, ItemNamed(L"Deep1").Command());
  EXPECT_EQ(At(1).text, "Last");

  int deepClicks = 0;
  ItemNamed(L"Deep1").OnClick = [&] { ++deepClicks; };
  PostMessageW(host->Handle(), WM_SYSCOMMAND, ItemNamed(L"Deep1").Command(), 0);
  test::MessagePump{app}();
  EXPECT_EQ(deepClicks, 1);
  EXPECT_TRUE(host->received.empty());
}

TEST_F(MergerFixture, QueuedMessagesRunTheMatchingItemOrGoOnToTheWindow) {
  Load({{L"Popup", MakePopup, {}, {}},
        Item(L"A1", L"A"),
        Item(L"Off1", L"Off", {{L"Enabled", false}}),
        Item(L"B1", L"B"),
        Item(L"Hid1", L"Hid", {{L"Visible", false}}),
        Merger(0)});
  std::vector<std::string> clicks;
  for (const wchar_t* name : {L"A1", L"Off1", L"B1", L"Hid1"}) {
    ItemNamed(name).OnClick = [&clicks, name] { clicks.emplace_back(name, name + wcslen(name)); };
  }
  const UINT a = ItemNamed(L"A1").Command(), off = ItemNamed(L"Off1").Command(),
             hid = ItemNamed(L"Hid1").Command();
  struct Case {
    const char* what;
    UINT message;
    WPARAM wParam;
    WPARAM swallowedBySavedFilter;
    std::vector<std::string> clicks;
    bool reachesWindow;
  };
  const Case cases[] = {
      {"a copy runs its item once", WM_SYSCOMMAND, a, 0, {"A1"}, false},
      {"only the low 16 bits count", WM_SYSCOMMAND, 0x10000 | a, 0, {"A1"}, false},
      {"a disabled copy matches and runs nothing", WM_SYSCOMMAND, off, 0, {}, false},
      {"a hidden item is searched too", WM_SYSCOMMAND, hid, 0, {"Hid1"}, false},
      {"an unknown command goes on", WM_SYSCOMMAND, 0xEFF0, 0, {}, true},
      {"another message with an item's number goes on", WM_USER, a, 0, {}, true},
      {"what the saved filter handles is left alone", WM_SYSCOMMAND, a, a, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clicks.clear();
    saved.seen.clear();
    saved.swallow = c.swallowedBySavedFilter;
    host->received.clear();
    PostMessageW(host->Handle(), c.message, c.wParam, 0);
    test::MessagePump{app}();
    EXPECT_EQ(clicks, c.clicks);
    EXPECT_EQ(saved.seen, (std::vector<std::pair<UINT, WPARAM>>{{c.message, c.wParam}}))
        << "the saved filter sees every message first";
    EXPECT_EQ(host->received.size(), c.reachesWindow ? 1u : 0u);
    EXPECT_FALSE(TheMerger().FindAndClickCommand(ThePopup().Root()))
        << "outside the filter there is no command to look for";
  }
}

TEST_F(MergerFixture, AHandlerMayFilterMessagesOfItsOwnOrFail) {
  Load({{L"Popup", MakePopup, {}, {}},
        Item(L"A1", L"A"),
        Item(L"B1", L"B"),
        Item(L"C1", L"C"),
        Merger(0)});
  std::vector<std::string> events;
  std::vector<std::wstring> errors;
  app.SetErrorBox([&](const std::wstring&, const std::wstring& text) { errors.push_back(text); });
  // A runs a nested loop that handles B; back in A's filter, A's command is
  // still the one searched for, and finds A again.
  ItemNamed(L"A1").OnClick = [&] {
    events.push_back("A");
    if (events.size() > 1) return;
    PostMessageW(host->Handle(), WM_SYSCOMMAND, ItemNamed(L"B1").Command(), 0);
    test::MessagePump{app}();
    EXPECT_TRUE(TheMerger().FindAndClickCommand(ThePopup().Root()));
  };
  ItemNamed(L"B1").OnClick = [&] { events.push_back("B"); };
  ItemNamed(L"C1").OnClick = [] { throw std::runtime_error("from C"); };
  PostMessageW(host->Handle(), WM_SYSCOMMAND, ItemNamed(L"A1").Command(), 0);
  test::MessagePump{app}();
  EXPECT_EQ(events, (std::vector<std::string>{"A", "B", "A"}));
  PostMessageW(host->Handle(), WM_SYSCOMMAND, ItemNamed(L"C1").Command(), 0);
  test::MessagePump{app}();
  EXPECT_EQ(errors, std::vector<std::wstring>{L"from C"});
  EXPECT_FALSE(TheMerger().FindAndClickCommand(ThePopup().Root()))
      << "an error leaves no message behind";
  EXPECT_TRUE(host->received.empty());
}

TEST_F(MergerFixture, LoadingInstallsTheFilterAndDestructionPutsTheSavedOneBack) {
  Load({{L"Popup", MakePopup, {}, {}}, Item(L"A1", L"A"), Merger(0)});
  EXPECT_NE(test::CurrentFilter(app).context, &saved);
  host.reset();
  EXPECT_EQ(test::CurrentFilter(app).function, &SavedFilter::Run);
  EXPECT_EQ(test::CurrentFilter(app).context, &saved);
}

// Two windows with a merger each: whichever goes first, each puts back the
// filter it found, and no filter is left that points into a merger gone.
TEST_F(MergerFixture, TwoMergersGoInEitherOrder) {
  for (bool firstGoesFirst : {false, true}) {
    SCOPED_TRACE(firstGoesFirst ? "first loaded goes first" : "last loaded goes first");
    auto first = std::make_unique<Host>(), second = std::make_unique<Host>();
    const std::vector<ComponentDesign> firstDesign = {
        {L"Popup", MakePopup, {}, {}}, Item(L"A1", L"A"), Merger(0)};
    const std::vector<ComponentDesign> secondDesign = {
        {L"Popup", MakePopup, {}, {}}, Item(L"B1", L"B"), Merger(0)};
    toolkit::ApplyLayout(*first, firstDesign);
    const toolkit::MessageFilter firstFilter = test::CurrentFilter(app);
    toolkit::ApplyLayout(*second, secondDesign);
    EXPECT_NE(test::CurrentFilter(app), firstFilter);
    std::vector<std::string> clicks;
    auto& itemA = dynamic_cast<toolkit::TMenuItem&>(*first->FindComponent(L"A1"));
    auto& itemB = dynamic_cast<toolkit::TMenuItem&>(*second->FindComponent(L"B1"));
    itemA.OnClick = [&] { clicks.push_back("A"); };
    itemB.OnClick = [&] { clicks.push_back("B"); };
    const UINT a = itemA.Command(), b = itemB.Command();
    // Both copies work, each through its own merger's filter.
    auto choose = [&](UINT command) {
      clicks.clear();
      saved.seen.clear();
      PostMessageW(host->Handle(), WM_SYSCOMMAND, command, 0);
      test::MessagePump{app}();
      EXPECT_EQ(saved.seen.size(), 1u) << "the first saved filter still sees everything";
      return clicks;
    };
    EXPECT_EQ(choose(a), std::vector<std::string>{"A"});
    EXPECT_EQ(choose(b), std::vector<std::string>{"B"});
    if (firstGoesFirst) {
      first.reset();
      EXPECT_EQ(test::CurrentFilter(app), saved.AsFilter()) << "the later filter is dropped";
      second.reset();
    } else {
      second.reset();
      EXPECT_EQ(test::CurrentFilter(app), firstFilter);
      EXPECT_EQ(choose(a), std::vector<std::string>{"A"});
      EXPECT_EQ(choose(b), std::vector<std::string>{});
      first.reset();
    }
    EXPECT_EQ(test::CurrentFilter(app), saved.AsFilter());
    EXPECT_EQ(choose(a), std::vector<std::string>{});
  }
}

TEST_F(MergerFixture, AMergerMadeByCodeInstallsNoFilterAndLeavesAnEmptyOne) {
  Load({{L"Popup", MakePopup, {}, {}}, Item(L"A1", L"A")});
  {
    controls::TTolveSystemMenu merger(host.get());
    merger.SetPopupMenu(&ThePopup());
    EXPECT_EQ(Count(), static_cast<int>(own.size() + 1));
    EXPECT_EQ(test::CurrentFilter(app).context, &saved);
  }
  EXPECT_FALSE(test::CurrentFilter(app));
}

TEST(MergerOwner, AnOwnerThatIsNoTopLevelWindowIsAnInvalidCast) {
  toolkit::Application app{L"Huevane"};
  Host parent;
  toolkit::Component plain(nullptr);
  Host child(parent.Handle());
  for (toolkit::Component* owner :
       {static_cast<toolkit::Component*>(&plain), static_cast<toolkit::Component*>(&child)}) {
    controls::TTolveSystemMenu merger(owner);
    merger.SetPosition(-1);  // the stored value: nothing to merge
    EXPECT_THROW(merger.SetPosition(0), controls::EInvalidCast);
    EXPECT_EQ(merger.Position(), 0) << "the value is kept";
    EXPECT_NO_THROW(merger.SetPosition(0));
  }
}

// The popup menu itself: its commands and its opening on a right-click.
TEST_F(MergerFixture, AMenuCommandToTheWindowRunsItsItemUnlessDisabled) {
  Load({{L"Popup", MakePopup, {}, {}},
        Item(L"A1", L"A"),
        Item(L"Off1", L"Off", {{L"Enabled", false}})});
  host->SetPopupMenu(&ThePopup());
  int a = 0, off = 0;
  ItemNamed(L"A1").OnClick = [&] { ++a; };
  ItemNamed(L"Off1").OnClick = [&] { ++off; };
  SendMessageW(host->Handle(), WM_COMMAND, ItemNamed(L"A1").Command(), 0);
  SendMessageW(host->Handle(), WM_COMMAND, ItemNamed(L"Off1").Command(), 0);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(off, 0);
  ItemNamed(L"A1").Click();
  ItemNamed(L"Off1").Click();
  EXPECT_EQ(a, 2);
  EXPECT_EQ(off, 0);
}

TEST_F(MergerFixture, ARightClickOnTheWindowOpensItsPopupMenu) {
  Load({{L"Popup", MakePopup, {}, {}}, Item(L"A1", L"A")});
  ShowWindow(host->Handle(), SW_SHOW);
  POINT point{10, 10};
  ClientToScreen(host->Handle(), &point);
  const LPARAM at = MAKELPARAM(point.x, point.y);
  const WPARAM from = reinterpret_cast<WPARAM>(host->Handle());
  SendMessageW(host->Handle(), WM_CONTEXTMENU, from, at);
  EXPECT_TRUE(host->opened.empty()) << "a window without a popup menu opens none";
  host->SetPopupMenu(&ThePopup());
  SendMessageW(host->Handle(), WM_CONTEXTMENU, from, at);
  SendMessageW(host->Handle(), WM_CONTEXTMENU, from, MAKELPARAM(-1, -1));  // from the keyboard
  test::MessagePump{app}();
  EXPECT_EQ(host->opened, (std::vector<HMENU>{ThePopup().Handle(), ThePopup().Handle()}));
}

TEST(MenuCommands, EveryItemHasItsOwnNumberBelowTheSystemsCommands) {
  toolkit::Component owner(nullptr);
  std::vector<std::unique_ptr<toolkit::TMenuItem>> items;
  for (int i = 0; i < 64; ++i) items.push_back(std::make_unique<toolkit::TMenuItem>(&owner));
  // An item made after another has gone takes no number still in use.
  items[10].reset();
  items.push_back(std::make_unique<toolkit::TMenuItem>(&owner));
  std::vector<std::uint16_t> commands;
  for (const auto& item : items) {
    if (!item) continue;
    EXPECT_NE(item->Command(), 0);
    EXPECT_LT(item->Command(), 0xF000);
    for (std::uint16_t other : commands) EXPECT_NE(item->Command(), other);
    commands.push_back(item->Command());
  }
}

}  // namespace
