// e2e_driver: the Windows half of the end-to-end suite. It runs in the same
// Wine prefix as huevane.exe and does what only a Windows process can do
// there: set the user's temporary folder and wallpaper setting before a run,
// find the program's windows on its virtual desktop, read back what the
// program published, end the program the way a user or a log-off does,
// hold the wallpaper file open as a scanner does, and change the size of
// the program's screen.
//
//   e2e_driver VERB [ARG ...]
//   e2e_driver --desktop NAME VERB [ARG ...]
//
// The verbs and their arguments are the rows of kVerbs below, and the verbs
// themselves sit in a file for each group (driver.h); `e2e_driver --help`
// prints them. MS is a timeout in milliseconds;
// BAR a scroll bar's place on the main window, counted from the left
// (0..6); KEY a virtual-key code; CLASS the window class of one of the
// program's top-level windows; FILE a Windows path.
//
// Output is one "key value" line per fact, in UTF-8, so that the suite can
// compare non-ASCII paths byte for byte. Exit status: 0 done, 1 the command
// failed (reason on the last line), 2 bad arguments.

#include "driver.h"

namespace {

using namespace driver;

using Args = std::vector<std::wstring>;

// How many arguments a verb takes after its name.
struct Arity {
  std::size_t min;
  std::size_t max;
  std::size_t group;  // they come in groups of this many

  bool Fits(std::size_t count) const { return min <= count && count <= max && count % group == 0; }
};

constexpr Arity Exactly(std::size_t count) { return {count, count, 1}; }
constexpr Arity Between(std::size_t min, std::size_t max) { return {min, max, 1}; }
constexpr Arity Groups(std::size_t size) { return {size, SIZE_MAX, size}; }

// A verb works on the prefix alone, or on the program's virtual desktop,
// named by --desktop NAME before the verb. The driver joins that desktop
// before the verb runs, except where the program's start may not have
// created it yet: such a verb joins it itself, when it appears.
enum class Place { kPrefix, kDesktop, kDesktopToCome };

// A verb's call: the desktop named by --desktop, and the arguments after
// the verb's name.
struct Call {
  const std::wstring& desktop;
  const Args& args;

