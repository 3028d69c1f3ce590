// One regeneration cycle: fill, save, publish, strum, each finished before
// the next; a failed save still publishes and plays.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/cycle.h"
#include "app/sound.h"
#include "render/bmp.h"
#include "render/surface.h"
#include "unit/render/temp_folder.h"

namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Records each step, and what the wallpaper file held when it was published.
struct RecordingSinks : app::CycleSinks {
  std::vector<std::string> steps;
  std::vector<std::uint8_t> fileAtPublish;
  void PublishWallpaper(const std::wstring& path) override {
    steps.push_back("publish");
    fileAtPublish = ReadFile(std::filesystem::path(path));
  }
  void Beeper(std::int32_t cue) override { steps.push_back("cue " + std::to_string(cue)); }
};

TEST(RegenerationCycle, SavesTheNewPictureBeforePublishingItThenStrums) {
  test::TempFolder folder;
  const std::wstring path = (folder.path() / "Huevane.Bmp").wstring();
  TWin surface(40, 30);
  RecordingSinks sinks;
  const app::ControlValues values{10, 20, 30, 200, 100, 0, 5};
  app::RegenerationCycle(surface, path, values, sinks);

  EXPECT_EQ(sinks.steps, (std::vector<std::string>{"publish", "cue 4"}));
  TWin expected(40, 30);
  expected.FillGradient(10, 20, 30, 200, 100, 0, 5, 128, -1, -2, -3, -4);
  EXPECT_EQ(sinks.fileAtPublish, EncodeBmp(expected));
}

TEST(RegenerationCycle, RepaintsFromAllSevenValuesEveryTime) {
  test::TempFolder folder;
  const std::wstring path = (folder.path() / "Huevane.Bmp").wstring();
  TWin surface(17, 9);
  RecordingSinks sinks;
  app::RegenerationCycle(surface, path, app::kValuesAtStart, sinks);
  // Only the style changes: the colours stay, the direction turns.
  app::ControlValues rows = app::kValuesAtStart;
  rows.style = 3;
  app::RegenerationCycle(surface, path, rows, sinks);
  TWin expected(17, 9);
  expected.FillGradient(255, 0, 0, 0, 0, 255, 3, 128, -1, -2, -3, -4);
  EXPECT_EQ(ReadFile(std::filesystem::path(path)), EncodeBmp(expected));
  EXPECT_EQ(sinks.steps.size(), 4u);
}

TEST(RegenerationCycle, AFailedSaveStillPublishesAndPlays) {
  test::TempFolder folder;
  const std::wstring path = (folder.path() / "missing" / "Huevane.Bmp").wstring();
  TWin surface(8, 8);
  RecordingSinks sinks;
  app::RegenerationCycle(surface, path, app::kValuesAtStart, sinks);
  EXPECT_EQ(sinks.steps, (std::vector<std::string>{"publish", "cue 4"}));
  EXPECT_TRUE(sinks.fileAtPublish.empty());
}

}  // namespace
