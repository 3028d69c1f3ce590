// The wallpaper's owner: one regeneration cycle (fill, save, publish, strum,
// each finished before the next), and the work a reader of the file leaves
// for later: tried less and less often until it lands, waited for within a
// bound at the end, and carried across a display change.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/sound.h"
#include "app/wallpaper.h"
#include "desktop/desktop.h"
#include "files/replace.h"
#include "render/bmp.h"
#include "render/surface.h"
#include "support/bmp_bytes.h"
#include "support/temp_folder.h"

namespace {

constexpr app::ControlValues kRedToBlue{255, 0, 0, 0, 0, 255, 0};

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The system and the sound service the wallpaper reaches, as one log: each
// step, and what the wallpaper file held when it was published.
struct RecordingServices : desktop::SystemCalls, app::SoundPlayer {
  std::vector<std::string> steps;
  std::vector<std::uint8_t> fileAtPublish;
  std::wstring folder;
  std::int32_t width = 40, height = 30;
  desktop::DesktopState state;
  app::SoundCues sounds{*this};
  app::WallpaperServices services{*this, state, sounds};

  explicit RecordingServices(const test::TempFolder& temp) : folder(temp.path().wstring() + L"/") {
    sounds.SetOn(true);
    state.tempFolder = folder;
  }

  void SystemParametersInfoW(std::uint32_t, std::uint32_t, const std::wstring& path,
                             std::uint32_t) override {
    steps.push_back("publish");
    fileAtPublish = ReadFile(std::filesystem::path(path));
  }
  void PlayResource(const char* name) override { steps.push_back(std::string("play ") + name); }
  std::int32_t GetSystemMetrics(std::int32_t index) override {
    return index == desktop::kSmCxScreen ? width : height;
  }

  std::optional<std::wstring> TempPathWide() override { return folder; }
  std::optional<std::wstring> TempPathAnsi() override { return folder; }
  void SetErrorMode(std::uint32_t) override {}
  std::optional<std::uint32_t> PlatformId() override { return 2; }  // the NT family
  void SystemParametersInfoA(std::uint32_t, std::uint32_t, const std::wstring&,
                             std::uint32_t) override {}
};

// A reader of the wallpaper file, and a route it stands in the way of: while
// it holds the file, a save's picture waits, whole, for it to let go.
struct Reader {
  bool holds = false;
  int tries = 0;   // Finish calls
  int clears = 0;  // Clear calls
};

class HeldRoute final : public files::SaveRoute {
 public:
  explicit HeldRoute(Reader& reader) : reader_(reader) {}
  bool Write(const files::PathName& target,
             std::span<const files::ByteRange> parts) noexcept override {
    pending_.clear();
    if (!reader_.holds) return files::WriteFileReplacing(target, parts);
    for (const files::ByteRange& part : parts) {
      pending_.insert(pending_.end(), part.data, part.data + part.size);
    }
    target_ = target;
    return false;
  }
  bool Pending() const noexcept override { return !pending_.empty(); }
  bool Unfinished() const noexcept override { return Pending(); }
  bool Finish() noexcept override {
    ++reader_.tries;
    if (reader_.holds || pending_.empty()) return false;
    const files::ByteRange whole{pending_.data(), pending_.size()};
    pending_.clear();
    return files::WriteFileReplacing(target_, {&whole, 1});
  }
  void Clear() noexcept override {
    ++reader_.clears;
    pending_.clear();
  }
  void Sweep(const files::PathName&) noexcept override {}

