// Command line of huevane-render, parsed without touching the surface or the
// file system, so every accepted and refused form can be unit-tested.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "render/gradient.h"

namespace render_args {

// Exit statuses of huevane-render.
constexpr int kExitOk = 0;
constexpr int kExitFillOrWriteFailed = 1;
constexpr int kExitBadArguments = 2;
// --set only: the picture was made, and written where --out asked, but it
// did not become the wallpaper; the message says why.
constexpr int kExitWallpaperNotSet = 3;

struct Colour {
  std::int32_t red = 0;
  std::int32_t green = 0;
  std::int32_t blue = 0;
};

// Where --set puts the picture. Linux only: the Windows build takes no --set.
enum class SetTarget { None, Auto, X11, Gnome, Xfce, Kde, Sway };

struct RenderArgs {
  // 0 x 0 when --set leaves the size to the screen.
  std::int32_t width = 0;
  std::int32_t height = 0;
  Colour start;
  Colour end;
  std::int32_t style = 0;
  std::int32_t weight = 128;
  FillRect rect = kWholeSurface;
  // The --out value as given, and its index in the parsed arguments, so a
  // caller holding the arguments in another encoding (UTF-16 on Windows) can
  // build the path from its own copy without a round trip through UTF-8.
  // Empty when --set needs no file.
  std::string out;
  std::size_t outIndex = 0;
  SetTarget set = SetTarget::None;
  // The --rect value as given, for a message once --set knows the size.
  std::string rectText;
};

struct HelpRequest {};
struct VersionRequest {};

struct ArgsError {
  std::string message;  // one line, no trailing newline
  int exitCode = kExitBadArguments;
  // Given no arguments at all, the caller also shows the usage lines and
  // where to read more, since the user may not know the tool yet.
  bool showUsage = false;
};

using ParseResult = std::variant<RenderArgs, HelpRequest, VersionRequest, ArgsError>;

// `args` are the arguments after the program name. "--help" in any option
// position wins over every other argument, right or wrong, and "--version"
// over every other but "--help"; a word that names an option is never
// another option's value. A successful result has a size
// a BMP file can hold and a rectangle within FillBudget, but the picture may
// still be too large to allocate: only the surface itself can tell. With
// --set, --size and --out may be missing; a size taken from the screen
// still has to pass RectProblem.
ParseResult ParseRenderArgs(std::span<const std::string> args);

// Why --rect would cost too much on a width x height picture, or nothing.
std::optional<std::string> RectProblem(const RenderArgs& args, std::int32_t width,
                                       std::int32_t height);

#ifndef _WIN32
// The name --set=TARGET takes for `target`.
std::string_view TargetName(SetTarget target);
#endif

// `text` between single quotes, with control characters escaped as \xHH so
// that every message stays on one line whatever the user typed. Every
// message quotes names and values this way.
std::string Quoted(std::string_view text);

// The text --help prints, ending in a newline: the usage lines, what the
// tool does, then the sections "Options:", "Exit status:" and "Examples:",
// each entry indented by two spaces. The manual page is made from it, so
// the two never disagree.
const std::string& UsageText();

// The usage lines alone, the first lines of UsageText(), ending in a newline.
std::string_view UsageLines();

// What --version prints: the name and the version, ending in a newline.
std::string VersionText();

}  // namespace render_args
