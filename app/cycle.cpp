#include "app/cycle.h"

#include <filesystem>

#include "render/surface.h"

namespace app {

void RegenerationCycle(TWin& surface, const std::wstring& wallpaperPath,
                       const ControlValues& values, const CycleServices& services) {
  // Weight 128 and a negative left: every pixel of the surface is replaced.
  surface.FillGradient(values.startRed, values.startGreen, values.startBlue, values.endRed,
                       values.endGreen, values.endBlue, values.style, 128, -1, -2, -3, -4);
  surface.SaveToBmp(std::filesystem::path(wallpaperPath));
  desktop::PublishWallpaper(services.system, services.desktop, wallpaperPath);
  services.sounds.Beeper(kCueStrum);
}

}  // namespace app
