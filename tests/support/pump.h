// Runs a test's application loop by hand: everything already queued goes
// through the application's filter and dispatch, without waiting, and a quit
// message (the loop's end) is noted instead of dispatched.
#pragma once

#include <windows.h>

#include "toolkit/application.h"

namespace test {

class MessagePump {
 public:
  explicit MessagePump(toolkit::Application& app) : app_(app) {}

  void operator()() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit_ = true;
        break;
      }
      app_.ProcessMessage(message);
    }
  }

  // Whether the loop would have ended by now.
  bool QuitSeen() const { return quit_; }

 private:
  toolkit::Application& app_;
  bool quit_ = false;
};

// The application's filter now, read by putting it back at once.
inline toolkit::MessageFilter CurrentFilter(toolkit::Application& app) {
  const toolkit::MessageFilter current = app.SetMessageFilter({});
  app.SetMessageFilter(current);
  return current;
}

}  // namespace test
