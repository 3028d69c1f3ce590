// The sound switch gates every cue; only the cue numbers play.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/sound.h"

namespace {

struct RecordingPlayer : app::SoundPlayer {
  std::vector<std::string> played;
  void PlayResource(const char* name) override { played.emplace_back(name); }
};

// Which resource each number names is checked against the program's own
// resources (win32 ProgramResources); here, the ends of the range, the
// numbers beyond them, and the switch.
TEST(SoundCues, OnlyCueNumbersPlayAndOnlyWhileTheSwitchIsOn) {
  RecordingPlayer player;
  app::SoundCues sounds(player);
  const auto playAll = [&sounds] {
    for (std::int32_t n : {-2147483647 - 1, -1, 0, app::kCueCount - 1, app::kCueCount, 2147483647})
      sounds.Beeper(static_cast<app::Cue>(n));
  };
  playAll();
  EXPECT_TRUE(player.played.empty()) << "the switch is off in a fresh process";
  sounds.SetOn(true);
  playAll();
  EXPECT_EQ(player.played, (std::vector<std::string>{"RSTART", "RAIR"}));
  sounds.SetOn(false);
  playAll();
  EXPECT_EQ(player.played.size(), 2u);
}

}  // namespace
