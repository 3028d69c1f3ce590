#include "tools/render_args.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/version.h"
#include "render/surface.h"

namespace render_args {
namespace {

enum class Option { Size, Start, End, Style, Weight, Rect, Out };

struct OptionInfo {
  std::string_view name;
  Option option;
  bool required;
};

// In the order "missing required option" reports them.
constexpr std::array<OptionInfo, 7> kOptions{{
    {"--size", Option::Size, true},
    {"--start", Option::Start, true},
    {"--end", Option::End, true},
    {"--style", Option::Style, true},
    {"--weight", Option::Weight, false},
    {"--rect", Option::Rect, false},
    {"--out", Option::Out, true},
}};

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

// Stores one option's value into `args`; false with `problem` set when the
// value is malformed.
bool ApplyOption(Option option, std::string_view name, const std::string& text, std::size_t index,
                 RenderArgs& args, std::string& problem) {
  switch (option) {
    case Option::Size: {
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
    case Option::Start:
    case Option::End: {
      const auto channels = ParseList<3>(name, text, ',', "three numbers R,G,B", problem);
      if (!channels) return false;
      Colour& colour = option == Option::Start ? args.start : args.end;
      colour = {(*channels)[0], (*channels)[1], (*channels)[2]};
      return true;
    }
    case Option::Style:
    case Option::Weight: {
      const auto value = ParseSingle(name, text, problem);
      if (!value) return false;
      (option == Option::Style ? args.style : args.weight) = *value;
      return true;
    }
    case Option::Rect: {
      const auto edges = ParseList<4>(name, text, ',', "four numbers L,T,R,B", problem);
      if (!edges) return false;
      args.rect = {(*edges)[0], (*edges)[1], (*edges)[2], (*edges)[3]};
      return true;
    }
    case Option::Out:
      if (text.empty()) {
        problem = std::string(name) + ": the file name is empty";
        return false;
      }
      args.out = text;
      args.outIndex = index;
      return true;
  }
  return false;
}

const OptionInfo* FindOption(std::string_view word) {
  for (const OptionInfo& info : kOptions) {
    if (info.name == word) return &info;
  }
  return nullptr;
}

// A word that names one of our options is never taken as a value: in
// "--out --size 4x4" the mistake is the missing file name.
bool IsOptionName(std::string_view word) {
  return word == "--help" || word == "--version" || FindOption(word) != nullptr;
}

std::uint64_t SaturatingMultiply(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  if (a != 0 && b > kMax / a) return kMax;
  return a * b;
}

// PlotSpan's clamping: at or past the last index lands on it, below 0 on 0.
std::int64_t ClampOnto(std::int64_t value, std::int64_t last) {
  if (value >= last) return last;
  return value < 0 ? 0 : value;
}

std::uint64_t ClampedSpanPixels(std::int64_t from, std::int64_t to, std::int64_t last) {
  const std::int64_t a = ClampOnto(from, last);
  const std::int64_t b = ClampOnto(to, last);
  return static_cast<std::uint64_t>(a < b ? b - a : a - b) + 1;
}

}  // namespace

std::uint64_t FillWork(std::int32_t width, std::int32_t height, std::int32_t style,
                       const FillRect& rect) {
  if (style < 0 || style > 5) return 0;
  const std::int64_t w = width < 1 ? 1 : width;
  const std::int64_t h = height < 1 ? 1 : height;
  std::int64_t left = rect.left, top = rect.top, right = rect.right, bottom = rect.bottom;
  if (left < 0) {
    left = 0;
    top = 0;
    right = w;
    bottom = h;
  }
  const bool columns = style <= 2;
  const bool mirrored = style == 2 || style == 5;
  const std::int64_t first = columns ? left : top;
  std::int64_t last = columns ? right : bottom;
  // The centre line is the far edge halved toward zero, as the fill takes it.
  if (mirrored) last /= 2;
  if (last < first) return 0;

  const auto lines = static_cast<std::uint64_t>(last - first) + 1;
  const std::uint64_t spans = lines * (mirrored ? 2 : 1);  // at most 2^33
  const std::uint64_t pixelsPerSpan =
      columns ? ClampedSpanPixels(top, bottom, h - 1) : ClampedSpanPixels(left, right, w - 1);
  return SaturatingMultiply(spans, pixelsPerSpan);
}

std::uint64_t FillBudget(std::int32_t width, std::int32_t height) {
  const std::uint64_t w = width < 1 ? 1 : static_cast<std::uint64_t>(width);
  const std::uint64_t h = height < 1 ? 1 : static_cast<std::uint64_t>(height);
  constexpr std::uint64_t kSmallSurfaceAllowance = std::uint64_t{1} << 24;
  const std::uint64_t scaled = SaturatingMultiply(SaturatingMultiply(w, h), 8);
  if (scaled > std::numeric_limits<std::uint64_t>::max() - kSmallSurfaceAllowance) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  return scaled + kSmallSurfaceAllowance;
}

ParseResult ParseRenderArgs(std::span<const std::string> args) {
  if (args.empty()) return ArgsError{"no options given", kExitBadArguments, true};
  RenderArgs parsed;
  std::array<bool, kOptions.size()> seen{};
  bool help = false;
  bool version = false;
  std::optional<std::string> firstProblem;
  std::string rectText;
  auto complain = [&firstProblem](std::string problem) {
    if (!firstProblem) firstProblem = std::move(problem);
  };

  // Walk everything even after a problem, so a --help or --version further
  // on still wins.
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word == "--help") {
      help = true;
      continue;
    }
    if (word == "--version") {
      version = true;
      continue;
    }
    const OptionInfo* info = FindOption(word);
    if (info == nullptr) {
      if (word.size() > 1 && word[0] == '-') {
        complain("unknown option " + Quoted(word));
      } else {
        complain("unexpected argument " + Quoted(word));
      }
      continue;
    }
    if (i + 1 == args.size() || IsOptionName(args[i + 1])) {
      complain("option " + std::string(info->name) + " needs a value");
      continue;
    }
    const std::size_t valueIndex = ++i;
    const auto slot = static_cast<std::size_t>(info - kOptions.data());
    if (seen[slot]) {
      complain("option " + std::string(info->name) + " given twice");
      continue;
    }
    seen[slot] = true;
    std::string problem;
    if (!ApplyOption(info->option, info->name, args[valueIndex], valueIndex, parsed, problem)) {
      complain(std::move(problem));
    }
    if (info->option == Option::Rect) rectText = args[valueIndex];
  }

