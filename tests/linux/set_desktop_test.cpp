// huevane-render --set through the desktops' own settings, against the real
// thing where it runs here: GNOME's schema through gsettings and its keyfile
// backend, XFCE's xfconfd on a private D-Bus session. KDE and sway need
// their running desktops, which these tests cannot start.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "session.h"

namespace {

using namespace set_test;

const std::vector<std::string> kColours = {"--start",  "250,10,128", "--end",
                                           "3,240,60", "--style",    "3"};

std::vector<std::string> SetArgs(std::vector<std::string> extra) {
  std::vector<std::string> args = {RenderExecutable().string(), "--set"};
  args.insert(args.end(), kColours.begin(), kColours.end());
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// The pictures kept for the desktop.
std::set<fs::path> Kept(const fs::path& folder) {
  std::set<fs::path> files;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(folder, ignored)) files.insert(entry.path());
  return files;
}

Picture Expected(int width, int height, const Scratch& scratch) {
  const fs::path file = scratch.path() / "expected.bmp";
  std::vector<std::string> args = {RenderExecutable().string(), "--size",
                                   std::to_string(width) + "x" + std::to_string(height), "--out",
                                   file.string()};
  args.insert(args.end(), kColours.begin(), kColours.end());
  EXPECT_EQ(Spawn(args, {}).exitCode, 0);
  return ReadBmp(file);
}

TEST(SetGnome, TheRealSchemaNamesANewPictureEachRunAndTheEarlierOneGoes) {
  const Scratch scratch;
  const fs::path folder = scratch.path() / "data" / "huevane";
  const std::vector<std::string> env = {"PATH=/usr/bin:/bin",
                                        "HOME=" + scratch.path().string(),
                                        "XDG_CONFIG_HOME=" + (scratch.path() / "config").string(),
                                        "XDG_DATA_HOME=" + (scratch.path() / "data").string(),
                                        "GSETTINGS_BACKEND=keyfile",
                                        "XDG_CURRENT_DESKTOP=ubuntu:GNOME"};
  const auto get = [&](const std::string& key) {
    return Spawn({"/usr/bin/gsettings", "get", "org.gnome.desktop.background", key}, env).out;
  };
  const auto uri = [](const fs::path& file) { return "'file://" + file.string() + "'\n"; };

  Outcome outcome = Spawn(SetArgs({"--size", "64x48"}), env);
  EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
  EXPECT_EQ(outcome.err, "");
  const std::set<fs::path> first = Kept(folder);
  ASSERT_EQ(first.size(), 1u);
  const fs::path firstFile = *first.begin();
  EXPECT_EQ(get("picture-uri"), uri(firstFile));
  EXPECT_EQ(get("picture-uri-dark"), uri(firstFile));
  EXPECT_EQ(get("picture-options"), "'centered'\n");
  const Picture expected = Expected(64, 48, scratch);
  EXPECT_EQ(ReadBmp(firstFile).rgb, expected.rgb);

  // Without --size, the size of the X root.
  const Xvfb server({"80x60x24"});
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  std::vector<std::string> withDisplay = env;
  withDisplay.push_back("DISPLAY=" + server.display());
  outcome = Spawn(SetArgs({}), withDisplay);
  EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
  const std::set<fs::path> second = Kept(folder);
  ASSERT_EQ(second.size(), 1u) << "the earlier picture was not removed";
  const fs::path secondFile = *second.begin();
  EXPECT_NE(secondFile, firstFile) << "GNOME draws nothing new for a name it has shown";
  EXPECT_EQ(get("picture-uri"), uri(secondFile));
  EXPECT_EQ(get("picture-uri-dark"), uri(secondFile));
  EXPECT_EQ(ReadBmp(secondFile).rgb, Expected(80, 60, scratch).rgb);

  // No gsettings: the setting stays, the new picture is kept, and the
  // message says how to set it by hand.
  std::vector<std::string> noTool = env;
  noTool.front() = "PATH=" + (scratch.path() / "empty").string();
  outcome = Spawn(SetArgs({"--size", "64x48"}), noTool);
  EXPECT_EQ(outcome.exitCode, 3);
  EXPECT_NE(outcome.err.find("gsettings was not found"), std::string::npos) << outcome.err;
  EXPECT_NE(outcome.err.find(
                "to set it: gsettings set org.gnome.desktop.background picture-uri \"'file://"),
            std::string::npos)
      << outcome.err;
  EXPECT_EQ(get("picture-uri"), uri(secondFile));
  EXPECT_EQ(Kept(folder).size(), 2u);

  // No --size and no display to take it from: nothing made, nothing changed.
  outcome = Spawn(SetArgs({}), env);
  EXPECT_EQ(outcome.exitCode, 3);
  EXPECT_NE(outcome.err.find("the screen's size is unknown (DISPLAY is not set"), std::string::npos)
      << outcome.err;
  EXPECT_TRUE(outcome.err.ends_with("): give --size\n")) << outcome.err;
  EXPECT_EQ(Kept(folder).size(), 2u);
}

// `xfconf-query -lv` lines: property, spaces, value.
std::map<std::string, std::string> Properties(std::istringstream& lines, const std::string& end) {
  std::map<std::string, std::string> properties;
  std::string line;
  while (std::getline(lines, line) && line != end) {
    const std::size_t space = line.find(' ');
    const std::size_t value = line.find_first_not_of(' ', space);
    if (space == std::string::npos) continue;
    properties[line.substr(0, space)] = value == std::string::npos ? "" : line.substr(value);
  }
  return properties;
}

struct XfceCase {
  const char* what;
  std::vector<std::string> made;      // last-image properties there before
  std::vector<std::string> expected;  // last-image properties that must name the picture
};

TEST(SetXfce, EveryBackdropImageOfARealXfconfdNamesThePicture) {
  const std::string base = "/backdrop/screen0/";
  const std::vector<XfceCase> cases = {
      {"two monitors, three workspaces",
       {base + "monitorVirtual1/workspace0/last-image",
        base + "monitorVirtual1/workspace1/last-image",
        base + "monitorHDMI-1/workspace0/last-image"},
       {base + "monitorVirtual1/workspace0/last-image",
        base + "monitorVirtual1/workspace1/last-image",
        base + "monitorHDMI-1/workspace0/last-image"}},
      {"a desktop that never had a picture", {}, {base + "monitor0/workspace0/last-image"}},
  };
  for (const XfceCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Scratch scratch;
    // One private bus for the whole exchange; xfconfd is started on it by
    // D-Bus activation and ends with it.
    std::string script = "set -e; q() { xfconf-query -c xfce4-desktop \"$@\"; }; ";
    script += "q -p /backdrop/single-workspace-mode -n -t bool -s true; ";
    for (const std::string& property : c.made) {
      script += "q -p " + property + " -n -t string -s /usr/share/old.png; ";
    }
    script += "set +e; for run in 1 2; do \"$0\" --set --size 40x30 " +
              std::string("--start 250,10,128 --end 3,240,60 --style 3; ") +
              "echo \"status $?\"; q -lv; echo files; " +
              "for f in \"$XDG_DATA_HOME\"/huevane/*; do echo \"$f\"; done; echo end; done";
    const Outcome outcome = Spawn(
        {"/usr/bin/dbus-run-session", "--", "/bin/sh", "-c", script, RenderExecutable().string()},
        {"PATH=/usr/bin:/bin", "HOME=" + scratch.path().string(),
         "XDG_CONFIG_HOME=" + (scratch.path() / "config").string(),
         "XDG_DATA_HOME=" + (scratch.path() / "data").string(), "XDG_CURRENT_DESKTOP=XFCE"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.out << outcome.err;

    std::istringstream lines(outcome.out);
    std::string previous;
    for (int run = 1; run <= 2; ++run) {
      SCOPED_TRACE("run " + std::to_string(run));
      std::string status;
      std::getline(lines, status);
      EXPECT_EQ(status, "status 0") << outcome.out << outcome.err;
      const std::map<std::string, std::string> properties = Properties(lines, "files");
      std::set<fs::path> kept;
      for (std::string file; std::getline(lines, file) && file != "end";) kept.insert(file);
      std::set<std::string> named;
      std::set<std::string> pictures;
      for (const auto& [property, value] : properties) {
        if (!property.ends_with("/last-image")) continue;
        named.insert(property);
        pictures.insert(value);
        const std::string style = property.substr(0, property.rfind('/')) + "/image-style";
        EXPECT_EQ(properties.count(style) ? properties.at(style) : "", "1") << style;
      }
      EXPECT_EQ(named, std::set<std::string>(c.expected.begin(), c.expected.end()));
      ASSERT_EQ(pictures.size(), 1u) << "the workspaces name different pictures";
      const std::string picture = *pictures.begin();
      EXPECT_EQ(properties.count("/backdrop/single-workspace-mode")
                    ? properties.at("/backdrop/single-workspace-mode")
                    : "",
                "true");
      EXPECT_EQ(kept, std::set<fs::path>{picture}) << "the earlier picture was not removed";
      EXPECT_NE(picture, previous);
      previous = picture;
    }
    EXPECT_EQ(ReadBmp(previous).rgb, Expected(40, 30, scratch).rgb);
  }
}

}  // namespace
