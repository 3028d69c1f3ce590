// Hints and the Tab key over a window of scroll bars laid out like the main
// window: tooltips for the bars that ask for one, Tab in TabOrder order, and
// arrow keys that still move the focused bar through the message loop.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_window.h"
#include "toolkit/application.h"
#include "toolkit/layout.h"
#include "toolkit/scroll_bar.h"
#include "toolkit/window.h"

namespace {

class Host : public test::TestWindow {
 public:
  Host() : TestWindow(L"HuevaneNavigationHost", 129, 257) {}
};

struct BarRow {
  const wchar_t* name;
  int left;
  int width;
  const wchar_t* hint;
  bool showHint;
  int tabOrder;
};

// Like the main window: the fourth bar stands in the middle but comes last.
// Two bars have their hint switched off or empty.
const BarRow kBars[] = {
    {L"ScrollBar1", 0, 17, L"Red Start", true, 0},
    {L"ScrollBar2", 16, 17, L"Green Start", true, 1},
    {L"ScrollBar3", 32, 17, L"Blue Start", false, 2},
    {L"ScrollBar7", 48, 33, L"Style", true, 6},
    {L"ScrollBar4", 80, 17, L"Red End", true, 3},
    {L"ScrollBar5", 96, 17, L"", true, 4},
    {L"ScrollBar6", 112, 17, L"Blue End", true, 5},
};
// The bars' names in the order Tab visits them.
const std::vector<std::wstring> kTabOrder = {L"ScrollBar1", L"ScrollBar2", L"ScrollBar3",
                                             L"ScrollBar4", L"ScrollBar5", L"ScrollBar6",
                                             L"ScrollBar7"};

struct NavigationFixture : ::testing::Test {
  toolkit::Application app{L"Huevane"};
  Host host;

  void SetUp() override {
    std::vector<toolkit::ComponentDesign> design;
    for (const BarRow& bar : kBars) {
      design.push_back({bar.name,
                        toolkit::MakeControl<toolkit::TScrollBar>,
                        {{L"Left", bar.left},
                         {L"Top", 0},
                         {L"Width", bar.width},
                         {L"Height", 257},
                         {L"Hint", std::wstring(bar.hint)},
                         {L"ShowHint", bar.showHint},
                         {L"Max", 255},
                         {L"Position", 100},
                         {L"TabOrder", bar.tabOrder}},
                        {}});
    }
    toolkit::ApplyLayout(host, design);
  }

  toolkit::TScrollBar& Bar(const std::wstring& name) {
    auto* bar = dynamic_cast<toolkit::TScrollBar*>(host.FindComponent(name));
    if (bar == nullptr) throw std::logic_error("no such bar");
    return *bar;
  }
  std::wstring NameOf(HWND handle) {
    auto* bar = dynamic_cast<toolkit::TScrollBar*>(toolkit::TWinControl::FromHandle(handle));
    return bar == nullptr ? L"(not a bar)" : bar->Name();
  }
  // A key as the loop receives it from the system: queued for the focused
  // window, then handled by Application::ProcessMessage.
  void Press(WPARAM key) {
    HWND focus = GetFocus();
    for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
      MSG queued{};
      queued.hwnd = focus;
      queued.message = message;
      queued.wParam = key;
      queued.lParam = message == WM_KEYUP ? static_cast<LPARAM>(0xC0000001) : 1;
      app.ProcessMessage(queued);
    }
  }
  void Activate() {
    ShowWindow(host.Handle(), SW_SHOW);
    SetActiveWindow(host.Handle());
    SetFocus(Bar(L"ScrollBar1").Handle());
  }
};

TEST_F(NavigationFixture, EachBarWithAHintShownGetsItsOwnTooltip) {
  for (const BarRow& row : kBars) {
    SCOPED_TRACE(testing::Message() << std::string(row.name, row.name + 10));
    toolkit::TScrollBar& bar = Bar(row.name);
    const bool expected = row.showHint && row.hint[0] != L'\0';
    HWND tooltip = test::TooltipOf(bar.Handle());
    ASSERT_EQ(tooltip != nullptr, expected);
    if (!expected) continue;
    EXPECT_EQ(GetWindow(tooltip, GW_OWNER), host.Handle());
    EXPECT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
    // The tool is the bar itself, and its text the hint.
    wchar_t text[80] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = host.Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(bar.Handle());
    tool.lpszText = text;
    ASSERT_TRUE(SendMessageW(tooltip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)));
    EXPECT_STREQ(text, row.hint);
  }
}

