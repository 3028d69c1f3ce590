// The wallpaper and its one owner: the path, the screen-sized surface, the
// route its saves take, and the regeneration cycle that every change of the
// seven control values runs. Portable: the desktop is reached through
// desktop::SystemCalls, the cue through SoundCues and the files through
// files::SaveRoute, so all of it is testable anywhere.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/sound.h"
#include "desktop/desktop.h"
#include "files/save_route.h"

class TWin;

namespace app {

// The seven scroll-bar positions, passed on as they are.
struct ControlValues {
  std::int32_t startRed, startGreen, startBlue;
  std::int32_t endRed, endGreen, endBlue;
  std::int32_t style;
};

// What the wallpaper uses besides its own: the system and the desktop's
// state to publish with, and the cues behind the sound switch.
struct WallpaperServices {
  desktop::SystemCalls& system;
  desktop::DesktopState& desktop;
  SoundCues& sounds;
};

// When to try the work left once more, in milliseconds; kNothingLeft when
// there is none, so that no timer need run.
using RetryMs = std::uint32_t;
constexpr RetryMs kNothingLeft = 0;

// How long the process may wait for a held-back picture to land once the
// window has gone, and once the session ends.
constexpr std::uint32_t kCloseBudgetMs = 5000;
constexpr std::uint32_t kSessionEndBudgetMs = 2000;

class Wallpaper {
 public:
  // Waits that many milliseconds; only Settle waits, when no window is left
  // to answer for.
  using Pause = std::function<void(std::uint32_t ms)>;

  Wallpaper(WallpaperServices services, std::unique_ptr<files::SaveRoute> route, Pause pause);
  // Removes every name of ours it can; the wallpaper file stays.
  ~Wallpaper();
  Wallpaper(const Wallpaper&) = delete;
  Wallpaper& operator=(const Wallpaper&) = delete;

  // Composes the wallpaper file path, clears what a killed run left beside
  // it, and makes the surface at the screen's size. Throws SurfaceError when
  // the surface cannot be made.
  void Create();
  // Frees the surface; later changes do nothing until Create.
  void FreeSurface();

  // One regeneration cycle: paints the whole surface, saves it, publishes
  // the path and plays the strum, each step finished before the next. A
  // failed save is swallowed: the path is still published and the cue still
  // plays. A fill error ends the cycle at that step and reaches the caller.
  RetryMs Regenerate(const ControlValues& values);
  // The screen changed size: a new surface at the new size (the old one
  // stays when none can be made) and the same cycle on it, without a cue.
  RetryMs Remake(const ControlValues& values);
  // Tries the work left once more, at once; a held-back picture that lands
  // now is published again, so that the desktop shows it. While work stays
  // left, each try comes later than the one before.
  RetryMs Finish();
  // Nothing is left to answer for (the window has gone, the session ends):
  // waits up to `budgetMs` for a held-back picture to land, then removes
  // every name of ours it can. Later changes work as before.
  void Settle(std::uint32_t budgetMs);

 private:
  RetryMs Paint(const ControlValues& values);
  void Publish();
  // When to try the work left again: `next` from now, never sooner than
  // the first retry; kNothingLeft when none is left.
  RetryMs NextRetry(RetryMs next);

  WallpaperServices services_;
  std::unique_ptr<files::SaveRoute> route_;
  Pause pause_;
  std::wstring path_;
  std::unique_ptr<TWin> surface_;
  RetryMs retryMs_ = kNothingLeft;
};

}  // namespace app
