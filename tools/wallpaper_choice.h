// Which desktop --set talks to, and where the desktops' picture file is
// kept: plain decisions over the session's variables, so every case can be
// tested without a desktop.
#pragma once

#include <optional>
#include <string>

#include "tools/render_args.h"

namespace wallpaper_choice {

// The variables a session sets; an unset one is empty.
struct Session {
  std::string currentDesktop;  // XDG_CURRENT_DESKTOP, e.g. "ubuntu:GNOME"
  std::string sessionType;     // XDG_SESSION_TYPE: "x11", "wayland", "tty"
  std::string waylandDisplay;  // WAYLAND_DISPLAY
  std::string display;         // DISPLAY
  std::string dataHome;        // XDG_DATA_HOME
  std::string home;            // HOME
};

// The process's own.
Session ThisSession();

struct Choice {
  // None when no target can be trusted; `problem` then says why, on one line.
  render_args::SetTarget target = render_args::SetTarget::None;
  std::string problem;
};

// What --set=`asked` sets in `session`. A named target is taken as it is;
// auto follows the first desktop of XDG_CURRENT_DESKTOP it knows, a window
// manager that shows the X root going to x11 in an X session only, and with
// no desktop named, an X session with a display goes to x11. A Wayland
// session (XDG_SESSION_TYPE=wayland or WAYLAND_DISPLAY set) never goes to
// x11 by itself: XWayland's root is not what its user sees.
Choice ChooseTarget(render_args::SetTarget asked, const Session& session);

// The folder of our own under $XDG_DATA_HOME (an absolute one), or else
// under $HOME/.local/share; nothing without either.
std::optional<std::string> PictureFolder(const Session& session);

// Whether `name` is one of the names the pictures in that folder get:
// "wallpaper-" and digits, ".bmp".
bool IsPictureName(const std::string& name);

// The name for a picture made `nanoseconds` after the epoch; later times
// give names that sort later.
std::string PictureName(unsigned long long nanoseconds);

// `path`, an absolute path, as a file:// URI: every byte but letters,
// digits, "-._~" and "/" percent-encoded, so it can also sit inside single
// quotes.
std::string FileUri(const std::string& path);

}  // namespace wallpaper_choice
