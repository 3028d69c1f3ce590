#include "tools/render_args.h"

#include <gtest/gtest.h>

#include "app/version.h"

#include <cstdint>
#include <limits>
#include <string>
#include <variant>
#include <vector>

namespace {

using namespace render_args;

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

// The five required options with plain values; cases replace or add to them.
std::vector<std::string> Required() {
  return {"--size", "2x3", "--start", "1,2,3", "--end", "4,5,6", "--style", "0", "--out", "a.bmp"};
}

std::vector<std::string> RequiredWith(std::vector<std::string> extra) {
  std::vector<std::string> args = Required();
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// Required() with the value of `option` replaced.
std::vector<std::string> RequiredWithValue(const std::string& option, const std::string& value) {
  std::vector<std::string> args = Required();
  for (std::size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == option) {
      args[i + 1] = value;
      return args;
    }
  }
  args.push_back(option);
  args.push_back(value);
  return args;
}

std::vector<std::string> RequiredWithout(const std::string& option) {
  std::vector<std::string> args = Required();
  for (std::size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == option) {
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                 args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
      break;
    }
  }
  return args;
}

std::string Joined(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& arg : args) text += "[" + arg + "]";
  return text;
}

// ---------------------------------------------------------------- accepted

struct Accepted {
  std::vector<std::string> args;
  RenderArgs expected;
};

RenderArgs Expect(std::int32_t w, std::int32_t h, Colour start, Colour end, std::int32_t style,
                  std::int32_t weight, FillRect rect, std::string out, std::size_t outIndex,
                  SetTarget set = SetTarget::None) {
  RenderArgs a;
  a.width = w;
  a.height = h;
  a.start = start;
  a.end = end;
  a.style = style;
  a.weight = weight;
  a.rect = rect;
  a.out = std::move(out);
  a.outIndex = outIndex;
  a.set = set;
  return a;
}

const FillRect kWhole{-1, -2, -3, -4};

