// The seven sound cues and the process-wide sound switch. Portable: the
// platform's sound service is reached through SoundPlayer.
#pragma once

#include <cstdint>

namespace app {

enum Cue : std::int32_t {
  kCueStart = 0,  // "Make Noise"
  kCueClick = 1,  // start-up, before the windows are built
  kCueTick = 2,
  kCuePop = 3,
  kCueStrum = 4,  // end of every regeneration cycle; "About"
  kCueExit = 5,   // "Help"
  kCueAir = 6,
};
// The cue numbers run from 0 to kCueCount - 1.
inline constexpr std::int32_t kCueCount = kCueAir + 1;

// The WAVE resource name of a cue, or nullptr for a number that names none.
const char* CueName(std::int32_t cue);

class SoundPlayer {
 public:
  virtual ~SoundPlayer() = default;
  // Starts the named WAVE resource of the program playing and returns at
  // once, stopping any cue still sounding; silence if it cannot be played.
  virtual void PlayResource(const char* name) = 0;
};

class SoundCues {
 public:
  explicit SoundCues(SoundPlayer& player) : player_(player) {}

  // Off in a fresh process; start-up switches it on before the click.
  void SetOn(bool on) { on_ = on; }

  // Plays a cue if the switch is on and the value names one.
  void Beeper(Cue cue);

 private:
  SoundPlayer& player_;
  bool on_ = false;
};

}  // namespace app
