// The whole program with the system calls and the sound service faked: the
// start-up order, the first cycle before the window is visible, and how it
// copes with a missing temporary folder, a failed save and a surface that
// cannot be made.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "app/program.h"
#include "render/bmp.h"
#include "render/win.h"
#include "unit/render/temp_folder.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// One log for the system and the sound service, so the order across both
// shows.
struct FakePlatform : desktop::SystemCalls, app::SoundPlayer {
  std::vector<std::string> log;
  std::optional<std::wstring> tempFolder;
  std::int32_t width = 48, height = 30;
  std::vector<std::uint8_t> fileAtPublish;
  bool windowVisibleAtPublish = true;

  std::optional<std::wstring> TempPathWide() override {
    log.push_back("temp path");
    return tempFolder;
  }
  std::optional<std::wstring> TempPathAnsi() override {
    log.push_back("temp path (ANSI)");
    return tempFolder;
  }
  void SetErrorMode(std::uint32_t mode) override { log.push_back("error mode " + std::to_string(mode)); }
  std::int32_t GetSystemMetrics(std::int32_t index) override {
    log.push_back("metrics " + std::to_string(index));
    return index == 0 ? width : height;
  }
  std::optional<std::uint32_t> PlatformId() override {
    log.push_back("version");
    return 2;
  }
  void SystemParametersInfoA(std::uint32_t, std::uint32_t, const std::wstring& text,
                             std::uint32_t) override {
    log.push_back("wallpaper (ANSI) " + Narrow(text));
  }
  void SystemParametersInfoW(std::uint32_t action, std::uint32_t, const std::wstring& text,
                             std::uint32_t flags) override {
    log.push_back("wallpaper " + std::to_string(action) + " " + Narrow(text) + " " +
                  std::to_string(flags));
    std::ifstream in(std::filesystem::path(text), std::ios::binary);
    fileAtPublish.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    windowVisibleAtPublish = IsWindowVisible(FindWindowW(L"TForm1", L"HV")) != FALSE;
  }
  void PlayResource(const char* name) override { log.push_back(std::string("play ") + name); }
};

struct ProgramRun {
  FakePlatform fake;
  std::vector<std::wstring> errorBoxes;
  int exitCode = -1;

  void Start() {
    app::Platform platform{fake, fake,
                           [this](const std::wstring& title, const std::wstring& text) {
                             errorBoxes.push_back(title + L": " + text);
                           }};
    // The loop ends as soon as it has handled what start-up queued.
    PostQuitMessage(0);
    exitCode = app::RunProgram(platform);
  }
};

std::string FolderText(const test::TempFolder& folder) {
  return Narrow(folder.path().wstring()) + "\\";
}

TEST(Program, StartsInOrderAndFinishesTheFirstCycleBeforeTheWindowShows) {
  test::TempFolder folder;
  ProgramRun run;
  run.fake.tempFolder = folder.path().wstring() + L"\\";
  run.Start();

  const std::string wallpaper = FolderText(folder) + "Huevane.Bmp";
  EXPECT_EQ(run.fake.log, (std::vector<std::string>{
                              "version", "temp path", "error mode 32775",  // before any window
                              "metrics 0", "metrics 1",                    // FormCreate
                              "play RCLICK",                               // FormShow
                              "version", "wallpaper 20 " + wallpaper + " 1",
                              "play RSTRUM",
                          }));
  EXPECT_FALSE(run.fake.windowVisibleAtPublish);
  TWin expected(48, 30);
  expected.FillGradient(255, 0, 0, 0, 0, 255, 0, 128, -1, -2, -3, -4);
  EXPECT_EQ(run.fake.fileAtPublish, EncodeBmp(expected));
  EXPECT_TRUE(run.errorBoxes.empty());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(FindWindowW(L"TForm1", L"HV"), nullptr) << "the main window outlived the program";
}

TEST(Program, AFailedSaveStillPublishesAndPlaysItsCue) {
  test::TempFolder folder;
  ProgramRun run;
  run.fake.tempFolder = (folder.path() / L"gone").wstring() + L"\\";  // no such folder
  run.Start();
  const std::string wallpaper = FolderText(folder) + "gone\\Huevane.Bmp";
  ASSERT_GE(run.fake.log.size(), 2u);
  EXPECT_EQ(run.fake.log[run.fake.log.size() - 2], "wallpaper 20 " + wallpaper + " 1");
  EXPECT_EQ(run.fake.log.back(), "play RSTRUM");
  EXPECT_TRUE(run.fake.fileAtPublish.empty());
  EXPECT_TRUE(run.errorBoxes.empty());
  EXPECT_EQ(run.exitCode, 0);
}

TEST(Program, WithNoTemporaryFolderItRunsAndLeavesTheWallpaperAlone) {
  ProgramRun run;
  run.fake.tempFolder = std::nullopt;
  run.Start();
  for (const std::string& entry : run.fake.log) {
    EXPECT_EQ(entry.rfind("wallpaper", 0), std::string::npos) << entry;
  }
  EXPECT_EQ(run.fake.log.back(), "play RSTRUM");
  EXPECT_TRUE(run.errorBoxes.empty());
  EXPECT_EQ(run.exitCode, 0);
}

TEST(Program, ASurfaceThatCannotBeMadeEndsWithOneClearMessage) {
  test::TempFolder folder;
  ProgramRun run;
  run.fake.tempFolder = folder.path().wstring() + L"\\";
  run.fake.width = 40000;  // 40000 x 30000 x 3 bytes: more than a 32-bit process can map
  run.fake.height = 30000;
  run.Start();
  ASSERT_EQ(run.errorBoxes.size(), 1u);
  EXPECT_EQ(run.errorBoxes[0].rfind(L"Huevane: ", 0), 0u);
  EXPECT_NE(run.errorBoxes[0].find(L"40000 x 30000"), std::wstring::npos) << run.errorBoxes[0];
  EXPECT_EQ(run.exitCode, 1);
  for (const std::string& entry : run.fake.log) {
    EXPECT_EQ(entry.rfind("play", 0), std::string::npos) << entry;
    EXPECT_EQ(entry.rfind("wallpaper", 0), std::string::npos) << entry;
  }
  EXPECT_EQ(FindWindowW(L"TForm1", L"HV"), nullptr);
  MSG leftover;  // the quit posted for the loop that never ran
  PeekMessageW(&leftover, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

}  // namespace