TEST(ParseRenderArgs, AcceptsEveryFormAndFillsDefaults) {
  const std::vector<Accepted> cases = {
      {Required(), Expect(2, 3, {1, 2, 3}, {4, 5, 6}, 0, 128, kWhole, "a.bmp", 9)},
      // Any order; --out first puts its value at index 1.
      {{"--out", "b.bmp", "--style", "5", "--end", "0,0,255", "--start", "255,0,0", "--size",
        "1920x1080"},
       Expect(1920, 1080, {255, 0, 0}, {0, 0, 255}, 5, 128, kWhole, "b.bmp", 1)},
      {RequiredWith({"--weight", "64"}),
       Expect(2, 3, {1, 2, 3}, {4, 5, 6}, 0, 64, kWhole, "a.bmp", 9)},
      {RequiredWith({"--rect", "10,20,30,40"}),
       Expect(2, 3, {1, 2, 3}, {4, 5, 6}, 0, 128, {10, 20, 30, 40}, "a.bmp", 9)},
      {RequiredWith({"--rect", "-1,-2,-3,-4", "--weight", "128"}),
       Expect(2, 3, {1, 2, 3}, {4, 5, 6}, 0, 128, kWhole, "a.bmp", 9)},
      // Channels, style and weight are passed through unchecked.
      {RequiredWith({"--weight", "-2147483648"}),
       Expect(2, 3, {1, 2, 3}, {4, 5, 6}, 0, kMin, kWhole, "a.bmp", 9)},
      {RequiredWithValue("--start", "-2147483648,2147483647,300"),
       Expect(2, 3, {kMin, kMax, 300}, {4, 5, 6}, 0, 128, kWhole, "a.bmp", 9)},
      {RequiredWithValue("--end", "-1,256,-0"),
       Expect(2, 3, {1, 2, 3}, {-1, 256, 0}, 0, 128, kWhole, "a.bmp", 9)},
      {RequiredWithValue("--style", "-7"),
       Expect(2, 3, {1, 2, 3}, {4, 5, 6}, -7, 128, kWhole, "a.bmp", 9)},
      {RequiredWithValue("--style", "2147483647"),
       Expect(2, 3, {1, 2, 3}, {4, 5, 6}, kMax, 128, kWhole, "a.bmp", 9)},
      {RequiredWithValue("--style", "007"),
       Expect(2, 3, {1, 2, 3}, {4, 5, 6}, 7, 128, kWhole, "a.bmp", 9)},
      {RequiredWith({"--rect", "-2147483648,-2147483648,-2147483648,-2147483648"}),
       Expect(2, 3, {1, 2, 3}, {4, 5, 6}, 0, 128, {kMin, kMin, kMin, kMin}, "a.bmp", 9)},
      // A style that draws nothing costs nothing, whatever the rectangle.
      {{"--size", "1x1", "--start", "0,0,0", "--end", "0,0,0", "--style", "6", "--rect",
        "0,-2147483648,2147483647,2147483647", "--out", "x"},
       Expect(1, 1, {0, 0, 0}, {0, 0, 0}, 6, 128, {0, kMin, kMax, kMax}, "x", 11)},
      // The largest pictures a BMP file can hold (the memory may still lack).
      {RequiredWithValue("--size", "1x536870898"),
       Expect(1, 536870898, {1, 2, 3}, {4, 5, 6}, 0, 128, kWhole, "a.bmp", 9)},
      {RequiredWithValue("--size", "715827864x1"),
       Expect(715827864, 1, {1, 2, 3}, {4, 5, 6}, 0, 128, kWhole, "a.bmp", 9)},
      {RequiredWithValue("--size", "1x1"),
       Expect(1, 1, {1, 2, 3}, {4, 5, 6}, 0, 128, kWhole, "a.bmp", 9)},
      // A zero extent parses: the fill itself reports it.
      {RequiredWith({"--rect", "0,0,0,5"}),
       Expect(2, 3, {1, 2, 3}, {4, 5, 6}, 0, 128, {0, 0, 0, 5}, "a.bmp", 9)},
      // Any file name, taken as given.
      {RequiredWithValue("--out", "dir with space/Grüße 🌈.bmp"),
       Expect(2, 3, {1, 2, 3}, {4, 5, 6}, 0, 128, kWhole, "dir with space/Grüße 🌈.bmp", 9)},
      {RequiredWithValue("--out", "-"), Expect(2, 3, {1, 2, 3}, {4, 5, 6}, 0, 128, kWhole, "-", 9)},
      {RequiredWithValue("--out", "--weird.bmp"),
       Expect(2, 3, {1, 2, 3}, {4, 5, 6}, 0, 128, kWhole, "--weird.bmp", 9)},
#ifndef _WIN32
      // With --set the screen gives the size and no file is needed.
      {{"--set", "--start", "1,2,3", "--end", "4,5,6", "--style", "0"},
       Expect(0, 0, {1, 2, 3}, {4, 5, 6}, 0, 128, kWhole, "", 0, SetTarget::Auto)},
      {{"--start", "1,2,3", "--set=x11", "--end", "4,5,6", "--style", "0", "--out", "w.bmp"},
       Expect(0, 0, {1, 2, 3}, {4, 5, 6}, 0, 128, kWhole, "w.bmp", 8, SetTarget::X11)},
      {RequiredWith({"--set=auto"}),
       Expect(2, 3, {1, 2, 3}, {4, 5, 6}, 0, 128, kWhole, "a.bmp", 9, SetTarget::Auto)},
      {RequiredWith({"--set=gnome"}),
       Expect(2, 3, {1, 2, 3}, {4, 5, 6}, 0, 128, kWhole, "a.bmp", 9, SetTarget::Gnome)},
      {RequiredWith({"--set=xfce"}),
       Expect(2, 3, {1, 2, 3}, {4, 5, 6}, 0, 128, kWhole, "a.bmp", 9, SetTarget::Xfce)},
      {RequiredWith({"--set=kde"}),
       Expect(2, 3, {1, 2, 3}, {4, 5, 6}, 0, 128, kWhole, "a.bmp", 9, SetTarget::Kde)},
      {RequiredWith({"--set=sway"}),
       Expect(2, 3, {1, 2, 3}, {4, 5, 6}, 0, 128, kWhole, "a.bmp", 9, SetTarget::Sway)},
      // A rectangle too costly for a size still unknown waits for the screen's.
      {{"--set", "--start", "1,2,3", "--end", "4,5,6", "--style", "0", "--rect",
        "0,0,2147483647,0"},
       Expect(0, 0, {1, 2, 3}, {4, 5, 6}, 0, 128, {0, 0, kMax, 0}, "", 0, SetTarget::Auto)},
#endif
  };
  for (const Accepted& c : cases) {
    SCOPED_TRACE(Joined(c.args));
    const ParseResult result = ParseRenderArgs(c.args);
    if (const auto* error = std::get_if<ArgsError>(&result)) {
      ADD_FAILURE() << "refused: " << error->message;
      continue;
    }
    ASSERT_TRUE(std::holds_alternative<RenderArgs>(result));
    const RenderArgs& got = std::get<RenderArgs>(result);
    const RenderArgs& want = c.expected;
    EXPECT_EQ(got.width, want.width);
    EXPECT_EQ(got.height, want.height);
    EXPECT_EQ(got.start.red, want.start.red);
    EXPECT_EQ(got.start.green, want.start.green);
    EXPECT_EQ(got.start.blue, want.start.blue);
    EXPECT_EQ(got.end.red, want.end.red);
    EXPECT_EQ(got.end.green, want.end.green);
    EXPECT_EQ(got.end.blue, want.end.blue);
    EXPECT_EQ(got.style, want.style);
    EXPECT_EQ(got.weight, want.weight);
    EXPECT_EQ(got.rect.left, want.rect.left);
    EXPECT_EQ(got.rect.top, want.rect.top);
    EXPECT_EQ(got.rect.right, want.rect.right);
    EXPECT_EQ(got.rect.bottom, want.rect.bottom);
    EXPECT_EQ(got.out, want.out);
    EXPECT_EQ(got.outIndex, want.outIndex);
    EXPECT_EQ(got.set, want.set);
    if (!got.out.empty()) {
      EXPECT_EQ(c.args.at(got.outIndex), got.out);
    }
  }
}

