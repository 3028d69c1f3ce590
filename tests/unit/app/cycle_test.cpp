// One regeneration cycle: fill, save, publish, strum, each finished before
// the next; a failed save still publishes and plays.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "app/cycle.h"
#include "app/sound.h"
#include "desktop/desktop.h"
#include "render/bmp.h"
#include "render/surface.h"
#include "unit/render/temp_folder.h"

namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The system and the sound service the cycle reaches, as one log: each
// step, and what the wallpaper file held when it was published.
struct RecordingServices : desktop::SystemCalls, app::SoundPlayer {
  std::vector<std::string> steps;
  std::vector<std::uint8_t> fileAtPublish;
  desktop::DesktopState state;
  app::SoundCues sounds{*this};
  app::CycleServices services{*this, state, sounds};

  RecordingServices() { sounds.SetOn(true); }

  void SystemParametersInfoW(std::uint32_t, std::uint32_t, const std::wstring& path,
                             std::uint32_t) override {
    steps.push_back("publish");
    fileAtPublish = ReadFile(std::filesystem::path(path));
  }
  void PlayResource(const char* name) override { steps.push_back(std::string("play ") + name); }

  std::optional<std::wstring> TempPathWide() override { return std::nullopt; }
  std::optional<std::wstring> TempPathAnsi() override { return std::nullopt; }
  void SetErrorMode(std::uint32_t) override {}
  std::int32_t GetSystemMetrics(std::int32_t) override { return 0; }
  std::optional<std::uint32_t> PlatformId() override { return 2; }  // the NT family
  void SystemParametersInfoA(std::uint32_t, std::uint32_t, const std::wstring&,
                             std::uint32_t) override {
    steps.push_back("publish (ANSI)");
  }
};

TEST(RegenerationCycle, SavesTheNewPictureBeforePublishingItThenStrums) {
  test::TempFolder folder;
  const std::wstring path = (folder.path() / "Huevane.Bmp").wstring();
  TWin surface(40, 30);
  RecordingServices record;
  const app::ControlValues values{10, 20, 30, 200, 100, 0, 5};
  app::RegenerationCycle(surface, path, values, record.services);

  EXPECT_EQ(record.steps, (std::vector<std::string>{"publish", "play RSTRUM"}));
  TWin expected(40, 30);
  expected.FillGradient(10, 20, 30, 200, 100, 0, 5, 128, -1, -2, -3, -4);
  EXPECT_EQ(record.fileAtPublish, EncodeBmp(expected));
}

TEST(RegenerationCycle, RepaintsFromAllSevenValuesEveryTime) {
  test::TempFolder folder;
  const std::wstring path = (folder.path() / "Huevane.Bmp").wstring();
  TWin surface(17, 9);
  RecordingServices record;
  app::RegenerationCycle(surface, path, app::kValuesAtStart, record.services);
  // Only the style changes: the colours stay, the direction turns.
  app::ControlValues rows = app::kValuesAtStart;
  rows.style = 3;
  app::RegenerationCycle(surface, path, rows, record.services);
  TWin expected(17, 9);
  expected.FillGradient(255, 0, 0, 0, 0, 255, 3, 128, -1, -2, -3, -4);
  EXPECT_EQ(ReadFile(std::filesystem::path(path)), EncodeBmp(expected));
  EXPECT_EQ(record.steps.size(), 4u);
}

TEST(RegenerationCycle, AFailedSaveStillPublishesAndPlays) {
  test::TempFolder folder;
  const std::wstring path = (folder.path() / "missing" / "Huevane.Bmp").wstring();
  TWin surface(8, 8);
  RecordingServices record;
  app::RegenerationCycle(surface, path, app::kValuesAtStart, record.services);
  EXPECT_EQ(record.steps, (std::vector<std::string>{"publish", "play RSTRUM"}));
  EXPECT_TRUE(record.fileAtPublish.empty());
}

TEST(RegenerationCycle, WithTheSoundOffItRunsInFullSilently) {
  test::TempFolder folder;
  const std::wstring path = (folder.path() / "Huevane.Bmp").wstring();
  TWin surface(8, 8);
  RecordingServices record;
  record.sounds.SetOn(false);
  app::RegenerationCycle(surface, path, app::kValuesAtStart, record.services);
  EXPECT_EQ(record.steps, (std::vector<std::string>{"publish"}));
  EXPECT_FALSE(record.fileAtPublish.empty());
}

}  // namespace
