// The application object: an error escaping a handler shown in an error box
// titled with the application's title while the loop goes on, and the end of
// the loop. The pre-dispatch filter is exercised through the system-menu
// merger, which chains onto it (sysmenu_component_test.cpp).

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/pump.h"
#include "support/test_window.h"
#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/window.h"

namespace {

constexpr UINT kPing = WM_APP + 1;   // counted by the window
constexpr UINT kThrow = WM_APP + 2;  // makes the window's handler fail

class ProbeWindow : public test::TestWindow {
 public:
  ProbeWindow() : TestWindow(L"HuevaneProbeWindow", 50, 50) {}
  int pings = 0;

 protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kPing) {
      ++pings;
      return 0;
    }
    if (message == kThrow) throw std::runtime_error("Something went wrong in a handler");
    return Window::WndProc(message, wParam, lParam);
  }
};

struct ErrorBoxes {
  std::vector<std::pair<std::wstring, std::wstring>> shown;  // title, text
  toolkit::Application::ErrorBox Recorder() {
    return [this](const std::wstring& title, const std::wstring& text) {
      shown.emplace_back(title, text);
    };
  }
};

TEST(Application, AnErrorEscapingAHandlerIsShownAndTheLoopGoesOn) {
  toolkit::Application app(L"Huevane");
  ErrorBoxes boxes;
  app.SetErrorBox(boxes.Recorder());
  ProbeWindow window;

  PostMessageW(window.Handle(), kThrow, 0, 0);
  PostMessageW(window.Handle(), kPing, 0, 0);
  test::MessagePump{app}();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].first, L"Huevane");
  EXPECT_EQ(boxes.shown[0].second, L"Something went wrong in a handler");
  EXPECT_EQ(window.pings, 1);  // the message after the failing one was handled

  // A sent message that fails is caught the same way.
  SendMessageW(window.Handle(), kThrow, 0, 0);
  EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST(Application, TerminateEndsTheLoopOnceTheQueueIsHandled) {
  toolkit::Application app(L"Huevane");
  ProbeWindow window;
  app.Terminate();
  PostMessageW(window.Handle(), kPing, 0, 0);
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(window.pings, 1);
}

TEST(Application, DestroyingTheMainFormEndsTheLoopAndAnyOtherFormDoesNot) {
  toolkit::Application app(L"Huevane");
  toolkit::FormDesign design;
  design.className = L"HuevaneForm";
  toolkit::TForm other(design, {}), main(design, {});
  app.SetMainWindow(main.Handle());
  test::MessagePump pump{app};
  DestroyWindow(other.Handle());
  pump();
  EXPECT_FALSE(pump.QuitSeen());
  DestroyWindow(main.Handle());
  pump();
  EXPECT_TRUE(pump.QuitSeen());
}

}  // namespace