// ---------------------------------------------------------------- help

// The cases in which `word` (--help or --version) answers whatever else the
// arguments say.
std::vector<std::vector<std::string>> AnsweredWherever(const std::string& word) {
  return {
      {word},
      RequiredWith({word}),
      {word, "--size", "0x0"},
      {"--size", "0x0", word},
      {"--bogus", "stray", word},
      {word, "--out"},
      // Never a value: "--out --help" asks for help, it names no file.
      RequiredWithValue("--out", word),
  };
}

TEST(ParseRenderArgs, HelpWinsWhereverItStands) {
  auto cases = AnsweredWherever("--help");
  cases.push_back({"--version", "--help"});
  cases.push_back({"--help", "--version"});
  for (const auto& args : cases) {
    SCOPED_TRACE(Joined(args));
    EXPECT_TRUE(std::holds_alternative<HelpRequest>(ParseRenderArgs(args)));
  }
}

TEST(ParseRenderArgs, VersionWinsOverAllButHelp) {
  for (const auto& args : AnsweredWherever("--version")) {
    SCOPED_TRACE(Joined(args));
    EXPECT_TRUE(std::holds_alternative<VersionRequest>(ParseRenderArgs(args)));
  }
}

TEST(ParseRenderArgs, NoArgumentsAtAllShowTheUsage) {
  const ParseResult result = ParseRenderArgs(std::vector<std::string>{});
  const auto* error = std::get_if<ArgsError>(&result);
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->exitCode, kExitBadArguments);
  EXPECT_TRUE(error->showUsage);
  EXPECT_EQ(error->message.find('\n'), std::string::npos) << error->message;
}

TEST(VersionText, IsTheNameAndTheProjectVersion) {
  EXPECT_EQ(VersionText(), "huevane-render " HUEVANE_VERSION_TEXT "\n");
}

// The manual page is made from this text (cmake/HelpManual.cmake), which
// reads it in its parts: the usage lines first, then the sections.
TEST(UsageText, HasEveryPartTheManualPageIsMadeOf) {
  const std::string& usage = UsageText();
  ASSERT_FALSE(usage.empty());
  EXPECT_EQ(usage.back(), '\n');
  EXPECT_TRUE(usage.starts_with(UsageLines())) << usage;
  EXPECT_TRUE(UsageLines().starts_with("Usage: huevane-render ")) << UsageLines();
  for (const char* entry :
       {"\n  --size WxH ", "\n  --start R,G,B ", "\n  --end R,G,B ", "\n  --style N ",
        "\n  --weight N ", "\n  --rect L,T,R,B ", "\n  --out FILE ", "\n  --help ",
        "\n  --version ", "- for standard output", "\nOptions:\n", "\nExit status:\n  0  ",
        "\n  1  ", "\n  2  ", "\nExamples:\n  ", "\n    huevane-render "
#ifndef _WIN32
        ,
        "\n  --set[=TARGET]  ", "\n  3  with --set", "\n    huevane-render --set "
#endif
       }) {
    EXPECT_NE(usage.find(entry), std::string::npos) << entry;
  }
  const std::size_t options = usage.find("\nOptions:\n");
  const std::size_t statuses = usage.find("\nExit status:\n");
  const std::size_t examples = usage.find("\nExamples:\n");
  EXPECT_LT(options, statuses);
  EXPECT_LT(statuses, examples);
}

