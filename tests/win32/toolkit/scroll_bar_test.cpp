// The scroll bar over the platform's control: what the user's keys and the
// control's notifications do to its position and its change event.

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "support/test_window.h"
#include "toolkit/application.h"
#include "toolkit/layout.h"
#include "toolkit/scroll_bar.h"
#include "toolkit/window.h"

namespace {

class Host : public test::TestWindow {
 public:
  Host() : TestWindow(L"HuevaneScrollHost", 100, 300) {}
};

// A bar that notes where its native window stood when it was made.
struct MadeBar : toolkit::TScrollBar {
  MadeBar(toolkit::Window& owner, const toolkit::Place& place) : TScrollBar(owner, place) {
    GetWindowRect(Handle(), &made);
    MapWindowPoints(nullptr, owner.Handle(), reinterpret_cast<POINT*>(&made), 2);
  }
  RECT made{};
};

struct BarFixture : ::testing::Test {
  toolkit::Application app{L"Huevane"};
  Host host;
  MadeBar* bar = nullptr;
  std::vector<int> changes;  // the position at each change event

  void SetUp() override {
    const toolkit::ComponentDesign design[] = {{L"ScrollBar1",
                                                toolkit::MakeControl<MadeBar>,
                                                {{L"Left", 16},
                                                 {L"Top", 0},
                                                 {L"Width", 17},
                                                 {L"Height", 257},
                                                 {L"Max", 255},
                                                 {L"Position", 254},
                                                 {L"SmallChange", 1},
                                                 {L"LargeChange", 1}},
                                                {}}};
    toolkit::ApplyLayout(host, design);
    bar = dynamic_cast<MadeBar*>(host.FindComponent(L"ScrollBar1"));
    ASSERT_NE(bar, nullptr);
    bar->OnChange = [this] { changes.push_back(bar->Position()); };
  }

  void Key(WPARAM key) {
    SendMessageW(bar->Handle(), WM_KEYDOWN, key, 0);
    SendMessageW(bar->Handle(), WM_KEYUP, key, 0);
  }
  void Notify(int code, int thumb = 0) {
    SendMessageW(host.Handle(), WM_VSCROLL, MAKEWPARAM(code, thumb),
                 reinterpret_cast<LPARAM>(bar->Handle()));
  }
  std::vector<COLORREF> Column() {  // the bar's middle column on the screen
    std::vector<COLORREF> column;
    const HDC dc = GetDC(bar->Handle());
    for (int y = 0; y < 257; ++y) column.push_back(GetPixel(dc, 8, y));
    ReleaseDC(bar->Handle(), dc);
    return column;
  }
  int NativePosition() {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(bar->Handle(), SB_CTL, &info);
    return info.nPos;
  }
};

TEST_F(BarFixture, KeysMoveOneStepAndStopAtTheEnds) {
  EXPECT_EQ(NativePosition(), 254);              // as the layout left it
  ShowWindow(host.Handle(), SW_SHOWNOACTIVATE);  // shown, each move is drawn at once
  UpdateWindow(host.Handle());
  Key(VK_DOWN);   // 254 -> 255
  Key(VK_DOWN);   // at the maximum: nothing
  Key(VK_NEXT);   // page down at the maximum: nothing
  Key(VK_UP);     // 254
  Key(VK_PRIOR);  // 253
  Key(VK_HOME);   // 0
  Key(VK_HOME);   // nothing
  Key(VK_UP);     // nothing
  Key(VK_END);    // 255
  EXPECT_EQ(changes, (std::vector<int>{255, 254, 253, 0, 255}));
  EXPECT_EQ(NativePosition(), 255);
  // What the bar shows is what it draws afresh: no move was left undrawn.
  Key(VK_HOME);
  const std::vector<COLORREF> shown = Column();
  RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(shown, Column());
}

TEST_F(BarFixture, ThumbPositionsWhileDraggingAndTheFinalOne) {
  Notify(SB_THUMBTRACK, 10);
  Notify(SB_THUMBTRACK, 11);
  Notify(SB_THUMBTRACK, 11);  // reported again: no new position
  Notify(SB_THUMBPOSITION, 12);
  Notify(SB_ENDSCROLL);
  EXPECT_EQ(changes, (std::vector<int>{10, 11, 12}));
  EXPECT_EQ(NativePosition(), 12);
}

TEST_F(BarFixture, ADesignedPositionIsClampedAndRaisesNothing) {
  bar->SetDesignValue(L"Position", 400);
  EXPECT_EQ(bar->Position(), 255);
  bar->SetDesignValue(L"Position", -5);
  EXPECT_EQ(bar->Position(), 0);
  EXPECT_EQ(NativePosition(), 0);
  bar->SetDesignValue(L"Position", 200);
  bar->SetDesignValue(L"Max", 5);  // a smaller range takes the position with it
  EXPECT_EQ(bar->Position(), 5);
  EXPECT_EQ(NativePosition(), 5);
  EXPECT_TRUE(changes.empty());
}

// Made where its layout places it, or, outside a layout, placed by Loaded.
TEST_F(BarFixture, StandsWhereItsBoundsSay) {
  EXPECT_EQ(std::vector<LONG>({bar->made.left, bar->made.top, bar->made.right, bar->made.bottom}),
            std::vector<LONG>({16, 0, 33, 257}))
      << "made elsewhere and moved";
  toolkit::TScrollBar loose(host);
  loose.SetBounds(40, 5, 17, 100);
  loose.Loaded();
  RECT frames[2]{};
  for (int i : {0, 1}) GetWindowRect(i ? loose.Handle() : bar->Handle(), &frames[i]);
  MapWindowPoints(nullptr, host.Handle(), reinterpret_cast<POINT*>(frames), 4);
  EXPECT_EQ(std::vector<LONG>({frames[0].left, frames[0].top, frames[0].right, frames[0].bottom,
                               frames[1].left, frames[1].top, frames[1].right, frames[1].bottom}),
            std::vector<LONG>({16, 0, 33, 257, 40, 5, 57, 105}));
}

TEST_F(BarFixture, NotificationsFromOtherControlsAreLeftToTheSystem) {
  HWND button = CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD, 0, 0, 10, 10, host.Handle(), nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  SendMessageW(host.Handle(), WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0),
               reinterpret_cast<LPARAM>(button));
  EXPECT_TRUE(changes.empty());
  DestroyWindow(button);
}

}  // namespace