  if (help) return HelpRequest{};
  if (version) return VersionRequest{};
  if (firstProblem) return ArgsError{*firstProblem};
  for (std::size_t slot = 0; slot < kOptions.size(); ++slot) {
    if (kOptions[slot].required && !seen[slot]) {
      return ArgsError{"missing required option " + std::string(kOptions[slot].name)};
    }
  }

  const std::uint64_t work = FillWork(parsed.width, parsed.height, parsed.style, parsed.rect);
  const std::uint64_t budget = FillBudget(parsed.width, parsed.height);
  if (work > budget) {
    // Only a given rectangle can get here: the whole surface is always within.
    return ArgsError{"--rect " + Quoted(rectText) + " with --style " +
                     std::to_string(parsed.style) + " would write " + std::to_string(work) +
                     " pixels on a " + std::to_string(parsed.width) + "x" +
                     std::to_string(parsed.height) + " picture, more than the limit of " +
                     std::to_string(budget)};
  }
  return parsed;
}

namespace {

constexpr std::string_view kUsageLines =
    "Usage: huevane-render --size WxH --start R,G,B --end R,G,B --style N\n"
    "                      [--weight N] [--rect L,T,R,B] --out FILE\n"
    "       huevane-render --help | --version\n";

}  // namespace

std::string_view UsageLines() { return kUsageLines; }

const std::string& UsageText() {
  static const std::string text =
      std::string(kUsageLines) +
      "\n"
      "Paints a two-colour gradient into a new, black WxH picture and saves it\n"
      "as a 24-bit BMP file. Every number is a 32-bit integer.\n"
      "\n"
      "Options:\n"
      "  --size WxH      picture size in pixels, each at least 1; at most\n"
      "                  2 GiB of pixel data in all\n"
      "  --start R,G,B   start colour; each channel keeps its low 8 bits\n"
      "  --end R,G,B     end colour\n"
      "  --style N       0 columns start to end, 1 columns end to start,\n"
      "                  2 columns mirrored about the centre column,\n"
      "                  3, 4, 5 the same with rows; any other N draws nothing\n"
      "  --weight N      128 (the default), above 128 or negative: replace;\n"
      "                  0: keep; 1..127: blend in 128ths\n"
      "  --rect L,T,R,B  fill only this rectangle, right and bottom included;\n"
      "                  a negative L (the default) fills the whole picture\n"
      "  --out FILE      the BMP file to write, or - for standard output. A\n"
      "                  regular file is replaced only once the new one is\n"
      "                  complete, keeping its permissions; a symlink is\n"
      "                  followed and kept; a device, FIFO or socket is\n"
      "                  written to, never replaced; a directory is refused\n"
      "  --help          show this text and exit\n"
      "  --version       show the name and version and exit\n"
      "\n"
      "Exit status:\n"
      "  0  the picture was written, or --help or --version answered\n"
      "  1  the picture could not be made (no memory, or a rectangle with no\n"
      "     extent) or could not be written\n"
      "  2  bad arguments\n"
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
      "                   --style 0 --weight 64 --rect 0,0,399,599 --out half.bmp\n";
  return text;
}

std::string VersionText() { return "huevane-render " HUEVANE_VERSION_TEXT "\n"; }

}  // namespace render_args