  unsigned long Number(std::size_t at) const { return std::wcstoul(args[at].c_str(), nullptr, 10); }
  DWORD Ms(std::size_t at) const { return static_cast<DWORD>(Number(at)); }
};

struct Verb {
  const wchar_t* name;
  Place place;
  Arity arity;
  const wchar_t* usage;  // its arguments, as the usage line shows them
  int (*run)(const Call& call);
};

// Every verb. The usage line (in this order), the check of the arguments
// and the dispatch are all made from this table.
constexpr Verb kVerbs[] = {
    {L"profile", Place::kPrefix, Exactly(0), L"", [](const Call&) { return Profile(); }},
    {L"prepare", Place::kPrefix, Between(1, 2), L"TEMP_FOLDER [WINDOWS_VERSION]",
     [](const Call& call) {
       return Prepare(call.args[0], call.args.size() == 2 ? call.args[1] : L"");
     }},
    {L"wallpaper", Place::kPrefix, Exactly(0), L"", [](const Call&) { return Wallpaper(); }},
    {L"hold", Place::kPrefix, Exactly(3), L"FILE HOLD_MS BOUND_MS",
     [](const Call& call) { return Hold(call.args[0], call.Ms(1), call.Ms(2)); }},
    {L"release", Place::kPrefix, Exactly(0), L"", [](const Call&) { return Release(); }},
    {L"wait", Place::kDesktopToCome, Exactly(1), L"MS",
     [](const Call& call) { return Wait(call.desktop, call.Ms(0)); }},
    {L"state", Place::kDesktop, Exactly(0), L"", [](const Call&) { return State(); }},
    {L"close", Place::kDesktop, Exactly(1), L"MS",
     [](const Call& call) { return AwaitEnd(call.Ms(0), /*close=*/true); }},
    {L"exit", Place::kDesktop, Exactly(1), L"MS",
     [](const Call& call) { return AwaitEnd(call.Ms(0), /*close=*/false); }},
    {L"logoff", Place::kDesktop, Exactly(1), L"MS",
     [](const Call& call) { return LogOff(call.Ms(0)); }},
    {L"bars", Place::kDesktop, Exactly(0), L"", [](const Call&) { return Bars(); }},
    {L"keys", Place::kDesktop, Groups(3), L"BAR KEY COUNT...",
     [](const Call& call) { return Keys(call.args); }},
    {L"answers", Place::kDesktop, Between(1, SIZE_MAX), L"MS [BAR KEY COUNT]...",
     [](const Call& call) {
       return Answers(call.Ms(0), Args(call.args.begin() + 1, call.args.end()));
     }},
    {L"drag", Place::kDesktop, Exactly(3), L"BAR COUNT FINAL",
     [](const Call& call) {
       return Drag(call.args[0], call.Number(1),
                   static_cast<int>(std::wcstol(call.args[2].c_str(), nullptr, 10)));
     }},
    {L"storm", Place::kDesktop, Exactly(2), L"SEED COUNT",
     [](const Call& call) {
       return Storm(static_cast<std::uint32_t>(call.Number(0)) | 1u, call.Number(1));
     }},
    {L"usage", Place::kDesktop, Exactly(0), L"", [](const Call&) { return ResourceUsage(); }},
    {L"tooltips", Place::kDesktop, Exactly(0), L"", [](const Call&) { return Tooltips(); }},
    {L"menus", Place::kDesktop, Exactly(0), L"", [](const Call&) { return Menus(); }},
    {L"form", Place::kDesktop, Exactly(1), L"CLASS",
     [](const Call& call) { return Form(call.args[0]); }},
    {L"repaint", Place::kDesktop, Exactly(1), L"CLASS",
     [](const Call& call) { return Repaint(call.args[0], Painter::kDesktop); }},
    {L"redraw", Place::kDesktop, Exactly(1), L"CLASS",
     [](const Call& call) { return Repaint(call.args[0], Painter::kWindow); }},
    {L"invalidate", Place::kDesktop, Exactly(5), L"CLASS LEFT TOP RIGHT BOTTOM",
     [](const Call& call) {
       const RECT part{static_cast<LONG>(call.Number(1)), static_cast<LONG>(call.Number(2)),
                       static_cast<LONG>(call.Number(3)), static_cast<LONG>(call.Number(4))};
       return Invalidate(call.args[0], part);
     }},
    {L"front", Place::kDesktop, Exactly(1), L"BOUND_MS",
     [](const Call& call) { return Front(call.Ms(0)); }},
    {L"display", Place::kDesktop, Exactly(3), L"WIDTH HEIGHT MS",
     [](const Call& call) { return Display(call.Number(0), call.Number(1), call.Ms(2)); }},
};

// For arguments that name no verb, or not the way it is called: the line
// that says how the driver is called, with the verbs of the prefix, then
// those of a desktop.
int BadArguments() {
  std::wstring prefix, desktop;
  for (const Verb& verb : kVerbs) {
    std::wstring& line = verb.place == Place::kPrefix ? prefix : desktop;
    if (!line.empty()) line += L" | ";
    line += verb.name;
    if (*verb.usage != L'\0') line += std::wstring(L" ") + verb.usage;
  }
  Say(L"error", L"usage: e2e_driver " + prefix + L" | --desktop NAME (" + desktop + L")");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Args args(argv + 1, argv + argc);
  const bool onDesktop = !args.empty() && args[0] == L"--desktop";
  std::wstring desktop;
  if (onDesktop) {
    if (args.size() < 3) return BadArguments();
    desktop = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) return BadArguments();
  const Verb* verb = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                  [&](const Verb& known) { return args[0] == known.name; });
  const Args rest(args.begin() + 1, args.end());
  if (verb == std::end(kVerbs) || (verb->place != Place::kPrefix) != onDesktop ||
      !verb->arity.Fits(rest.size())) {
    return BadArguments();
  }
  if (verb->place == Place::kDesktop && !JoinDesktop(desktop)) {
    return Fail(L"cannot join the desktop " + desktop);
  }
  return verb->run({desktop, rest});
}