#include "tools/desktop_settings.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "tools/wallpaper_choice.h"

extern char** environ;

namespace desktop_settings {
namespace {

using render_args::Quoted;
using render_args::SetTarget;

struct ToolRun {
  int error = 0;       // errno when it could not be started (ENOENT: not installed)
  int status = -1;     // its exit status; -1 when a signal ended it
  std::string output;  // what it printed, standard output and error together
};

// Runs `argv` (found through PATH) with no input and waits for it.
ToolRun Run(const std::vector<std::string>& argv) {
  ToolRun run;
  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0) {
    run.error = errno;
    return run;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipe[1], 2);
  std::vector<char*> words;
  for (const std::string& word : argv) words.push_back(const_cast<char*>(word.c_str()));
  words.push_back(nullptr);
  pid_t pid = 0;
  run.error = posix_spawnp(&pid, words[0], &actions, nullptr, words.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe[1]);
  if (run.error == 0) {
    char buffer[4096];
    for (;;) {
      const ssize_t got = ::read(pipe[0], buffer, sizeof buffer);
      if (got > 0) {
        run.output.append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        break;
      }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  ::close(pipe[0]);
  return run;
}

// `words` as a shell would take them back: each in single quotes unless it
// is plain.
std::string CommandLine(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& word : words) {
    if (!line.empty()) line += ' ';
    bool plain = !word.empty();
    for (const char c : word) {
      plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || std::strchr("-_./:=,", c));
    }
    if (plain) {
      line += word;
      continue;
    }
    if (word.find_first_of("'") != std::string::npos &&
        word.find_first_of("$`\"\\!") == std::string::npos) {
      line.append(1, '"').append(word).append(1, '"');
      continue;
    }
    line += '\'';
    for (const char c : word) {
      if (c == '\'') {
        line += "'\\''";
      } else {
        line += c;
      }
    }
    line += '\'';
  }
  return line;
}

// The first line of what a program said, for a one-line message.
std::string FirstLine(const std::string& output) {
  std::string line = output.substr(0, output.find('\n'));
  if (line.size() > 200) line.resize(200);
  return line;
}

// Why `run` of `argv` failed, or nothing when it succeeded.
std::string Failure(const std::vector<std::string>& argv, const ToolRun& run) {
  if (run.error == ENOENT) return argv[0] + " was not found";
  if (run.error != 0) return "cannot run " + argv[0] + ": " + std::strerror(run.error);
  if (run.status == 0) return {};
  std::string problem = CommandLine(argv) + " failed";
  if (run.status > 0) problem += " (exit status " + std::to_string(run.status) + ")";
  const std::string said = FirstLine(run.output);
  if (!said.empty()) problem += ": " + Quoted(said);
  return problem;
}

// Runs each command in turn; stops at the first that fails.
Outcome RunAll(const std::vector<std::vector<std::string>>& commands, std::string byHand) {
  for (const auto& argv : commands) {
    const std::string problem = Failure(argv, Run(argv));
    if (!problem.empty()) return {false, problem, std::move(byHand)};
  }
  return {true, {}, {}};
}

constexpr std::string_view kGnomeSchema = "org.gnome.desktop.background";

Outcome Gnome(const std::string& file) {
  // In single quotes: GVariant's text of a string.
  std::string uri = wallpaper_choice::FileUri(file);
  uri.insert(0, 1, '\'').push_back('\'');
  const std::string schema(kGnomeSchema);
  // GNOME redraws when picture-uri changes, so that goes last; the picture
  // is the screen's size, shown as it is.
  const std::vector<std::vector<std::string>> commands = {
      {"gsettings", "set", schema, "picture-options", "'centered'"},
      {"gsettings", "set", schema, "picture-uri-dark", uri},
      {"gsettings", "set", schema, "picture-uri", uri},
  };
  Outcome outcome = RunAll(commands, CommandLine(commands.back()));
  if (!outcome.set && outcome.problem.find("picture-uri-dark") != std::string::npos) {
    // GNOME before 42 has no dark picture.
    const ToolRun keys = Run({"gsettings", "list-keys", schema});
    if (keys.error == 0 && keys.status == 0 &&
        keys.output.find("picture-uri-dark") == std::string::npos) {
      return RunAll({commands.back()}, CommandLine(commands.back()));
    }
  }
  return outcome;
}

// Every property of xfce4-desktop that names a backdrop's picture: one for
// each monitor and workspace.
bool IsBackdropImage(std::string_view property) {
  return property.starts_with("/backdrop/") &&
         (property.ends_with("/last-image") || property.ends_with("/image-path"));
}

Outcome Xfce(const std::string& file) {
  const std::vector<std::string> list = {"xfconf-query", "-c", "xfce4-desktop", "-l"};
  const ToolRun listed = Run(list);
  if (std::string problem = Failure(list, listed); !problem.empty()) return {false, problem, {}};
  std::vector<std::string> images;
  std::size_t start = 0;
  while (start < listed.output.size()) {
    const std::size_t end = std::min(listed.output.find('\n', start), listed.output.size());
    const std::string property = listed.output.substr(start, end - start);
    if (IsBackdropImage(property)) images.push_back(property);
    start = end + 1;
  }
  // A desktop that never had a picture chosen has none yet: the first
  // monitor's first workspace is where xfdesktop looks first.
  if (images.empty()) images.push_back("/backdrop/screen0/monitor0/workspace0/last-image");
  std::vector<std::vector<std::string>> commands;
  for (const std::string& image : images) {
    const std::string style = image.substr(0, image.rfind('/')) + "/image-style";
    // -n makes the property where it is missing, and sets it where it is not.
    commands.push_back(
        {"xfconf-query", "-c", "xfce4-desktop", "-p", image, "-n", "-t", "string", "-s", file});
    // 1: centred, unscaled.
    commands.push_back(
        {"xfconf-query", "-c", "xfce4-desktop", "-p", style, "-n", "-t", "int", "-s", "1"});
  }
  return RunAll(commands, CommandLine(commands.front()));
}

}  // namespace

Outcome Apply(SetTarget target, const std::string& file) {
  switch (target) {
    case SetTarget::Gnome: return Gnome(file);
    case SetTarget::Xfce: return Xfce(file);
    case SetTarget::Kde: {
      const std::vector<std::string> argv = {"plasma-apply-wallpaperimage", file};
      return RunAll({argv}, CommandLine(argv));
    }
    case SetTarget::Sway: {
      const std::vector<std::string> argv = {"swaymsg", "output", "*", "bg", file, "fill"};
      return RunAll({argv}, CommandLine(argv));
    }
    case SetTarget::None:
    case SetTarget::Auto:
    case SetTarget::X11: break;
  }
  return {false, "no desktop setting for this target", {}};
}

}  // namespace desktop_settings
