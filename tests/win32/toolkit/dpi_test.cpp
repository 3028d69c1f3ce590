// A window's font, made from its design for the display, is the window's
// to the end, even when the window never is. How the windows look on
// denser displays is win32_app_tests' Densities.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "toolkit/form.h"

namespace {

TEST(Dpi, AFormWhoseLayoutIsRefusedLeavesNoFontBehind) {
  HFONT seen = nullptr;
  const toolkit::ComponentDesign layout[] = {
      {L"Probe",
       [&seen](toolkit::Component& owner, const toolkit::Place&) {
         seen = static_cast<toolkit::TForm&>(owner).Font();
         return std::make_unique<toolkit::Component>(&owner);
       },
       {{L"NoSuchProperty", 1}},
       {}},
  };
  toolkit::FormDesign design;
  design.className = L"HuevaneRefusedForm";
  design.clientWidth = 100;
  design.clientHeight = 50;
  EXPECT_THROW(toolkit::TForm(design, layout), std::invalid_argument);
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(GetObjectType(seen), 0u);
}

}  // namespace
