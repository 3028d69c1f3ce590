// The desktops' own wallpaper settings, changed through their own command-line
// programs (gsettings, xfconf-query, plasma-apply-wallpaperimage, swaymsg):
// the static program links no desktop library, and each desktop then hears
// of the change as it does from its settings panel.
#pragma once

#include <string>

#include "tools/render_args.h"

namespace desktop_settings {

struct Outcome {
  bool set = false;
  // Why not, on one line, naming the program and what it said.
  std::string problem;
  // The command a user could run to set it by hand, when that would help.
  std::string command;
};

// Makes `file` (an absolute path to a whole picture) the wallpaper of
// `target`: gnome, xfce, kde or sway.
Outcome Apply(render_args::SetTarget target, const std::string& file);

}  // namespace desktop_settings
