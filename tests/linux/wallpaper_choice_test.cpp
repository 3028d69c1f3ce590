#include "tools/wallpaper_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using render_args::SetTarget;
using wallpaper_choice::ChooseTarget;
using wallpaper_choice::Session;

struct ChoiceCase {
  SetTarget asked;
  Session session;
  SetTarget chosen;
  std::string mention;  // in the reason, when none is chosen
};

// XDG_CURRENT_DESKTOP, XDG_SESSION_TYPE, WAYLAND_DISPLAY, DISPLAY.
Session S(std::string desktop, std::string type, std::string wayland, std::string display) {
  return {std::move(desktop), std::move(type), std::move(wayland), std::move(display), "", ""};
}

TEST(ChooseTarget, FollowsTheSessionAndNeverTheXRootUnderWayland) {
  const std::vector<ChoiceCase> cases = {
      {SetTarget::Auto, S("ubuntu:GNOME", "wayland", "wayland-0", ":0"), SetTarget::Gnome, ""},
      {SetTarget::Auto, S("GNOME-Classic:GNOME", "x11", "", ":0"), SetTarget::Gnome, ""},
      {SetTarget::Auto, S("XFCE", "x11", "", ":0"), SetTarget::Xfce, ""},
      {SetTarget::Auto, S("KDE", "wayland", "wayland-0", ""), SetTarget::Kde, ""},
      {SetTarget::Auto, S("sway", "", "wayland-1", ""), SetTarget::Sway, ""},
      {SetTarget::Auto, S("i3", "x11", "", ":0"), SetTarget::X11, ""},
      {SetTarget::Auto, S("Unknown:openbox", "", "", ":1"), SetTarget::X11, ""},
      {SetTarget::Auto, S("", "", "", ":0"), SetTarget::X11, ""},
      {SetTarget::Auto, S("", "x11", "", ":0.1"), SetTarget::X11, ""},
      {SetTarget::Auto, S("i3", "wayland", "", ":0"), SetTarget::None, "Wayland"},
      {SetTarget::Auto, S("", "wayland", "", ":0"), SetTarget::None, "XDG_CURRENT_DESKTOP"},
      {SetTarget::Auto, S("", "", "wayland-0", ":0"), SetTarget::None, "Wayland"},
      {SetTarget::Auto, S("Hyprland", "wayland", "wayland-1", ""), SetTarget::None, "'Hyprland'"},
      {SetTarget::Auto, S("MATE", "x11", "", ":0"), SetTarget::None, "'MATE'"},
      {SetTarget::Auto, S("", "tty", "", ""), SetTarget::None, "DISPLAY"},
      {SetTarget::Auto, S("::", "", "", ":0"), SetTarget::None, "'::'"},
      // A named target is the user's choice, whatever the session.
      {SetTarget::X11, S("GNOME", "wayland", "wayland-0", ":0"), SetTarget::X11, ""},
      {SetTarget::Sway, S("", "", "", ""), SetTarget::Sway, ""},
  };
  for (const ChoiceCase& c : cases) {
    SCOPED_TRACE("'" + c.session.currentDesktop + "' '" + c.session.sessionType + "' '" +
                 c.session.waylandDisplay + "' '" + c.session.display + "'");
    const wallpaper_choice::Choice choice = ChooseTarget(c.asked, c.session);
    EXPECT_EQ(choice.target, c.chosen);
    EXPECT_EQ(choice.problem.empty(), c.chosen != SetTarget::None) << choice.problem;
    EXPECT_NE(choice.problem.find(c.mention), std::string::npos) << choice.problem;
  }
}

TEST(PictureFolder, IsOursUnderTheDataHomeOrTheHomesLocalShare) {
  EXPECT_EQ(wallpaper_choice::PictureFolder({"", "", "", "", "/d", "/h"}), "/d/huevane");
  EXPECT_EQ(wallpaper_choice::PictureFolder({"", "", "", "", "", "/h"}), "/h/.local/share/huevane");
  // A relative XDG_DATA_HOME is to be ignored.
  EXPECT_EQ(wallpaper_choice::PictureFolder({"", "", "", "", "rel", "/h"}),
            "/h/.local/share/huevane");
  EXPECT_EQ(wallpaper_choice::PictureFolder({"", "", "", "", "", ""}), std::nullopt);
}

TEST(PictureName, SortsByTimeAndIsTheOnlyNameCleanedUp) {
  const std::string early = wallpaper_choice::PictureName(999);
  const std::string late = wallpaper_choice::PictureName(1796704873014054081ull);
  EXPECT_LT(early, late);
  EXPECT_TRUE(wallpaper_choice::IsPictureName(early));
  EXPECT_TRUE(wallpaper_choice::IsPictureName(late));
  for (const char* other : {"wallpaper-.bmp", "wallpaper-12a.bmp", "wallpaper-12.png",
                            "my-wallpaper-12.bmp", "wallpaper-12.bmp~", "Huevane.Bmp"}) {
    EXPECT_FALSE(wallpaper_choice::IsPictureName(other)) << other;
  }
}

TEST(FileUri, EscapesAllButThePlainCharacters) {
  EXPECT_EQ(wallpaper_choice::FileUri("/home/a b/it's 100%/ü.bmp"),
            "file:///home/a%20b/it%27s%20100%25/%C3%BC.bmp");
  EXPECT_EQ(wallpaper_choice::FileUri("/x/A-z_0.9~"), "file:///x/A-z_0.9~");
}

}  // namespace
