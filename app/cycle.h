// The regeneration cycle: the one operation every change of the seven
// control values runs. Portable: the desktop is reached through
// desktop::SystemCalls and the cue through SoundCues, so the order of the
// steps is testable anywhere.
#pragma once

#include <cstdint>
#include <string>

#include "app/sound.h"
#include "desktop/desktop.h"

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

// What a cycle uses besides the surface: the system and the desktop's state
// to publish the wallpaper with, and the cues behind the sound switch.
struct CycleServices {
  desktop::SystemCalls& system;
  desktop::DesktopState& desktop;
  SoundCues& sounds;
};

// Paints the whole surface, saves it at `wallpaperPath`, publishes that path
// and plays the strum, each step finished before the next. A failed save is
// swallowed: the path is still published and the cue still plays. A fill
// error ends the cycle at that step and reaches the caller.
void RegenerationCycle(TWin& surface, const std::wstring& wallpaperPath,
                       const ControlValues& values, const CycleServices& services);

// The same cycle without its cue, for a wallpaper that must be made again
// although the user changed nothing (the screen changed size).
void RepaintWallpaper(TWin& surface, const std::wstring& wallpaperPath, const ControlValues& values,
                      const CycleServices& services);

// Finishes what the last save left (see TWin::FinishSave), and publishes the
// path again once a held-back picture has reached it, so that the desktop
// shows it; no cue. Returns whether work is still left.
bool FinishWallpaper(TWin& surface, const std::wstring& wallpaperPath,
                     const CycleServices& services, bool wait = false);

}  // namespace app
