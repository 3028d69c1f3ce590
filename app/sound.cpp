#include "app/sound.h"

#include <iterator>

namespace app {

namespace {

// By cue number. tools/make_cues.py --check holds its table of the cue
// files, and the resource script, to this one.
constexpr const char* kNames[] = {"RSTART", "RCLICK", "RTICK", "RPOP", "RSTRUM", "REXIT", "RAIR"};
static_assert(std::size(kNames) == kCueCount, "one resource name per cue");

}  // namespace

const char* CueName(std::int32_t cue) {
  if (cue < 0 || cue >= kCueCount) return nullptr;
  return kNames[cue];
}

void SoundCues::Beeper(Cue cue) {
  if (!on_) return;
  if (const char* name = CueName(cue)) player_.PlayResource(name);
}

}  // namespace app
