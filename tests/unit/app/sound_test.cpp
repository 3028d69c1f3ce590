// The sound switch gates every cue; only the seven cue numbers play.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/sound.h"

namespace {

struct RecordingPlayer : app::SoundPlayer {
  std::vector<std::string> played;
  void PlayResource(const char* name) override { played.emplace_back(name); }
};

// Which resource each number names is checked against the program's own
// resources (win32 ProgramResources); here, that no other number names one.
TEST(SoundCues, OnlyTheSevenCueNumbersNameACue) {
  for (int cue = 0; cue < 7; ++cue) EXPECT_NE(app::CueName(cue), nullptr) << cue;
  for (int cue : {7, 8, -1, -2147483647 - 1, 2147483647})
    EXPECT_EQ(app::CueName(cue), nullptr) << cue;
}

TEST(SoundCues, SwitchIsOffInAFreshProcessAndGatesEveryCue) {
  RecordingPlayer player;
  app::SoundCues sounds(player);
  EXPECT_FALSE(sounds.On());
  for (int cue = -1; cue <= 7; ++cue) sounds.Beeper(cue);
  EXPECT_TRUE(player.played.empty());
}

TEST(SoundCues, PlaysOnlyRealCuesWhileOn) {
  RecordingPlayer player;
  app::SoundCues sounds(player);
  sounds.SetOn(true);
  for (int cue : {1, 4, 7, -1, 5, 0, 100}) sounds.Beeper(cue);
  EXPECT_EQ(player.played, (std::vector<std::string>{app::CueName(1), app::CueName(4),
                                                     app::CueName(5), app::CueName(0)}));
  sounds.SetOn(false);
  sounds.Beeper(4);
  EXPECT_EQ(player.played.size(), 4u);
}

}  // namespace
