// huevane-render --set=x11 against a real X server (Xvfb): what the root
// shows is read back and compared with the picture, pixel for pixel.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "session.h"

namespace {

using namespace set_test;

// The environment of a run: a display, and nothing that names a desktop.
std::vector<std::string> Env(const std::string& display, const Scratch& home) {
  return {"PATH=/usr/bin:/bin", "HOME=" + home.path().string(), "DISPLAY=" + display};
}

std::vector<std::string> Colours(const std::string& start, const std::string& end,
                                 const std::string& style) {
  return {"--start", start, "--end", end, "--style", style};
}

Outcome Render(std::vector<std::string> args, const std::vector<std::string>& env) {
  args.insert(args.begin(), RenderExecutable().string());
  return Spawn(args, env);
}

// The picture huevane-render writes at this size, as the reference.
Picture Expected(int width, int height, const std::vector<std::string>& colours,
                 const Scratch& scratch) {
  const fs::path file = scratch.path() / "expected.bmp";
  std::vector<std::string> args = {"--size", std::to_string(width) + "x" + std::to_string(height),
                                   "--out", file.string()};
  args.insert(args.end(), colours.begin(), colours.end());
  EXPECT_EQ(Render(args, {}).exitCode, 0);
  return ReadBmp(file);
}

// Whether `value`, the channel under `mask`, stands for `c` of 255 within
// half a step of the mask's own scale: exact for 8 bits.
bool Within(std::uint32_t pixel, std::uint32_t mask, std::uint8_t c) {
  const std::int64_t top = (std::int64_t{1} << std::popcount(mask)) - 1;
  const std::int64_t value = (pixel & mask) >> std::countr_zero(mask);
  const std::int64_t off = value * 255 - std::int64_t{c} * top;
  return 2 * (off < 0 ? -off : off) <= 255;
}

struct DisplayCase {
  std::vector<std::string> screens;
  std::vector<std::string> colours;
};

TEST(SetX11, EveryScreenShowsItsOwnPictureExactlyNamedByBothProperties) {
  const std::vector<DisplayCase> cases = {
      {{"1024x768x24", "3840x2160x16"}, Colours("250,10,128", "3,240,60", "0")},
      {{"3840x2160x24", "1024x768x16"}, Colours("255,0,0", "0,0,255", "5")},
      // Depth 30's ten bits; a width that is no multiple of four pixels.
      {{"640x480x30", "1366x767x24"}, Colours("17,200,99", "240,3,180", "3")},
  };
  for (const DisplayCase& c : cases) {
    SCOPED_TRACE(c.screens.front() + " and " + std::to_string(c.screens.size() - 1) + " more");
    const Xvfb server(c.screens);
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    const Scratch scratch;
    std::vector<std::string> args = {"--set=x11"};
    args.insert(args.end(), c.colours.begin(), c.colours.end());
    const Outcome outcome = Render(args, Env(server.display(), scratch));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");

    XClient client(server.display());
    ASSERT_TRUE(client.ok());
    ASSERT_EQ(client.ScreenCount(), static_cast<int>(c.screens.size()));
    for (int screen = 0; screen < client.ScreenCount(); ++screen) {
      SCOPED_TRACE("screen " + c.screens[static_cast<std::size_t>(screen)]);
      int width = 0, height = 0;
      const std::vector<std::uint32_t> shown = client.RootPixels(screen, width, height);
      const Picture expected = Expected(width, height, c.colours, scratch);
      ASSERT_EQ(expected.width, width);
      ASSERT_EQ(expected.height, height);
      ASSERT_EQ(shown.size(), static_cast<std::size_t>(width) * height);
      std::uint32_t red = 0, green = 0, blue = 0;
      client.Masks(screen, red, green, blue);
      std::size_t wrong = 0;
      for (std::size_t i = 0; i < shown.size(); ++i) {
        const std::uint8_t* want = &expected.rgb[3 * i];
        if (Within(shown[i], red, want[0]) && Within(shown[i], green, want[1]) &&
            Within(shown[i], blue, want[2])) {
          continue;
        }
        if (wrong++ == 0) {
          ADD_FAILURE() << "first wrong pixel at " << i % width << "," << i / width << ": 0x"
                        << std::hex << shown[i] << std::dec << " for " << int{want[0]} << ","
                        << int{want[1]} << "," << int{want[2]};
        }
      }
      EXPECT_EQ(wrong, 0u);

      const xcb_pixmap_t named = client.Property(screen, "_XROOTPMAP_ID");
      EXPECT_NE(named, 0u);
      EXPECT_EQ(client.Property(screen, "ESETROOT_PMAP_ID"), named);
      const XClient::Geometry geometry = client.GeometryOf(named);
      EXPECT_EQ(geometry.width, width);
      EXPECT_EQ(geometry.height, height);
      EXPECT_EQ(std::to_string(geometry.depth),
                c.screens[static_cast<std::size_t>(screen)].substr(
                    c.screens[static_cast<std::size_t>(screen)].rfind('x') + 1));
    }
  }
}

// Each run frees the pixmap the one before it left, so the server holds one
// of ours however often it runs.
TEST(SetX11, EachRunFreesTheEarlierRunsPixmapSoRunsLeakNothing) {
  const Xvfb server({"48x32x24"});
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  const Scratch scratch;
  const std::vector<std::string> env = Env(server.display(), scratch);
  std::vector<std::string> args = {"--set=x11"};
  for (const std::string& word : Colours("9,8,7", "200,100,50", "1")) args.push_back(word);
  XClient client(server.display());
  ASSERT_TRUE(client.ok());
  const int pixmapsBefore = client.PixmapCount();
  ASSERT_GE(pixmapsBefore, 0) << "no X-Resource extension";

  ASSERT_EQ(Render(args, env).exitCode, 0);
  const xcb_pixmap_t first = client.Property(0, "_XROOTPMAP_ID");
  EXPECT_EQ(client.GeometryOf(first).width, 48);
  EXPECT_EQ(client.PixmapCount(), pixmapsBefore + 1);
  const int clientsAfterOne = client.ClientCount();

  ASSERT_EQ(Render(args, env).exitCode, 0);
  const xcb_pixmap_t second = client.Property(0, "_XROOTPMAP_ID");
  EXPECT_NE(second, first);
  EXPECT_EQ(client.GeometryOf(first).width, 0) << "the first run's pixmap is still there";
  EXPECT_EQ(client.GeometryOf(second).width, 48);

  for (int run = 3; run <= 1000; ++run) {
    const Outcome outcome = Render(args, env);
    ASSERT_EQ(outcome.exitCode, 0) << "run " << run << ": " << outcome.err;
  }
  EXPECT_EQ(client.PixmapCount(), pixmapsBefore + 1);
  EXPECT_EQ(client.ClientCount(), clientsAfterOne);
}

struct RefusedCase {
  const char* what;
  std::vector<std::string> env;    // besides PATH and HOME
  std::vector<std::string> extra;  // besides the colours
  std::vector<std::string> mentions;
  bool eightBit = false;
};

// Where the wallpaper cannot or must not be set: exit status 3 and a
// message that says why; the file asked for is written all the same, and
// the X server is left exactly as it was.
TEST(SetX11, RefusesWithAReasonAndChangesNothing) {
  const Xvfb server({"320x200x24"});
  const Xvfb eightBit({"320x200x8"});
  ASSERT_FALSE(server.display().empty() || eightBit.display().empty()) << "Xvfb did not start";
  const std::string d = "DISPLAY=" + server.display();
  const std::vector<RefusedCase> cases = {
      {"a colormapped root",
       {},
       {"--set=x11"},
       {"screen 0 (depth 8)", "PseudoColor", "TrueColor"},
       true},
      {"no DISPLAY", {}, {"--set=x11"}, {"DISPLAY is not set"}},
      {"no X server there", {"DISPLAY=:64999"}, {"--set=x11"}, {"':64999'", "cannot connect"}},
      {"a Wayland session", {d, "XDG_SESSION_TYPE=wayland"}, {"--set"}, {"Wayland", "--set="}},
      {"a Wayland display", {d, "WAYLAND_DISPLAY=wayland-0"}, {"--set=auto"}, {"Wayland"}},
      {"a window manager of X in a Wayland session",
       {d, "XDG_CURRENT_DESKTOP=i3", "XDG_SESSION_TYPE=wayland"},
       {"--set"},
       {"'i3'", "Wayland"}},
      {"an unknown desktop",
       {d, "XDG_CURRENT_DESKTOP=Frobnicator"},
       {"--set"},
       {"'Frobnicator'", "--set=x11"}},
  };
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Scratch scratch;
    std::vector<std::string> env = {"PATH=/usr/bin:/bin", "HOME=" + scratch.path().string()};
    if (c.eightBit) env.push_back("DISPLAY=" + eightBit.display());
    env.insert(env.end(), c.env.begin(), c.env.end());
    const std::string& watched = c.eightBit ? eightBit.display() : server.display();
    XClient client(watched);
    ASSERT_TRUE(client.ok());
    const int pixmapsBefore = client.PixmapCount();

    const fs::path file = scratch.path() / "asked.bmp";
    std::vector<std::string> args = c.extra;
    for (const std::string& word : Colours("1,2,3", "4,5,6", "0")) args.push_back(word);
    args.insert(args.end(), {"--size", "16x8", "--out", file.string()});
    const Outcome outcome = Render(args, env);
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_TRUE(outcome.err.starts_with("huevane-render: the wallpaper was not set: "))
        << outcome.err;
    EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << "not one line: " << outcome.err;
    for (const std::string& mention : c.mentions) {
      EXPECT_NE(outcome.err.find(mention), std::string::npos)
          << "message: " << outcome.err << "lacks: " << mention;
    }
    EXPECT_EQ(ReadBmp(file).width, 16) << "the file asked for was not written";
    EXPECT_EQ(client.Property(0, "_XROOTPMAP_ID"), 0u);
    EXPECT_EQ(client.Property(0, "ESETROOT_PMAP_ID"), 0u);
    EXPECT_EQ(client.PixmapCount(), pixmapsBefore);
    EXPECT_FALSE(fs::exists(scratch.path() / ".local")) << "a picture was kept for no desktop";
  }
}

}  // namespace
