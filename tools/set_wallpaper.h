// What --set does once the arguments are read: chooses the target, makes the
// picture at the size it needs (each X screen its own), writes --out when
// asked, and makes the picture the wallpaper. Linux only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "files/path_name.h"
#include "tools/render_args.h"

class TWin;

namespace set_wallpaper {

// The renderer's own steps, each of which says why when it fails.
struct Steps {
  // The picture `args` asks for at this size; nullptr when it cannot be made.
  std::function<std::unique_ptr<TWin>(std::int32_t width, std::int32_t height)> paint;
  // Writes `picture` to `path`, shown to the user as `shown`.
  std::function<bool(const TWin& picture, const std::string& shown, const files::PathName& path)>
      write;
  // One line to stderr.
  std::function<void(const std::string& message)> say;
};

// The exit status: kExitOk once the wallpaper is set; kExitFillOrWriteFailed
// when a picture asked for could not be made or written;
// kExitWallpaperNotSet when the picture was made (and written where --out
// asked) but is not the wallpaper.
int Run(const render_args::RenderArgs& args, const files::PathName& out, const Steps& steps);

}  // namespace set_wallpaper
