#include "app/cycle.h"

#include "render/surface.h"

namespace app {

namespace {

// A weight of 128 replaces each pixel outright.
constexpr std::int32_t kOpaque = 128;
// A negative left selects the whole surface; the other three edges are then
// not read.
constexpr std::int32_t kWholeLeft = -1, kWholeTop = -2, kWholeRight = -3, kWholeBottom = -4;

}  // namespace

void RegenerationCycle(TWin& surface, const std::wstring& wallpaperPath,
                       const ControlValues& values, const CycleServices& services) {
  RepaintWallpaper(surface, wallpaperPath, values, services);
  services.sounds.Beeper(kCueStrum);
}

void RepaintWallpaper(TWin& surface, const std::wstring& wallpaperPath, const ControlValues& values,
                      const CycleServices& services) {
  surface.FillGradient(values.startRed, values.startGreen, values.startBlue, values.endRed,
                       values.endGreen, values.endBlue, values.style, kOpaque, kWholeLeft,
                       kWholeTop, kWholeRight, kWholeBottom);
  surface.SaveToBmp(wallpaperPath);
  desktop::PublishWallpaper(services.system, services.desktop, wallpaperPath);
}

bool FinishWallpaper(TWin& surface, const std::wstring& wallpaperPath,
                     const CycleServices& services, bool wait) {
  if (surface.FinishSave(wait)) {
    desktop::PublishWallpaper(services.system, services.desktop, wallpaperPath);
  }
  return surface.SaveUnfinished();
}

}  // namespace app