TEST_F(NavigationFixture, AHintsTooltipLivesAsLongAsItsHint) {
  // A control of the test's own, so that no hint of the layout answers for it.
  HWND control = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                                 host.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(control, nullptr);
  HWND first = nullptr;
  {
    toolkit::Hint hint;
    ASSERT_TRUE(hint.Attach(control, L"Blue Start"));
    first = test::TooltipOf(control);
    ASSERT_TRUE(IsWindow(first));
    // A new text replaces the tooltip; an empty one removes it.
    ASSERT_TRUE(hint.Attach(control, L"Blue"));
    EXPECT_FALSE(IsWindow(first));
    first = test::TooltipOf(control);
    ASSERT_TRUE(IsWindow(first));
    ASSERT_TRUE(hint.Attach(control, L""));
    EXPECT_EQ(test::TooltipOf(control), nullptr);
    EXPECT_FALSE(IsWindow(first));
    ASSERT_TRUE(hint.Attach(control, L"Blue Start"));
    first = test::TooltipOf(control);
  }
  EXPECT_FALSE(IsWindow(first));
  DestroyWindow(control);
}

TEST_F(NavigationFixture, TabAndShiftTabVisitTheBarsInTabOrder) {
  Activate();
  ASSERT_EQ(GetFocus(), Bar(L"ScrollBar1").Handle());
  std::vector<std::wstring> visited{NameOf(GetFocus())};
  for (std::size_t i = 0; i < kTabOrder.size(); ++i) {
    Press(VK_TAB);
    visited.push_back(NameOf(GetFocus()));
  }
  std::vector<std::wstring> expected = kTabOrder;
  expected.push_back(kTabOrder.front());  // round again
  EXPECT_EQ(visited, expected);

  // Backwards with Shift held: from ScrollBar1 to the last one, the style bar.
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  Press(VK_TAB);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(NameOf(GetFocus()), L"ScrollBar7");
}

TEST_F(NavigationFixture, ArrowAndPageKeysStillMoveTheFocusedBar) {
  Activate();
  std::vector<int> changes;
  toolkit::TScrollBar& bar = Bar(L"ScrollBar2");
  bar.OnChange = [&] { changes.push_back(bar.Position()); };
  Press(VK_TAB);
  ASSERT_EQ(GetFocus(), bar.Handle());
  const WPARAM keys[] = {VK_DOWN, VK_DOWN, VK_UP,   VK_NEXT, VK_PRIOR,
                         VK_END,  VK_HOME, VK_LEFT, VK_RIGHT};
  for (WPARAM key : keys) Press(key);
  EXPECT_EQ(changes, (std::vector<int>{101, 102, 101, 102, 101, 255, 0, 1}));
  EXPECT_EQ(GetFocus(), bar.Handle());  // no arrow moved the focus away
}

std::vector<WPARAM> commandsSeen;
WNDPROC hostProcedure = nullptr;

LRESULT CALLBACK CommandSpy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) commandsSeen.push_back(wParam);
  return CallWindowProcW(hostProcedure, window, message, wParam, lParam);
}

TEST_F(NavigationFixture, EnterAndEscapeSendNoCommandToTheWindow) {
  Activate();
  // The dialog manager would turn Enter into IDOK and Escape into IDCANCEL,
  // sent to the window as WM_COMMAND.
  commandsSeen.clear();
  hostProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(host.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CommandSpy)));
  Press(VK_RETURN);
  Press(VK_ESCAPE);
  SetWindowLongPtrW(host.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hostProcedure));
  EXPECT_TRUE(commandsSeen.empty());
  EXPECT_EQ(GetFocus(), Bar(L"ScrollBar1").Handle());
}

}  // namespace
