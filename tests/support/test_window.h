// A plain top-level toolkit window for tests, created hidden.
#pragma once

#include "toolkit/window.h"

namespace test {

class TestWindow : public toolkit::Window {
 public:
  TestWindow(const wchar_t* className, int clientWidth, int clientHeight) {
    toolkit::CreateArgs args;
    args.className = className;
    args.caption = className;
    args.clientWidth = clientWidth;
    args.clientHeight = clientHeight;
    CreateHandle(args);
  }
};

}  // namespace test
