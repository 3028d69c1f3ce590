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
#include "render/gradient.h"
#include "render/surface.h"

namespace render_args {
namespace {

enum class Option { Size, Start, End, Style, Weight, Rect, Out, Help, Version };

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
constexpr std::array<OptionInfo, 9> kOptions{{
    {"--size", Option::Size, true, "WxH",
     "picture size in pixels, each at least 1; at most\n"
     "2 GiB of pixel data in all"},
    {"--start", Option::Start, true, "R,G,B", "start colour; each channel keeps its low 8 bits"},
    {"--end", Option::End, true, "R,G,B", "end colour"},
    {"--style", Option::Style, true, "N",
     "0 columns start to end, 1 columns end to start,\n"
     "2 columns mirrored about the centre column,\n"
     "3, 4, 5 the same with rows; any other N draws nothing"},
    {"--weight", Option::Weight, false, "N",
     "128 (the default), above 128 or negative: replace;\n"
     "0: keep; 1..127: blend in 128ths"},
    {"--rect", Option::Rect, false, "L,T,R,B",
     "fill only this rectangle, right and bottom included;\n"
     "a negative L (the default) fills the whole picture"},
    {"--out", Option::Out, true, "FILE",
     "the BMP file to write, or - for standard output. A\n"
     "regular file is replaced only once the new one is\n"
     "complete, keeping its permissions; a symlink is\n"
     "followed and kept; a device, FIFO or socket is\n"
     "written to, never replaced; a directory is refused"},
    {"--help", Option::Help, false, "", "show this text and exit"},
    {"--version", Option::Version, false, "", "show the name and version and exit"},
}};

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

// A word that names one of our options is never taken as a value: in
// "--out --size 4x4" the mistake is the missing file name.
bool IsOptionName(std::string_view word) { return FindOption(word) != nullptr; }

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
  const std::int32_t w = width < 1 ? 1 : width;
  const std::int32_t h = height < 1 ? 1 : height;
  const std::optional<GradientLines> lines =
      GradientLinesOf(w, h, style, rect.left, rect.top, rect.right, rect.bottom);
  if (!lines || lines->last < lines->first) return 0;

  const auto count = static_cast<std::uint64_t>(lines->last - lines->first) + 1;
  const std::uint64_t spans = count * (lines->mirrored ? 2 : 1);  // at most 2^33
  const std::uint64_t pixelsPerSpan = lines->columns
                                          ? ClampedSpanPixels(lines->top, lines->bottom, h - 1)
                                          : ClampedSpanPixels(lines->left, lines->right, w - 1);
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

namespace {

// Every word of a command line, walked to the end even after a problem, so
// that a --help or --version further on still wins.
struct Words {
  RenderArgs parsed;
  std::array<bool, kOptions.size()> seen{};
  std::optional<std::string> firstProblem;
  std::string rectText;

  void Complain(std::string problem) {
    if (!firstProblem) firstProblem = std::move(problem);
  }
};

// Takes the word at `i` and, for an option that has one, its value; returns
// the index of the last word it took.
std::size_t TakeWord(std::span<const std::string> args, std::size_t i, Words& words) {
  const std::string& word = args[i];
  const OptionInfo* info = FindOption(word);
  if (info == nullptr) {
    const bool looksLikeOption = word.size() > 1 && word[0] == '-';
    words.Complain((looksLikeOption ? "unknown option " : "unexpected argument ") + Quoted(word));
    return i;
  }
  const auto slot = static_cast<std::size_t>(info - kOptions.data());
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
  if (!ApplyOption(info->option, info->name, args[valueIndex], valueIndex, words.parsed,
                   problem)) {
    words.Complain(std::move(problem));
  }
  if (info->option == Option::Rect) words.rectText = args[valueIndex];
  return valueIndex;
}

// Why a rectangle would cost too much to fill, or nothing. Only a given
// rectangle can cost too much: the whole surface is always within.
std::optional<std::string> OverBudget(const RenderArgs& parsed, const std::string& rectText) {
  const std::uint64_t work = FillWork(parsed.width, parsed.height, parsed.style, parsed.rect);
  const std::uint64_t budget = FillBudget(parsed.width, parsed.height);
  if (work <= budget) return std::nullopt;
  return "--rect " + Quoted(rectText) + " with --style " + std::to_string(parsed.style) +
         " would write " + std::to_string(work) + " pixels on a " + std::to_string(parsed.width) +
         "x" + std::to_string(parsed.height) + " picture, more than the limit of " +
         std::to_string(budget);
}

}  // namespace

ParseResult ParseRenderArgs(std::span<const std::string> args) {
  if (args.empty()) return ArgsError{"no options given", kExitBadArguments, true};
  Words words;
  for (std::size_t i = 0; i < args.size(); ++i) i = TakeWord(args, i, words);

  if (words.seen[Slot(Option::Help)]) return HelpRequest{};
  if (words.seen[Slot(Option::Version)]) return VersionRequest{};
  if (words.firstProblem) return ArgsError{*words.firstProblem};
  for (std::size_t slot = 0; slot < kOptions.size(); ++slot) {
    if (kOptions[slot].required && !words.seen[slot]) {
      return ArgsError{"missing required option " + std::string(kOptions[slot].name)};
    }
  }
  if (auto problem = OverBudget(words.parsed, words.rectText)) return ArgsError{*problem};
  return words.parsed;
}

namespace {

constexpr std::string_view kUsageLines =
    "Usage: huevane-render --size WxH --start R,G,B --end R,G,B --style N\n"
    "                      [--weight N] [--rect L,T,R,B] --out FILE\n"
    "       huevane-render --help | --version\n";

// The entries of "Options:", from the table: each option and its value in
// a column of 16, its help beside it.
std::string OptionsHelp() {
  constexpr std::size_t kColumn = 16;
  const std::string indent(2 + kColumn, ' ');
  std::string text;
  for (const OptionInfo& info : kOptions) {
    std::string entry(info.name);
    if (!info.value.empty()) entry.append(" ").append(info.value);
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
      "Options:\n" +
      OptionsHelp() +
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