// Fits a terminal of 80 columns, with room for a manual page's indent.
TEST(UsageText, NoLineIsWiderThanSeventyNineColumns) {
  const std::string& usage = UsageText();
  std::size_t start = 0;
  while (start < usage.size()) {
    const std::size_t end = usage.find('\n', start);
    const std::string line = usage.substr(start, end - start);
    EXPECT_LE(line.size(), 79u) << line;
    start = end + 1;
  }
}

// ---------------------------------------------------------------- refused

struct Refused {
  std::vector<std::string> args;
  std::vector<std::string> mentions;  // each must appear in the message
};

TEST(ParseRenderArgs, RefusesBadArgumentsWithExitTwoAndAOneLineReason) {
  const std::vector<Refused> cases = {
      // Missing or repeated options.
      {RequiredWithout("--size"), {"missing", "--size"}},
      {RequiredWithout("--start"), {"missing", "--start"}},
      {RequiredWithout("--end"), {"missing", "--end"}},
      {RequiredWithout("--style"), {"missing", "--style"}},
      {RequiredWithout("--out"), {"missing", "--out"}},
      {RequiredWith({"--size", "2x3"}), {"--size", "twice"}},
      {RequiredWith({"--start", "1,2,3"}), {"--start", "twice"}},
      {RequiredWith({"--end", "1,2,3"}), {"--end", "twice"}},
      {RequiredWith({"--style", "0"}), {"--style", "twice"}},
      {RequiredWith({"--weight", "1", "--weight", "1"}), {"--weight", "twice"}},
      {RequiredWith({"--rect", "0,0,1,1", "--rect", "0,0,1,1"}), {"--rect", "twice"}},
      {RequiredWith({"--out", "a.bmp"}), {"--out", "twice"}},
      // Unknown options, stray words, a value missing at the end.
      {RequiredWith({"--colour", "1"}), {"unknown option", "'--colour'"}},
      {RequiredWith({"--size=2x3"}), {"unknown option", "'--size=2x3'"}},
      {RequiredWith({"--HELP"}), {"unknown option", "'--HELP'"}},
      {RequiredWith({"-s"}), {"unknown option", "'-s'"}},
      {RequiredWith({"picture.bmp"}), {"unexpected argument", "'picture.bmp'"}},
      {RequiredWith({"-"}), {"unexpected argument", "'-'"}},
      {RequiredWith({""}), {"unexpected argument", "''"}},
      {RequiredWith({"--weight"}), {"--weight", "needs a value"}},
      {{"--size"}, {"--size", "needs a value"}},
      // An option name where a value belongs: the value is what is missing.
      {RequiredWithValue("--out", "--style"), {"option --out needs a value"}},
      {{"--out", "--size", "4x4", "--start", "1,2,3", "--end", "4,5,6", "--style", "0"},
       {"option --out needs a value"}},
      {RequiredWith({"--weight", "--rect", "0,0,1,1"}), {"option --weight needs a value"}},
      // Sizes.
      {RequiredWithValue("--size", "0x5"), {"--size", "'0x5'", "at least 1"}},
      {RequiredWithValue("--size", "5x0"), {"--size", "'5x0'", "at least 1"}},
      {RequiredWithValue("--size", "-1x5"), {"--size", "'-1x5'", "at least 1"}},
      {RequiredWithValue("--size", "-2147483648x-2147483648"), {"--size", "at least 1"}},
      {RequiredWithValue("--size", "5"), {"--size", "WxH", "'5'"}},
      {RequiredWithValue("--size", "5x5x5"), {"--size", "WxH", "'5x5x5'"}},
      {RequiredWithValue("--size", ""), {"--size", "WxH", "''"}},
      {RequiredWithValue("--size", "5X5"), {"--size", "WxH", "'5X5'"}},
      {RequiredWithValue("--size", "5,5"), {"--size", "WxH", "'5,5'"}},
      {RequiredWithValue("--size", "x5"), {"--size", "''", "not an integer"}},
      {RequiredWithValue("--size", "5x"), {"--size", "''", "not an integer"}},
      {RequiredWithValue("--size", "1.5x2"), {"--size", "'1.5'", "not an integer"}},
      {RequiredWithValue("--size", "+2x2"), {"--size", "'+2'", "not an integer"}},
      {RequiredWithValue("--size", " 2x2"), {"--size", "' 2'", "not an integer"}},
      {RequiredWithValue("--size", "2x2 "), {"--size", "'2 '", "not an integer"}},
      {RequiredWithValue("--size", "2147483648x1"), {"--size", "'2147483648'", "32-bit"}},
      {RequiredWithValue("--size", "1x99999999999999999999"),
       {"--size", "'99999999999999999999'", "32-bit"}},
      // More pixel bytes than a BMP file can hold, without overflowing on the way.
      {RequiredWithValue("--size", "2147483647x2147483647"),
       {"--size", "'2147483647x2147483647'", "2147483593 bytes", "BMP"}},
      {RequiredWithValue("--size", "1x536870899"), {"--size", "'1x536870899'", "BMP"}},
      {RequiredWithValue("--size", "715827865x1"), {"--size", "'715827865x1'", "BMP"}},
      {RequiredWithValue("--size", "100000x100000"), {"--size", "'100000x100000'", "BMP"}},
      // Colours: the count, then each number.
      {RequiredWithValue("--start", "1,2"), {"--start", "R,G,B", "'1,2'"}},
      {RequiredWithValue("--start", "1,2,3,4"), {"--start", "R,G,B", "'1,2,3,4'"}},
      {RequiredWithValue("--start", "1,2,3,"), {"--start", "R,G,B", "'1,2,3,'"}},
      {RequiredWithValue("--start", ""), {"--start", "R,G,B", "''"}},
      {RequiredWithValue("--start", "1;2;3"), {"--start", "R,G,B", "'1;2;3'"}},
      {RequiredWithValue("--start", "1,,3"), {"--start", "'1,,3'", "'' is not an integer"}},
      {RequiredWithValue("--start", "1.5,2,3"), {"--start", "'1.5'", "not an integer"}},
      {RequiredWithValue("--start", "0x10,2,3"), {"--start", "'0x10'", "not an integer"}},
      {RequiredWithValue("--start", " 3,2,3"), {"--start", "' 3'", "not an integer"}},
      {RequiredWithValue("--start", "3 ,2,3"), {"--start", "'3 '", "not an integer"}},
      {RequiredWithValue("--start", "+3,2,3"), {"--start", "'+3'", "not an integer"}},
      {RequiredWithValue("--start", "1,2,red"), {"--start", "'red'", "not an integer"}},
      {RequiredWithValue("--start", "2147483648,0,0"), {"--start", "'2147483648'", "32-bit"}},
      {RequiredWithValue("--end", "0,-2147483649,0"), {"--end", "'-2147483649'", "32-bit"}},
      {RequiredWithValue("--end", "0,0,4294967296"), {"--end", "'4294967296'", "32-bit"}},
      {RequiredWithValue("--end", "0,0"), {"--end", "R,G,B", "'0,0'"}},
      {RequiredWithValue("--end", "1e2,0,0"), {"--end", "'1e2'", "not an integer"}},
      // Single numbers.
      {RequiredWithValue("--style", ""), {"--style", "''", "not an integer"}},
      {RequiredWithValue("--style", "1.5"), {"--style", "'1.5'", "not an integer"}},
      {RequiredWithValue("--style", "0x10"), {"--style", "'0x10'", "not an integer"}},
      {RequiredWithValue("--style", " 3"), {"--style", "' 3'", "not an integer"}},
      {RequiredWithValue("--style", "3 "), {"--style", "'3 '", "not an integer"}},
      {RequiredWithValue("--style", "+3"), {"--style", "'+3'", "not an integer"}},
      {RequiredWithValue("--style", "-"), {"--style", "'-'", "not an integer"}},
      {RequiredWithValue("--style", "--"), {"--style", "'--'", "not an integer"}},
      {RequiredWithValue("--style", "three"), {"--style", "'three'", "not an integer"}},
      {RequiredWithValue("--style", "2147483648"), {"--style", "'2147483648'", "32-bit"}},
      {RequiredWithValue("--style", "-2147483649"), {"--style", "'-2147483649'", "32-bit"}},
      {RequiredWith({"--weight", "12a"}), {"--weight", "'12a'", "not an integer"}},
      {RequiredWith({"--weight", ""}), {"--weight", "''", "not an integer"}},
      {RequiredWith({"--weight", "4294967424"}), {"--weight", "'4294967424'", "32-bit"}},
      // Rectangles.
      {RequiredWith({"--rect", "0,0,0"}), {"--rect", "L,T,R,B", "'0,0,0'"}},
      {RequiredWith({"--rect", "0,0,0,0,0"}), {"--rect", "L,T,R,B", "'0,0,0,0,0'"}},
      {RequiredWith({"--rect", "0,0,a,0"}), {"--rect", "'a'", "not an integer"}},
      {RequiredWith({"--rect", "0,0,2147483648,0"}), {"--rect", "'2147483648'", "32-bit"}},
      // The file name.
      {RequiredWithValue("--out", ""), {"--out", "empty"}},
      // Offending text is quoted on one line, control characters escaped.
      {RequiredWithValue("--style", "3\n4"), {"--style", "'3\\x0A4'"}},
      {RequiredWith({"x\r\ty"}), {"'x\\x0D\\x09y'"}},
      // The first problem in argument order is the one reported.
      {{"--style", "x", "--size", "0x0"}, {"--style", "'x'"}},
#ifdef _WIN32
      // Only the Linux build sets wallpapers.
      {RequiredWith({"--set"}), {"unknown option", "'--set'"}},
      {RequiredWith({"--set=x11"}), {"unknown option", "'--set=x11'"}},
#else
      {RequiredWith({"--set=X11"}), {"--set", "unknown target", "'X11'", "x11"}},
      {RequiredWith({"--set="}), {"--set", "unknown target", "''"}},
      {RequiredWith({"--set", "x11"}), {"unexpected argument", "'x11'"}},
      {RequiredWith({"--set", "--set=x11"}), {"--set", "twice"}},
      {RequiredWithValue("--out", "--set=x11"), {"option --out needs a value"}},
      {{"--set", "--end", "4,5,6", "--style", "0"}, {"missing", "--start"}},
      {{"--set", "--size", "1x1", "--start", "0,0,0", "--end", "9,9,9", "--style", "0", "--rect",
        "0,0,16777224,0"},
       {"--rect", "limit"}},
#endif
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(Joined(c.args));
    const ParseResult result = ParseRenderArgs(c.args);
    const auto* error = std::get_if<ArgsError>(&result);
    if (error == nullptr) {
      ADD_FAILURE() << "accepted";
      continue;
    }
    EXPECT_EQ(error->exitCode, kExitBadArguments);
    EXPECT_FALSE(error->showUsage) << "only a bare command shows the usage";
    EXPECT_FALSE(error->message.empty());
    EXPECT_EQ(error->message.find('\n'), std::string::npos) << error->message;
    EXPECT_EQ(error->message.find('\r'), std::string::npos) << error->message;
    for (const std::string& mention : c.mentions) {
      EXPECT_NE(error->message.find(mention), std::string::npos)
          << "message: " << error->message << "\nlacks: " << mention;
    }
  }
}

