#include "tools/set_wallpaper.h"

#include <chrono>
#include <filesystem>
#include <system_error>
#include <vector>

#include "render/surface.h"
#include "tools/desktop_settings.h"
#include "tools/wallpaper_choice.h"
#include "tools/x11_root.h"

namespace set_wallpaper {
namespace {

namespace fs = std::filesystem;
using render_args::kExitBadArguments;
using render_args::kExitFillOrWriteFailed;
using render_args::kExitOk;
using render_args::kExitWallpaperNotSet;
using render_args::Quoted;
using render_args::RenderArgs;
using render_args::SetTarget;

class Setter {
 public:
  Setter(const RenderArgs& args, const files::PathName& out, const Steps& steps)
      : args_(args), out_(out), steps_(steps), session_(wallpaper_choice::ThisSession()) {}

  int Run() {
    const wallpaper_choice::Choice choice = wallpaper_choice::ChooseTarget(args_.set, session_);
    if (choice.target == SetTarget::None) return OnlyTheFile(choice.problem);
    if (choice.target == SetTarget::X11) return X11();
    return Desktop(choice.target);
  }

 private:
  bool Sized() const { return args_.width > 0; }
  bool WantsFile() const { return !args_.out.empty(); }

  int NotSet(const std::string& why) {
    steps_.say("the wallpaper was not set: " + why);
    return kExitWallpaperNotSet;
  }

  // The picture at `width` x `height`, or nullptr with the reason said, and
  // `status` the exit status that goes with it.
  std::unique_ptr<TWin> Paint(std::int32_t width, std::int32_t height, int& status) {
    if (const auto problem = render_args::RectProblem(args_, width, height)) {
      steps_.say(*problem);
      status = kExitBadArguments;
      return nullptr;
    }
    std::unique_ptr<TWin> picture = steps_.paint(width, height);
    if (picture == nullptr) status = kExitFillOrWriteFailed;
    return picture;
  }

  bool WriteOut(const TWin& picture) { return steps_.write(picture, args_.out, out_); }

  // No wallpaper can be set, for `why`: the file alone, where one is asked for.
  int OnlyTheFile(const std::string& why) {
    if (WantsFile()) {
      if (!Sized()) {
        steps_.say("cannot write " + Quoted(args_.out) +
                   ": give --size, as there is no screen to take it from");
        NotSet(why);
        return kExitFillOrWriteFailed;
      }
      int status = kExitOk;
      const std::unique_ptr<TWin> picture = Paint(args_.width, args_.height, status);
      if (picture == nullptr) return status;
      if (!WriteOut(*picture)) return kExitFillOrWriteFailed;
    }
    return NotSet(why);
  }

  int X11() {
    x11_root::Display display;
    if (std::string problem = display.Open(session_.display); !problem.empty()) {
      return OnlyTheFile(problem);
    }
    const std::vector<x11_root::Screen>& screens = display.Screens();
    // The default screen first: the file, when one is asked for, is its picture.
    std::vector<int> order = {display.DefaultScreen()};
    for (int i = 0; i < static_cast<int>(screens.size()); ++i) {
      if (i != display.DefaultScreen()) order.push_back(i);
    }
    std::string refused;
    bool prepared = false;
    for (const int index : order) {
      const x11_root::Screen& screen = screens[static_cast<std::size_t>(index)];
      const bool takesFile = index == display.DefaultScreen() && WantsFile();
      if (!screen.refusal.empty()) refused += (refused.empty() ? "" : "; ") + screen.refusal;
      if (!screen.refusal.empty() && !takesFile) continue;
      int status = kExitOk;
      const std::unique_ptr<TWin> picture = Sized() ? Paint(args_.width, args_.height, status)
                                                    : Paint(screen.width, screen.height, status);
      if (picture == nullptr) return status;
      if (takesFile && !WriteOut(*picture)) return kExitFillOrWriteFailed;
      if (!screen.refusal.empty()) continue;
      if (std::string problem = display.Prepare(index, *picture); !problem.empty()) {
        return NotSet(problem);
      }
      prepared = true;
    }
    if (prepared) {
      if (std::string problem = display.Commit(); !problem.empty()) return NotSet(problem);
    }
    if (!refused.empty()) return NotSet(refused);
    return kExitOk;
  }

  int Desktop(SetTarget target) {
    std::int32_t width = args_.width;
    std::int32_t height = args_.height;
    if (!Sized()) {
      x11_root::Display display;
      const std::string problem = display.Open(session_.display);
      if (!problem.empty()) {
        const std::string why = "the screen's size is unknown (" + problem + "): give --size";
        if (!WantsFile()) return NotSet(why);
        steps_.say("cannot write " + Quoted(args_.out) + ": " + why);
        return kExitFillOrWriteFailed;
      }
      const x11_root::Screen& screen =
          display.Screens()[static_cast<std::size_t>(display.DefaultScreen())];
      width = screen.width;
      height = screen.height;
    }
    int status = kExitOk;
    const std::unique_ptr<TWin> picture = Paint(width, height, status);
    if (picture == nullptr) return status;
    if (WantsFile() && !WriteOut(*picture)) return kExitFillOrWriteFailed;

    const std::optional<std::string> folder = wallpaper_choice::PictureFolder(session_);
    if (!folder) {
      return NotSet(
          "neither XDG_DATA_HOME nor HOME is set, so there is no folder to keep the "
          "picture in for the desktop");
    }
    std::error_code error;
    fs::create_directories(*folder, error);
    if (error) return NotSet("cannot make the folder " + Quoted(*folder) + ": " + error.message());
    // A new name each time: GNOME draws nothing new for a name it has shown.
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const std::string name = wallpaper_choice::PictureName(static_cast<unsigned long long>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    const std::string file = *folder + "/" + name;
    if (!steps_.write(*picture, file, fs::path(file))) {
      return NotSet("the picture could not be kept for the desktop");
    }
    const desktop_settings::Outcome outcome = desktop_settings::Apply(target, file);
    if (!outcome.set) {
      std::string why = outcome.problem + "; the picture is " + Quoted(file);
      if (!outcome.command.empty()) why += "; to set it: " + outcome.command;
      return NotSet(why);
    }
    // The earlier pictures, once the desktop shows the new one.
    for (const auto& entry : fs::directory_iterator(*folder, error)) {
      const std::string other = entry.path().filename().string();
      if (other != name && wallpaper_choice::IsPictureName(other)) {
        std::error_code ignored;
        fs::remove(entry.path(), ignored);
      }
    }
    return kExitOk;
  }

  const RenderArgs& args_;
  const files::PathName& out_;
  const Steps& steps_;
  const wallpaper_choice::Session session_;
};

}  // namespace

int Run(const RenderArgs& args, const files::PathName& out, const Steps& steps) {
  return Setter(args, out, steps).Run();
}

}  // namespace set_wallpaper
