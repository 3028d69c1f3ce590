#include "app/cycle.h"

#include <filesystem>

#include "app/sound.h"
#include "render/surface.h"

namespace app {

void RegenerationCycle(TWin& surface, const std::wstring& wallpaperPath,
                       const ControlValues& values, CycleSinks& sinks) {
  // Weight 128 and a negative left: every pixel of the surface is replaced.
  surface.FillGradient(values.startRed, values.startGreen, values.startBlue, values.endRed,
                       values.endGreen, values.endBlue, values.style, 128, -1, -2, -3, -4);
  surface.SaveToBmp(std::filesystem::path(wallpaperPath));
  sinks.PublishWallpaper(wallpaperPath);
  sinks.Beeper(kCueStrum);
}

}  // namespace app
