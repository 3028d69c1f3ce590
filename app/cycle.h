// The regeneration cycle: the one operation every change of the seven
// control values runs. Portable: publishing and the cue are reached through
// CycleSinks, so the order of the steps is testable anywhere.
#pragma once

#include <cstdint>
#include <string>

class TWin;

namespace app {

// The seven scroll-bar positions, passed on as they are.
struct ControlValues {
  std::int32_t startRed, startGreen, startBlue;
  std::int32_t endRed, endGreen, endBlue;
  std::int32_t style;
};

// Every start: pure red to pure blue, left to right.
constexpr ControlValues kValuesAtStart{255, 0, 0, 0, 0, 255, 0};

class CycleSinks {
 public:
  virtual ~CycleSinks() = default;
  virtual void PublishWallpaper(const std::wstring& path) = 0;
  virtual void Beeper(std::int32_t cue) = 0;
};

// Paints the whole surface, saves it at `wallpaperPath`, publishes that path
// and plays the strum, each step finished before the next. A failed save is
// swallowed: the path is still published and the cue still plays. A fill
// error ends the cycle at that step and reaches the caller.
void RegenerationCycle(TWin& surface, const std::wstring& wallpaperPath,
                       const ControlValues& values, CycleSinks& sinks);

}  // namespace app