TEST(ParseRenderArgs, RefusesARectangleOverTheBudgetAndNamesIt) {
  const auto args = [](const std::string& style, const std::string& rect) {
    return std::vector<std::string>{"--size",  "1x1", "--start", "0,0,0", "--end", "9,9,9",
                                    "--style", style, "--rect",  rect,    "--out", "a.bmp"};
  };
  EXPECT_TRUE(std::holds_alternative<RenderArgs>(ParseRenderArgs(args("0", "0,0,16777223,0"))));

  const std::vector<std::pair<std::string, std::string>> refused = {
      {"0", "0,0,16777224,0"},
      {"0", "0,0,2147483647,0"},
      {"2", "0,-2147483648,2147483647,2147483647"},
      {"3", "0,-2147483648,2147483647,2147483647"},
      {"5", "2147483647,-2147483648,0,2147483647"},
  };
  for (const auto& [style, rect] : refused) {
    SCOPED_TRACE("style " + style + " rect " + rect);
    const ParseResult result = ParseRenderArgs(args(style, rect));
    const auto* error = std::get_if<ArgsError>(&result);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->exitCode, kExitBadArguments);
    EXPECT_NE(error->message.find("--rect '" + rect + "'"), std::string::npos) << error->message;
    EXPECT_NE(error->message.find("--style " + style), std::string::npos) << error->message;
    EXPECT_NE(error->message.find("limit"), std::string::npos) << error->message;
  }
}

}  // namespace