 private:
  Reader& reader_;
  std::vector<std::uint8_t> pending_;
  files::PathName target_;
};

std::vector<std::uint8_t> PictureOf(std::int32_t width, std::int32_t height,
                                    const app::ControlValues& v) {
  TWin expected(width, height);
  expected.FillGradient(v.startRed, v.startGreen, v.startBlue, v.endRed, v.endGreen, v.endBlue,
                        v.style, 128, -1, -2, -3, -4);
  return EncodeBmp(expected);
}

// The wallpaper over a HeldRoute, made as the main window makes it; the
// pauses it takes are counted, and the reader lets go once they add up to
// `letGoAfterMs`.
struct Owner {
  test::TempFolder folder;
  RecordingServices record{folder};
  Reader reader;
  std::uint32_t paused = 0;
  std::uint32_t letGoAfterMs = UINT32_MAX;
  app::Wallpaper wallpaper{record.services, std::make_unique<HeldRoute>(reader),
                           [this](std::uint32_t ms) {
                             paused += ms;
                             if (paused >= letGoAfterMs) reader.holds = false;
                           }};
  Owner() { wallpaper.Create(); }
  std::vector<std::uint8_t> File() const { return ReadFile(folder.path() / "Huevane.Bmp"); }
};

TEST(Wallpaper, SavesTheNewPictureBeforePublishingItThenStrums) {
  Owner owner;
  const app::ControlValues values{10, 20, 30, 200, 100, 0, 5};
  EXPECT_EQ(owner.wallpaper.Regenerate(values), app::kNothingLeft);
  EXPECT_EQ(owner.record.steps, (std::vector<std::string>{"publish", "play RSTRUM"}));
  EXPECT_EQ(owner.record.fileAtPublish, PictureOf(40, 30, values));
  EXPECT_EQ(owner.reader.tries, 0) << "a quiet desktop's change tried to finish something";
}

TEST(Wallpaper, AHeldPictureIsTriedLessAndLessOftenAndLandsOnceTheReaderLetsGo) {
  Owner owner;
  owner.wallpaper.Regenerate(kRedToBlue);
  owner.reader.holds = true;
  app::ControlValues last = kRedToBlue;
  last.style = 4;
  EXPECT_EQ(owner.wallpaper.Regenerate(last), 25u);
  std::vector<app::RetryMs> retries;
  for (int i = 0; i < 8; ++i) retries.push_back(owner.wallpaper.Finish());
  EXPECT_EQ(retries, (std::vector<app::RetryMs>{50, 100, 200, 400, 800, 1600, 2000, 2000}));
  last.style = 5;
  EXPECT_EQ(owner.wallpaper.Regenerate(last), 25u) << "a new change is tried soon again";
  EXPECT_EQ(owner.File(), PictureOf(40, 30, kRedToBlue));

  owner.reader.holds = false;
  owner.record.steps.clear();
  EXPECT_EQ(owner.wallpaper.Finish(), app::kNothingLeft) << "the timer goes on";
  EXPECT_EQ(owner.record.steps, (std::vector<std::string>{"publish"})) << "shown, without a cue";
  EXPECT_EQ(owner.File(), PictureOf(40, 30, last));
}

// Closing the window (5 s) or ending the session (2 s) waits, within its
// bound, for a picture a reader holds back; then every name of ours goes,
// and the program still works should its process live on.
TEST(Wallpaper, SettlingWaitsWithinItsBoundForAHeldPictureThenClears) {
  const struct {
    std::uint32_t budget, letGoAfter;
    bool lands;
  } cases[] = {{app::kCloseBudgetMs, 1000, true},
               {app::kCloseBudgetMs, UINT32_MAX, false},
               {app::kSessionEndBudgetMs, UINT32_MAX, false},
               {app::kSessionEndBudgetMs, 1500, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.budget << " ms, the reader lets go after " << c.letGoAfter);
    Owner owner;
    owner.wallpaper.Regenerate(kRedToBlue);
    owner.reader.holds = true;
    owner.letGoAfterMs = c.letGoAfter;
    app::ControlValues last = kRedToBlue;
    last.startGreen = 99;
    owner.wallpaper.Regenerate(last);
    owner.wallpaper.Settle(c.budget);
    EXPECT_EQ(owner.File(), PictureOf(40, 30, c.lands ? last : kRedToBlue));
    EXPECT_EQ(owner.paused, c.lands ? c.letGoAfter : c.budget);
    EXPECT_EQ(owner.reader.clears, 1);
    owner.reader.holds = false;
    EXPECT_EQ(owner.wallpaper.Regenerate(kRedToBlue), app::kNothingLeft);
    EXPECT_EQ(owner.File(), PictureOf(40, 30, kRedToBlue)) << "a later change was lost";
  }
}

TEST(Wallpaper, ADisplayChangeDuringAHoldRemakesThePendingPictureAtTheNewSize) {
  Owner owner;
  owner.wallpaper.Regenerate(kRedToBlue);
  owner.reader.holds = true;
  owner.wallpaper.Regenerate(kRedToBlue);
  owner.record.steps.clear();
  EXPECT_EQ(owner.wallpaper.Remake(kRedToBlue), 25u) << "the same size: nothing to do";
  EXPECT_TRUE(owner.record.steps.empty());
  owner.record.width = 52;
  owner.record.height = 20;
  EXPECT_EQ(owner.wallpaper.Remake(kRedToBlue), 25u);
  EXPECT_EQ(owner.record.steps, (std::vector<std::string>{"publish"})) << "no cue for it";
  owner.reader.holds = false;
  EXPECT_EQ(owner.wallpaper.Finish(), app::kNothingLeft);
  EXPECT_EQ(owner.File(), PictureOf(52, 20, kRedToBlue));
}

}  // namespace
