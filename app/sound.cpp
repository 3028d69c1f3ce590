#include "app/sound.h"

#include <iterator>

namespace app {

const char* CueName(std::int32_t cue) {
  static constexpr const char* kNames[] = {"RSTART", "RCLICK", "RTICK", "RPOP",
                                           "RSTRUM", "REXIT",  "RAIR"};
  if (cue < 0 || cue >= static_cast<std::int32_t>(std::size(kNames))) return nullptr;
  return kNames[cue];
}

void SoundCues::Beeper(std::int32_t cue) {
  if (!on_) return;
  if (const char* name = CueName(cue)) player_.PlayResource(name);
}

}  // namespace app
