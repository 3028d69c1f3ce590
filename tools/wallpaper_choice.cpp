#include "tools/wallpaper_choice.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace wallpaper_choice {
namespace {

using render_args::SetTarget;

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

struct KnownDesktop {
  std::string_view name;  // as XDG_CURRENT_DESKTOP lists it, in lower case
  SetTarget target;
};

// Window managers that draw no desktop of their own, so the X root is what
// shows behind the windows.
constexpr std::array<KnownDesktop, 22> kDesktops{{
    {"gnome", SetTarget::Gnome},
    {"gnome-classic", SetTarget::Gnome},
    {"gnome-flashback", SetTarget::Gnome},
    {"xfce", SetTarget::Xfce},
    {"kde", SetTarget::Kde},
    {"sway", SetTarget::Sway},
    {"i3", SetTarget::X11},
    {"openbox", SetTarget::X11},
    {"fluxbox", SetTarget::X11},
    {"blackbox", SetTarget::X11},
    {"bspwm", SetTarget::X11},
    {"awesome", SetTarget::X11},
    {"dwm", SetTarget::X11},
    {"herbstluftwm", SetTarget::X11},
    {"icewm", SetTarget::X11},
    {"jwm", SetTarget::X11},
    {"xmonad", SetTarget::X11},
    {"qtile", SetTarget::X11},
    {"spectrwm", SetTarget::X11},
    {"fvwm", SetTarget::X11},
    {"windowmaker", SetTarget::X11},
    {"cwm", SetTarget::X11},
}};

std::optional<SetTarget> KnownTarget(std::string_view entry) {
  const std::string lower = Lower(entry);
  for (const KnownDesktop& known : kDesktops) {
    if (known.name == lower) return known.target;
  }
  return std::nullopt;
}

constexpr std::string_view kNameIt = ": name the target with --set=TARGET";

}  // namespace

Session ThisSession() {
  return {Variable("XDG_CURRENT_DESKTOP"), Variable("XDG_SESSION_TYPE"),
          Variable("WAYLAND_DISPLAY"),     Variable("DISPLAY"),
          Variable("XDG_DATA_HOME"),       Variable("HOME")};
}

Choice ChooseTarget(SetTarget asked, const Session& session) {
  if (asked != SetTarget::Auto) return {asked, {}};
  const bool wayland = session.sessionType == "wayland" || !session.waylandDisplay.empty();
  const std::string_view desktops = session.currentDesktop;
  std::size_t start = 0;
  while (start <= desktops.size() && !desktops.empty()) {
    const std::size_t end = std::min(desktops.find(':', start), desktops.size());
    if (const auto target = KnownTarget(desktops.substr(start, end - start))) {
      if (*target == SetTarget::X11 && wayland) break;
      return {*target, {}};
    }
    start = end + 1;
  }
  if (!desktops.empty()) {
    const std::string named = render_args::Quoted(desktops);
    if (wayland) {
      return {SetTarget::None, "the Wayland desktop " + named +
                                   " is not one this program can set, and the X root is not its "
                                   "wallpaper" +
                                   std::string(kNameIt)};
    }
    return {SetTarget::None, "the desktop " + named +
                                 " is not one this program can set (--set=x11 sets the X root, "
                                 "which only a desktop that draws no background of its own shows)"};
  }
  if (wayland) {
    return {SetTarget::None,
            "a Wayland session that names no desktop (XDG_CURRENT_DESKTOP is not set), and the X "
            "root is not its wallpaper" +
                std::string(kNameIt)};
  }
  if (!session.display.empty()) return {SetTarget::X11, {}};
  return {SetTarget::None, "no desktop session: neither XDG_CURRENT_DESKTOP nor DISPLAY is set"};
}

std::optional<std::string> PictureFolder(const Session& session) {
  if (session.dataHome.starts_with('/')) return session.dataHome + "/huevane";
  if (session.home.starts_with('/')) return session.home + "/.local/share/huevane";
  return std::nullopt;
}

namespace {
constexpr std::string_view kPicturePrefix = "wallpaper-";
constexpr std::string_view kPictureSuffix = ".bmp";
}  // namespace

bool IsPictureName(const std::string& name) {
  if (name.size() <= kPicturePrefix.size() + kPictureSuffix.size()) return false;
  if (!name.starts_with(kPicturePrefix) || !name.ends_with(kPictureSuffix)) return false;
  for (std::size_t i = kPicturePrefix.size(); i < name.size() - kPictureSuffix.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

std::string PictureName(unsigned long long nanoseconds) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%020llu", nanoseconds);
  return std::string(kPicturePrefix) + digits + std::string(kPictureSuffix);
}

std::string FileUri(const std::string& path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      uri += c;
    } else {
      uri += '%';
      uri += hex[byte >> 4];
      uri += hex[byte & 15];
    }
  }
  return uri;
}

}  // namespace wallpaper_choice
