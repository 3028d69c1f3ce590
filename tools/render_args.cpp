#include "tools/render_args.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/version.h"
#include "render/gradient.h"
#include "render/surface.h"

namespace render_args {
namespace {

enum class Option { Size, Start, End, Style, Weight, Rect, Out, Set, Help, Version };

struct OptionInfo {
  std::string_view name;
  Option option;
  bool required;
  // What the value looks like in the help; empty for an option without one.
  std::string_view value;
  // What --help says of it; each line after the first is one more line of
  // the help, indented under the first.
  std::string_view help;
};

// In the order --help lists them and "missing required option" reports them.
// --set and what it changes exist only in the Linux build.
constexpr std::array kOptions{
    OptionInfo{"--size", Option::Size, true, "WxH",
               "picture size in pixels, each at least 1; at most\n"
               "2 GiB of pixel data in all"
#ifndef _WIN32
               "; with --set, the screen's\n"
               "size when left out"
#endif
    },
    OptionInfo{"--start", Option::Start, true, "R,G,B",
               "start colour; each channel keeps its low 8 bits"},
    OptionInfo{"--end", Option::End, true, "R,G,B", "end colour"},
    OptionInfo{"--style", Option::Style, true, "N",
               "0 columns start to end, 1 columns end to start,\n"
               "2 columns mirrored about the centre column,\n"
               "3, 4, 5 the same with rows; any other N draws nothing"},
    OptionInfo{"--weight", Option::Weight, false, "N",
               "128 (the default), above 128 or negative: replace;\n"
               "0: keep; 1..127: blend in 128ths"},
    OptionInfo{"--rect", Option::Rect, false, "L,T,R,B",
               "fill only this rectangle, right and bottom included;\n"
               "a negative L (the default) fills the whole picture"},
    OptionInfo{"--out", Option::Out, true, "FILE",
               "the BMP file to write, or - for standard output. A\n"
               "regular file is replaced only once the new one is\n"
               "complete, keeping its permissions; a symlink is\n"
               "followed and kept; a device, FIFO or socket is\n"
               "written to, never replaced; a directory is refused"
#ifndef _WIN32
               ".\n"
               "With --set it may be left out"
#endif
    },
#ifndef _WIN32
    OptionInfo{"--set", Option::Set, false, "[=TARGET]",
               "then make the picture the wallpaper. TARGET is\n"
               "auto (the default); x11: the root window of every\n"
               "X screen, each with a picture of its own size, also\n"
               "named by _XROOTPMAP_ID and ESETROOT_PMAP_ID for\n"
               "compositors (window managers that draw no desktop\n"
               "of their own show it); gnome: picture-uri and\n"
               "picture-uri-dark of org.gnome.desktop.background,\n"
               "through gsettings, shown unscaled; xfce: every\n"
               "/backdrop/.../last-image of xfce4-desktop, through\n"
               "xfconf-query; kde: plasma-apply-wallpaperimage;\n"
               "sway: swaymsg output '*' bg FILE fill. auto picks\n"
               "one from XDG_CURRENT_DESKTOP (a colon-separated\n"
               "list), XDG_SESSION_TYPE, WAYLAND_DISPLAY and\n"
               "DISPLAY, and never x11 in a Wayland session, where\n"
               "the X root is not the wallpaper. The desktops need\n"
               "a file: without --out, the picture is kept as\n"
               "$XDG_DATA_HOME/huevane/wallpaper-TIME.bmp (under\n"
               "~/.local/share without XDG_DATA_HOME), a new name\n"
               "each time, the earlier one removed once the new one\n"
               "is set. Without --size, the size is the X root's\n"
               "(through DISPLAY, XWayland's too)"},
#endif
    OptionInfo{"--help", Option::Help, false, "", "show this text and exit"},
    OptionInfo{"--version", Option::Version, false, "", "show the name and version and exit"},
};

constexpr std::size_t Slot(Option option) {
  for (std::size_t slot = 0; slot < kOptions.size(); ++slot) {
    if (kOptions[slot].option == option) return slot;
  }
  return kOptions.size();
}

}  // namespace

std::string Quoted(std::string_view text) {
  std::string quoted = "'";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

namespace {

// Plain decimal with an optional '-': no '+', no spaces, no radix prefixes,
// no fractions, and nothing that would wrap in 32 bits.
std::optional<std::int32_t> ParseInt32(std::string_view text, std::string& problem) {
  std::int32_t value = 0;
  const char* const first = text.data();
  const char* const last = first + text.size();
  const auto [end, error] = std::from_chars(first, last, value);
  if (error == std::errc::result_out_of_range && end == last) {
    problem = Quoted(text) + " is outside the 32-bit integer range";
    return std::nullopt;
  }
  if (error != std::errc{} || end != last) {
    problem = Quoted(text) + " is not an integer";
    return std::nullopt;
  }
  return value;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

// `count` integers separated by `separator`, or a complaint naming the option
// and the whole value.
template <std::size_t count>
std::optional<std::array<std::int32_t, count>> ParseList(std::string_view option,
                                                         std::string_view text, char separator,
                                                         std::string_view form,
                                                         std::string& problem) {
  const std::vector<std::string_view> parts = Split(text, separator);
  if (parts.size() != count) {
    problem = std::string(option) + " expects " + std::string(form) + ", got " + Quoted(text);
    return std::nullopt;
  }
  std::array<std::int32_t, count> values{};
  for (std::size_t i = 0; i < count; ++i) {
    std::string detail;
    const std::optional<std::int32_t> value = ParseInt32(parts[i], detail);
    if (!value) {
      problem = std::string(option) + " " + Quoted(text) + ": " + detail;
      return std::nullopt;
    }
    values[i] = *value;
  }
  return values;
}

std::optional<std::int32_t> ParseSingle(std::string_view option, std::string_view text,
                                        std::string& problem) {
  std::string detail;
  const std::optional<std::int32_t> value = ParseInt32(text, detail);
  if (!value) problem = std::string(option) + ": " + detail;
  return value;
}

bool TakeSize(std::string_view name, const std::string& text, RenderArgs& args,
              std::string& problem) {
  const auto size = ParseList<2>(name, text, 'x', "WxH", problem);
  if (!size) return false;
  if ((*size)[0] < 1 || (*size)[1] < 1) {
    problem = std::string(name) + " " + Quoted(text) + ": width and height must be at least 1";
    return false;
  }
  if (SurfaceBytes((*size)[0], (*size)[1]) == 0) {
    problem = std::string(name) + " " + Quoted(text) +
              ": a 24-bit picture this large needs more than the " +
              std::to_string(kMaxSurfaceBytes) + " bytes of pixels a BMP file can hold";
    return false;
  }
  args.width = (*size)[0];
  args.height = (*size)[1];
  return true;
}

bool TakeColour(std::string_view name, const std::string& text, Colour& colour,
                std::string& problem) {
  const auto channels = ParseList<3>(name, text, ',', "three numbers R,G,B", problem);
  if (channels) colour = {(*channels)[0], (*channels)[1], (*channels)[2]};
  return channels.has_value();
}

bool TakeNumber(std::string_view name, const std::string& text, std::int32_t& number,
                std::string& problem) {
  const auto value = ParseSingle(name, text, problem);
  if (value) number = *value;
  return value.has_value();
}

bool TakeRect(std::string_view name, const std::string& text, FillRect& rect,
              std::string& problem) {
  const auto edges = ParseList<4>(name, text, ',', "four numbers L,T,R,B", problem);
  if (edges) rect = {(*edges)[0], (*edges)[1], (*edges)[2], (*edges)[3]};
  return edges.has_value();
}

bool TakeOut(std::string_view name, const std::string& text, std::size_t index, RenderArgs& args,
             std::string& problem) {
  if (text.empty()) {
    problem = std::string(name) + ": the file name is empty";
    return false;
  }
  args.out = text;
  args.outIndex = index;
  return true;
}

// Stores the value of an option that takes one into `args`; false with
// `problem` set when the value is malformed.
bool ApplyOption(Option option, std::string_view name, const std::string& text, std::size_t index,
                 RenderArgs& args, std::string& problem) {
  switch (option) {
    case Option::Size: return TakeSize(name, text, args, problem);
    case Option::Start: return TakeColour(name, text, args.start, problem);
    case Option::End: return TakeColour(name, text, args.end, problem);
    case Option::Style: return TakeNumber(name, text, args.style, problem);
    case Option::Weight: return TakeNumber(name, text, args.weight, problem);
    case Option::Rect: return TakeRect(name, text, args.rect, problem);
    case Option::Out: return TakeOut(name, text, index, args, problem);
    case Option::Set:
    case Option::Help:
    case Option::Version: break;
  }
  return false;
}

const OptionInfo* FindOption(std::string_view word) {
  for (const OptionInfo& info : kOptions) {
    if (info.name == word) return &info;
  }
  return nullptr;
}

#ifndef _WIN32
constexpr std::array<SetTarget, 6> kTargets{SetTarget::Auto, SetTarget::X11, SetTarget::Gnome,
                                            SetTarget::Xfce, SetTarget::Kde, SetTarget::Sway};

// "--set" alone, or "--set=" and a target's name: the only option whose
// value is joined to it, as it may be left out.
constexpr std::string_view kSetWithTarget = "--set=";

bool NamesSetWithTarget(std::string_view word) { return word.starts_with(kSetWithTarget); }

#endif

// A word that names one of our options is never taken as a value: in
// "--out --size 4x4" the mistake is the missing file name.
bool IsOptionName(std::string_view word) {
#ifndef _WIN32
  if (NamesSetWithTarget(word)) return true;
#endif
  return FindOption(word) != nullptr;
}

#ifndef _WIN32
bool TakeTarget(std::string_view word, RenderArgs& args, std::string& problem) {
  if (!word.starts_with(kSetWithTarget)) {
    args.set = SetTarget::Auto;
    return true;
  }
  const std::string_view name = word.substr(kSetWithTarget.size());
  for (const SetTarget target : kTargets) {
    if (TargetName(target) == name) {
      args.set = target;
      return true;
    }
  }
  problem = "--set: unknown target " + Quoted(name) + " (auto, x11, gnome, xfce, kde or sway)";
  return false;
}
#endif

// Every word of a command line, walked to the end even after a problem, so
// that a --help or --version further on still wins.
struct Words {
  RenderArgs parsed;
  std::array<bool, kOptions.size()> seen{};
  std::optional<std::string> firstProblem;

  void Complain(std::string problem) {
    if (!firstProblem) firstProblem = std::move(problem);
  }
};

// Takes the word at `i` and, for an option that has one, its value; returns
// the index of the last word it took.
std::size_t TakeWord(std::span<const std::string> args, std::size_t i, Words& words) {
  const std::string& word = args[i];
#ifdef _WIN32
  const OptionInfo* info = FindOption(word);
#else
  const OptionInfo* info = NamesSetWithTarget(word) ? FindOption("--set") : FindOption(word);
#endif
  if (info == nullptr) {
    const bool looksLikeOption = word.size() > 1 && word[0] == '-';
    words.Complain((looksLikeOption ? "unknown option " : "unexpected argument ") + Quoted(word));
    return i;
  }
  const auto slot = static_cast<std::size_t>(info - kOptions.data());
#ifndef _WIN32
  if (info->option == Option::Set) {
    std::string problem;
    if (words.seen[slot]) {
      words.Complain("option --set given twice");
    } else if (!TakeTarget(word, words.parsed, problem)) {
      words.Complain(std::move(problem));
    }
    words.seen[slot] = true;
    return i;
  }
#endif
  if (info->value.empty()) {
    words.seen[slot] = true;
    return i;
  }
  if (i + 1 == args.size() || IsOptionName(args[i + 1])) {
    words.Complain("option " + std::string(info->name) + " needs a value");
    return i;
  }
  const std::size_t valueIndex = i + 1;
  if (words.seen[slot]) {
    words.Complain("option " + std::string(info->name) + " given twice");
    return valueIndex;
  }
  words.seen[slot] = true;
  std::string problem;
  if (!ApplyOption(info->option, info->name, args[valueIndex], valueIndex, words.parsed, problem)) {
    words.Complain(std::move(problem));
  }
  if (info->option == Option::Rect) words.parsed.rectText = args[valueIndex];
  return valueIndex;
}

}  // namespace

// Only a given rectangle can cost too much: the whole surface is always
// within.
std::optional<std::string> RectProblem(const RenderArgs& args, std::int32_t width,
                                       std::int32_t height) {
  const std::uint64_t work = FillWork(width, height, args.style, args.rect);
  const std::uint64_t budget = FillBudget(width, height);
  if (work <= budget) return std::nullopt;
  return "--rect " + Quoted(args.rectText) + " with --style " + std::to_string(args.style) +
         " would write " + std::to_string(work) + " pixels on a " + std::to_string(width) + "x" +
         std::to_string(height) + " picture, more than the limit of " + std::to_string(budget);
}

#ifndef _WIN32
std::string_view TargetName(SetTarget target) {
  switch (target) {
    case SetTarget::None: break;
    case SetTarget::Auto: return "auto";
    case SetTarget::X11: return "x11";
    case SetTarget::Gnome: return "gnome";
    case SetTarget::Xfce: return "xfce";
    case SetTarget::Kde: return "kde";
    case SetTarget::Sway: return "sway";
  }
  return "";
}
#endif

ParseResult ParseRenderArgs(std::span<const std::string> args) {
  if (args.empty()) return ArgsError{"no options given", kExitBadArguments, true};
  Words words;
  for (std::size_t i = 0; i < args.size(); ++i) i = TakeWord(args, i, words);

  if (words.seen[Slot(Option::Help)]) return HelpRequest{};
  if (words.seen[Slot(Option::Version)]) return VersionRequest{};
  if (words.firstProblem) return ArgsError{*words.firstProblem};
  const bool setting = words.parsed.set != SetTarget::None;
  for (std::size_t slot = 0; slot < kOptions.size(); ++slot) {
    // The screen gives the size, and the wallpaper needs no file of the user's.
    const Option option = kOptions[slot].option;
    if (setting && (option == Option::Size || option == Option::Out)) continue;
    if (kOptions[slot].required && !words.seen[slot]) {
      return ArgsError{"missing required option " + std::string(kOptions[slot].name)};
    }
  }
  if (words.parsed.width > 0) {
    if (auto problem = RectProblem(words.parsed, words.parsed.width, words.parsed.height)) {
      return ArgsError{*problem};
    }
  }
  return words.parsed;
}

namespace {

constexpr std::string_view kUsageLines =
    "Usage: huevane-render --size WxH --start R,G,B --end R,G,B --style N\n"
    "                      [--weight N] [--rect L,T,R,B] --out FILE\n"
#ifndef _WIN32
    "       huevane-render --set[=TARGET] [--size WxH] --start R,G,B --end R,G,B\n"
    "                      --style N [--weight N] [--rect L,T,R,B] [--out FILE]\n"
#endif
    "       huevane-render --help | --version\n";

// The entries of "Options:", from the table: each option and its value in
// a column of 16, its help beside it.
std::string OptionsHelp() {
  constexpr std::size_t kColumn = 16;
  const std::string indent(2 + kColumn, ' ');
  std::string text;
  for (const OptionInfo& info : kOptions) {
    std::string entry(info.name);
    // An optional value is joined to the name, as it must be given.
    if (!info.value.empty())
      entry.append(info.value.starts_with('[') ? "" : " ").append(info.value);
    entry.resize(kColumn, ' ');
    text.append("  ").append(entry);
    for (const char c : info.help) {
      text += c;
      if (c == '\n') text += indent;
    }
    text += '\n';
  }
  return text;
}

}  // namespace

std::string_view UsageLines() { return kUsageLines; }

const std::string& UsageText() {
  static const std::string text =
      std::string(kUsageLines) +
      "\n"
      "Paints a two-colour gradient into a new, black WxH picture and saves it\n"
      "as a 24-bit BMP file. Every number is a 32-bit integer.\n"
      "\n"
#ifndef _WIN32
      "With --set, the picture also becomes the desktop's wallpaper: on the X\n"
      "root window, or through the desktop's own settings. Run it again after\n"
      "the screen's size changes.\n"
      "\n"
#endif
      "Options:\n" +
      OptionsHelp() +
      "\n"
      "Exit status:\n"
#ifdef _WIN32
      "  0  the picture was written, or --help or --version answered\n"
#else
      "  0  the picture was written, and with --set it is the wallpaper; or\n"
      "     --help or --version answered\n"
#endif
      "  1  the picture could not be made (no memory, or a rectangle with no\n"
      "     extent) or could not be written\n"
#ifndef _WIN32
      "     (or, with --out but no --size, the screen's size is unknown)\n"
#endif
      "  2  bad arguments\n"
#ifndef _WIN32
      "  3  with --set: the picture was made, and written where --out asked,\n"
      "     but it did not become the wallpaper (no display, a desktop that\n"
      "     cannot be told, its program missing or refusing); the message says\n"
      "     why and, where it helps, which command would set it\n"
#endif
      "\n"
      "Examples:\n"
      "  A red-to-blue wallpaper for a 1920x1080 screen:\n"
      "    huevane-render --size 1920x1080 --start 255,0,0 --end 0,0,255 \\\n"
      "                   --style 0 --out wallpaper.bmp\n"
      "  Black at the top and bottom edges, white across the middle, to\n"
      "  standard output:\n"
      "    huevane-render --size 640x480 --start 0,0,0 --end 255,255,255 \\\n"
      "                   --style 5 --out - > rows.bmp\n"
      "  Green blended at half strength into the left half only:\n"
      "    huevane-render --size 800x600 --start 0,255,0 --end 0,255,0 \\\n"
      "                   --style 0 --weight 64 --rect 0,0,399,599 --out half.bmp\n"
#ifndef _WIN32
      "  Red to blue as the wallpaper, at the screen's size, on whatever\n"
      "  desktop this is:\n"
      "    huevane-render --set --start 255,0,0 --end 0,0,255 --style 0\n"
      "  The same on the X root window of every screen, also kept as a file:\n"
      "    huevane-render --set=x11 --start 255,0,0 --end 0,0,255 --style 0 \\\n"
      "                   --out wallpaper.bmp\n"
#endif
      ;
  return text;
}

std::string VersionText() { return "huevane-render " HUEVANE_VERSION_TEXT "\n"; }

}  // namespace render_args
