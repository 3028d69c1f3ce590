// The whole program with the system calls and the sound service faked: the
// start-up order, the first cycle before the window is visible, the sweep of
// a killed run's files and the spare gone at the end, a picture a reader
// holds back landing however the program ends, how it copes with a
// missing temporary folder, a failed save and a surface that cannot be made,
// and where the main window puts the keyboard when it is activated and
// that it stays above ordinary windows.

#include <windows.h>

#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/program.h"
#include "files/reader_safe_route.h"
#include "files/sibling_names.h"
#include "render/bmp.h"
#include "render/surface.h"
#include "support/bmp_bytes.h"
#include "support/temp_folder.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A child window's left, top, right and bottom on its parent's client area.
std::array<LONG, 4> PlaceOf(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right, r.bottom};
}

// One log for the system and the sound service, so the order across both
// shows.
// Notes every time a main window is told it is being shown.
struct ShowWatch {
  static inline bool shown = false;
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    wchar_t className[16] = {};
    if (code == HC_ACTION && message->message == WM_SHOWWINDOW && message->wParam &&
        GetClassNameW(message->hwnd, className, 16) && std::wstring(className) == L"TForm1") {
      shown = true;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  HHOOK hook;
  ShowWatch() : hook(SetWindowsHookExW(WH_CALLWNDPROC, &Hook, nullptr, GetCurrentThreadId())) {
    shown = false;
  }
  ~ShowWatch() { UnhookWindowsHookEx(hook); }
};

struct FakePlatform : desktop::SystemCalls, app::SoundPlayer {
  std::vector<std::string> log;
  bool failPublish = false;
  std::optional<std::wstring> tempFolder;
  std::int32_t width = 48, height = 30;
  std::vector<std::uint8_t> fileAtPublish;
  // Keys to press on the main window's bars after the first cycle, as
  // (bar's left edge, key).
  std::vector<std::pair<int, WPARAM>> keysAfterFirstCycle;
  bool windowVisibleAtPublish = true;
  bool dialogsAtPublish = true;  // built off the way to the main window
  // Captions of system-menu entries to choose after the first cycle, before
  // the keys are pressed.
  std::vector<std::string> menuChoicesAfterFirstCycle;
  // WM_ENDSESSION's wParam for a session end sent after the first cycle,
  // before the keys are pressed.
  std::optional<WPARAM> endSessionAfterFirstCycle;
  // The main window's system menu as the first cycle publishes, the window
  // about to show; one line per entry: type, state and text.
  std::vector<std::string> systemMenuAtShow;

  std::optional<std::wstring> TempPathWide() override {
    log.push_back("temp path");
    return tempFolder;
  }
  std::optional<std::wstring> TempPathAnsi() override {
    log.push_back("temp path (ANSI)");
    return tempFolder;
  }
  void SetErrorMode(std::uint32_t mode) override {
    log.push_back("error mode " + std::to_string(mode));
  }
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
    if (systemMenuAtShow.empty()) ReadSystemMenu();
    if (failPublish) throw std::runtime_error("publish failed");
    std::ifstream in(std::filesystem::path(text), std::ios::binary);
    fileAtPublish.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    windowVisibleAtPublish = IsWindowVisible(FindWindowW(L"TForm1", L"HV")) != FALSE;
    dialogsAtPublish = FindWindowW(L"TForm2", nullptr) || FindWindowW(L"TForm3", nullptr);
  }
  // Runs at the end of every cycle, before the keys and choices above.
  std::function<void()> afterEachCycle;
  // Presses "No. I Don't Agree." as soon as the About dialog shows.
  bool refuseTheAgreement = false;

  static bool Showing(const wchar_t* className) {
    return IsWindowVisible(FindWindowW(className, nullptr)) != FALSE;
  }

  void PlayResource(const char* name) override {
    if (Showing(L"TForm2")) log.push_back("About dialog visible");
    if (Showing(L"TForm3")) log.push_back("help window visible");
    log.push_back(std::string("play ") + name);
    if (refuseTheAgreement && Showing(L"TForm2")) {
      HWND refuse =
          FindWindowExW(FindWindowW(L"TForm2", nullptr), nullptr, L"Button", L"No. I Don't Agree.");
      PostMessageW(refuse, BM_CLICK, 0, 0);
    }
    if (std::string(name) == "RSTRUM") {
      if (afterEachCycle) afterEachCycle();
      ChooseFromSystemMenu();
      if (endSessionAfterFirstCycle) {
        PostMessageW(FindWindowW(L"TForm1", L"HV"), WM_ENDSESSION, *endSessionAfterFirstCycle,
                     ENDSESSION_LOGOFF);
        endSessionAfterFirstCycle.reset();
      }
      PressKeys();
    }
  }

  static std::vector<std::pair<std::string, MENUITEMINFOA>> SystemMenuEntries() {
    HMENU menu = GetSystemMenu(FindWindowW(L"TForm1", L"HV"), FALSE);
    std::vector<std::pair<std::string, MENUITEMINFOA>> entries;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      char text[64] = {};
      MENUITEMINFOA info{};
      info.cbSize = sizeof(info);
      info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
      info.dwTypeData = text;
      info.cch = sizeof(text);
      GetMenuItemInfoA(menu, i, TRUE, &info);
      entries.emplace_back(info.fType & MFT_SEPARATOR ? "" : text, info);
    }
    return entries;
  }

  void ReadSystemMenu() {
    for (const auto& [text, info] : SystemMenuEntries()) {
      char line[96];
      std::snprintf(line, sizeof(line), "%#x %#x %s", info.fType, info.fState, text.c_str());
      systemMenuAtShow.push_back(info.wID >= 0xF000 ? "system command" : line);
    }
  }

  // Queued like the system's own WM_SYSCOMMAND when the user picks a copy;
  // "popup:" and a caption picks the popup menu's item instead, which
  // sends WM_COMMAND with the copy's identifier.
  void ChooseFromSystemMenu() {
    HWND form = FindWindowW(L"TForm1", L"HV");
    for (const std::string& choice : menuChoicesAfterFirstCycle) {
      const bool popup = choice.rfind("popup:", 0) == 0;
      for (const auto& [text, info] : SystemMenuEntries()) {
        if (text == choice.substr(popup ? 6 : 0)) {
          PostMessageW(form, popup ? WM_COMMAND : WM_SYSCOMMAND, info.wID, 0);
        }
      }
    }
    menuChoicesAfterFirstCycle.clear();
  }

  // Queued like real key presses, so the loop handles them after start-up.
  void PressKeys() {
    HWND form = FindWindowW(L"TForm1", L"HV");
    for (const auto& [left, key] : keysAfterFirstCycle) {
      for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
        if (r.left == left) PostMessageW(child, WM_KEYDOWN, key, 0);
      }
    }
    keysAfterFirstCycle.clear();
  }
};

struct ProgramRun {
  FakePlatform fake;
  ShowWatch watch;
  std::vector<std::wstring> errorBoxes;
  int exitCode = -1;

  // Ends a loop that something in the test should have ended.
  static constexpr int kGaveUp = 99;
  static VOID CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(kGaveUp); }

  // With `untilQuit`, the loop ends as soon as it has handled what start-up
  // queued; without, only the program itself can end it.
  void Start(bool untilQuit = true) {
    app::ProgramServices services{fake, fake,
                                  [this](const std::wstring& title, const std::wstring& text) {
                                    errorBoxes.push_back(title + L": " + text);
                                  }};
    if (untilQuit) PostQuitMessage(0);
    const UINT_PTR timer = untilQuit ? 0 : SetTimer(nullptr, 0, 20000, &GiveUp);
    exitCode = app::RunProgram(services);
    if (timer != 0) KillTimer(nullptr, timer);
  }
};

std::string FolderText(const test::TempFolder& folder) {
  return Narrow(folder.path().wstring()) + "\\";
}

TEST(Program, StartsInOrderAndFinishesTheFirstCycleBeforeTheWindowShows) {
  test::TempFolder folder;
  // What a killed run left: a half-written file of our naming (its id, now
  // ours, is no living writer's) beside someone else's file.
  const auto leftover =
      files::TemporarySibling(folder.path() / L"Huevane.Bmp", GetCurrentProcessId());
  std::ofstream(std::filesystem::path(leftover), std::ios::binary) << "half a picture";
  std::ofstream(folder.path() / L"notes.txt") << "not ours";
  ProgramRun run;
  run.fake.tempFolder = folder.path().wstring() + L"\\";
  run.Start();
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Huevane.Bmp", "notes.txt"}));

  const std::string wallpaper = FolderText(folder) + "Huevane.Bmp";
  EXPECT_EQ(run.fake.log, (std::vector<std::string>{
                              "version",
                              "temp path",
                              "error mode 32775",  // before any window
                              "play RCLICK",       // before the windows are built
                              "metrics 0",
                              "metrics 1",  // FormCreate
                              "version",    // FormShow
                              "wallpaper 20 " + wallpaper + " 1",
                              "play RSTRUM",
                          }));
  EXPECT_FALSE(run.fake.windowVisibleAtPublish);
  EXPECT_FALSE(run.fake.dialogsAtPublish);
  EXPECT_TRUE(ShowWatch::shown);
  TWin expected(48, 30);
  expected.FillGradient(255, 0, 0, 0, 0, 255, 0, 128, -1, -2, -3, -4);
  EXPECT_EQ(run.fake.fileAtPublish, EncodeBmp(expected));
  EXPECT_TRUE(run.errorBoxes.empty());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(FindWindowW(L"TForm1", L"HV"), nullptr) << "the main window outlived the program";
}

TEST(Program, EveryBarChangeRepaintsFromAllSevenPositions) {
  test::TempFolder folder;
  ProgramRun run;
  run.fake.tempFolder = folder.path().wstring() + L"\\";
  // Start green one step down (bar 2, at x 16); start blue, the style (bar
  // 7, at x 48) and end red and green to their ends; start red and end blue
  // one step down at their maximum: no change.
  run.fake.keysAfterFirstCycle = {{16, VK_DOWN}, {32, VK_END}, {48, VK_END},  {80, VK_END},
                                  {96, VK_END},  {0, VK_DOWN}, {112, VK_DOWN}};
  run.Start();
  int cycles = 0;
  for (const std::string& entry : run.fake.log) cycles += entry == "play RSTRUM";
  EXPECT_EQ(cycles, 6);  // the first, then one per bar that really moved
  TWin expected(48, 30);
  expected.FillGradient(255, 1, 255, 255, 255, 255, 5, 128, -1, -2, -3, -4);
  EXPECT_EQ(run.fake.fileAtPublish, EncodeBmp(expected));
  EXPECT_TRUE(run.errorBoxes.empty());
  // The spare of the later cycles goes with the program.
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Huevane.Bmp"}));
}

// A log-off that is cancelled, or a session end that leaves the process
// running (a restart manager's request): the bars still set the wallpaper.
TEST(Program, ASessionEndThatLeavesTheProcessRunningLeavesItWorking) {
  for (const WPARAM ends : {FALSE, TRUE}) {
    SCOPED_TRACE(ends ? "the session ends" : "the log-off is cancelled");
    test::TempFolder folder;
    ProgramRun run;
    run.fake.tempFolder = folder.path().wstring() + L"\\";
    run.fake.endSessionAfterFirstCycle = ends;
    run.fake.keysAfterFirstCycle = {{16, VK_DOWN}, {16, VK_DOWN}};
    run.Start();
    EXPECT_EQ(std::count(run.fake.log.begin(), run.fake.log.end(), "play RSTRUM"), 3);
    TWin expected(48, 30);
    expected.FillGradient(255, 2, 0, 0, 0, 255, 0, 128, -1, -2, -3, -4);
    EXPECT_EQ(run.fake.fileAtPublish, EncodeBmp(expected));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Huevane.Bmp"}));
  }
}

std::vector<std::uint8_t> FileBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Sees each posted message as the loop takes it: a session end, and the
// marker posted right behind it, when the handler of the end has returned.
struct QueueWatch {
  static constexpr LPARAM kMarker = 0x4856;
  static inline std::atomic<bool> sessionEnd = false;
  static inline std::function<void()> atMarker;
  static LRESULT CALLBACK Hook(int code, WPARAM removed, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && removed == PM_REMOVE) {
      if (message->message == WM_ENDSESSION) sessionEnd = true;
      if (message->message == WM_NULL && message->lParam == kMarker) atMarker();
    }
    return CallNextHookEx(nullptr, code, removed, lParam);
  }
  HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, &Hook, nullptr, GetCurrentThreadId());
  QueueWatch() { sessionEnd = false; }
  ~QueueWatch() { UnhookWindowsHookEx(hook); }
};

// A reader holds the wallpaper file from the first cycle on, so the two
// changes after it wait. It lets go 100 ms after a session end reaches the
// window, or once the window has gone. A session end lands the picture
// before its handler returns (the process may be ended right after); a
// cancelled log-off returns at once and leaves it to the timer; a close
// leaves it to the wait once no window is left. Every way, the last change
// is the wallpaper and nothing of ours stays.
TEST(Program, APictureAReaderHoldsBackLandsHoweverTheProgramEnds) {
  struct Row {
    const char* what;
    std::optional<WPARAM> ends;
    bool landedWhenTheHandlerReturns;
  };
  for (const Row& row :
       {Row{"the session ends", TRUE, true}, Row{"the log-off is cancelled", FALSE, false},
        Row{"the window closes", std::nullopt, false}}) {
    SCOPED_TRACE(row.what);
    test::TempFolder folder;
    const std::wstring file = folder.path().wstring() + L"\\Huevane.Bmp";
    ProgramRun run;
    run.fake.tempFolder = folder.path().wstring() + L"\\";
    run.fake.keysAfterFirstCycle = {{16, VK_DOWN}, {16, VK_DOWN}};
    QueueWatch watch;
    std::vector<std::uint8_t> whenTheHandlerReturned;
    QueueWatch::atMarker = [&] { whenTheHandlerReturned = FileBytes(file); };
    std::thread reader;
    int cycles = 0;
    run.fake.afterEachCycle = [&] {
      HWND form = FindWindowW(L"TForm1", L"HV");
      if (++cycles == 1) {
        reader = std::thread([held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                 nullptr, OPEN_EXISTING, 0, nullptr)] {
          for (int i = 0; i < 4000 && !QueueWatch::sessionEnd && FindWindowW(L"TForm1", L"HV");
               ++i) {
            Sleep(5);
          }
          if (QueueWatch::sessionEnd) Sleep(100);
          CloseHandle(held);
        });
      } else if (cycles == 3 && row.ends) {
        PostMessageW(form, WM_ENDSESSION, *row.ends, ENDSESSION_LOGOFF);
        PostMessageW(form, WM_NULL, 0, QueueWatch::kMarker);
      }
    };
    run.Start();
    reader.join();
    TWin first(48, 30), last(48, 30);
    first.FillGradient(255, 0, 0, 0, 0, 255, 0, 128, -1, -2, -3, -4);
    last.FillGradient(255, 2, 0, 0, 0, 255, 0, 128, -1, -2, -3, -4);
    // Compared whole; a byte dump of two pictures says nothing more.
    if (row.ends) {
      EXPECT_TRUE(whenTheHandlerReturned ==
                  EncodeBmp(row.landedWhenTheHandlerReturns ? last : first))
          << "the last change had " << (row.landedWhenTheHandlerReturns ? "not " : "")
          << "landed when the session end's handler returned";
    }
    EXPECT_TRUE(FileBytes(file) == EncodeBmp(last)) << "the last change was lost";
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Huevane.Bmp"}));
  }
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

TEST(Program, AFailingFirstCycleIsShownAndTheWindowStillAppears) {
  test::TempFolder folder;
  ProgramRun run;
  run.fake.tempFolder = folder.path().wstring() + L"\\";
  run.fake.failPublish = true;
  run.Start();
  EXPECT_EQ(run.errorBoxes, (std::vector<std::wstring>{L"Huevane: publish failed"}));
  EXPECT_TRUE(ShowWatch::shown) << "no window to close: the program could never be ended";
  EXPECT_EQ(run.fake.log.back().rfind("wallpaper", 0), 0u);  // the cycle ended there
  EXPECT_EQ(run.exitCode, 0);
}

TEST(Program, ASurfaceThatCannotBeMadeEndsWithOneClearMessage) {
  test::TempFolder folder;
  ProgramRun run;
  run.fake.tempFolder = folder.path().wstring() + L"\\";
  // Within the size a BMP can hold, but no 32-bit process can map 2 GiB in
  // one piece: the DIB section itself fails.
  run.fake.width = 26000;
  run.fake.height = 27500;
  run.Start();
  ASSERT_EQ(run.errorBoxes.size(), 1u);
  EXPECT_EQ(run.errorBoxes[0].rfind(L"Huevane: ", 0), 0u);
  EXPECT_NE(run.errorBoxes[0].find(L"26000 x 27500"), std::wstring::npos) << run.errorBoxes[0];
  EXPECT_EQ(run.exitCode, 1);
  // The click comes first of all, before anything can fail; no cycle runs.
  for (const std::string& entry : run.fake.log) {
    if (entry != "play RCLICK") {
      EXPECT_EQ(entry.rfind("play", 0), std::string::npos) << entry;
    }
    EXPECT_EQ(entry.rfind("wallpaper", 0), std::string::npos) << entry;
  }
  EXPECT_EQ(FindWindowW(L"TForm1", L"HV"), nullptr);
  EXPECT_FALSE(ShowWatch::shown);
  MSG leftover;  // the quit posted for the loop that never ran
  PeekMessageW(&leftover, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

std::vector<std::string> PlaysAfterTheFirstCycle(const std::vector<std::string>& log) {
  std::vector<std::string> plays;
  bool firstCycleOver = false;
  for (const std::string& entry : log) {
    if (firstCycleOver && entry.rfind("play ", 0) == 0) plays.push_back(entry);
    if (entry == "play RSTRUM") firstCycleOver = true;
  }
  return plays;
}

TEST(ProgramMenu, ThePopupItemsStandAboveTheSystemsOwnCommands) {
  test::TempFolder folder;
  ProgramRun run;
  run.fake.tempFolder = folder.path().wstring() + L"\\";
  run.Start();
  const std::vector<std::string> ours = {
      "0 0x3 Huevane", "0x800 0 ",          "0 0 Help",           "0 0 About",
      "0x800 0 ",      "0x200 0 Be Silent", "0x200 0 Make Noise", "0x800 0 ",
  };
  const std::vector<std::string>& menu = run.fake.systemMenuAtShow;
  ASSERT_GT(menu.size(), ours.size());
  EXPECT_EQ(std::vector<std::string>(menu.begin(), menu.begin() + 8), ours);
  EXPECT_EQ(menu[8], "system command") << "the trailing separator divides ours from the system's";
  for (std::size_t i = 8; i < menu.size(); ++i) {
    EXPECT_TRUE(menu[i] == "system command" || menu[i].rfind("0x800 ", 0) == 0)
        << "a second copy at " << i << ": " << menu[i];
  }
}

TEST(ProgramMenu, ChoosingAnItemOrItsCopyRunsItsHandlerOnce) {
  struct Case {
    std::vector<std::string> choices;
    std::vector<std::pair<int, WPARAM>> keys;
    std::vector<std::string> plays;
  };
  const Case cases[] = {
      {{"Help"}, {}, {"play REXIT"}},
      {{"About"}, {}, {"play RSTRUM"}},
      {{"About", "About"}, {}, {"play RSTRUM", "play RSTRUM"}},  // open already: again
      {{"Make Noise"}, {}, {"play RSTART"}},
      {{"Huevane"}, {}, {}},  // a disabled title
      // Silence holds for every item and for the cycle that follows: neither
      // "Help" nor "About" switches the sound back on. "Make Noise" does.
      {{"Be Silent", "Help", "About", "Huevane", "Be Silent"}, {{16, VK_DOWN}}, {}},
      {{"Be Silent", "Make Noise"}, {{16, VK_DOWN}}, {"play RSTART", "play RSTRUM"}},
      {{"popup:Help", "popup:About", "popup:Be Silent", "popup:Make Noise"},
       {},
       {"play REXIT", "play RSTRUM", "play RSTART"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choices.back());
    test::TempFolder folder;
    ProgramRun run;
    run.fake.tempFolder = folder.path().wstring() + L"\\";
    run.fake.menuChoicesAfterFirstCycle = c.choices;
    run.fake.keysAfterFirstCycle = c.keys;
    run.Start();
    EXPECT_EQ(PlaysAfterTheFirstCycle(run.fake.log), c.plays);
    int publishes = 0;
    for (const std::string& entry : run.fake.log) publishes += entry.rfind("wallpaper", 0) == 0;
    EXPECT_EQ(publishes, 1 + static_cast<int>(c.keys.size())) << "the bar's change ran its cycle";
    EXPECT_TRUE(run.errorBoxes.empty());
  }
}

TEST(ProgramMenu, AboutAndHelpShowTheirWindowsBeforeTheirCues) {
  const struct {
    const char* choice;
    std::vector<std::string> tail;
  } cases[] = {
      {"About", {"About dialog visible", "play RSTRUM"}},
      {"Help", {"help window visible", "play REXIT"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.choice);
    test::TempFolder folder;
    ProgramRun run;
    run.fake.tempFolder = folder.path().wstring() + L"\\";
    run.fake.menuChoicesAfterFirstCycle = {c.choice};
    run.Start();
    ASSERT_GE(run.fake.log.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(run.fake.log.end() - 2, run.fake.log.end()), c.tail);
    // Nothing was shown before it was chosen.
    EXPECT_EQ(std::count(run.fake.log.begin(), run.fake.log.end(), c.tail[0]), 1);
    EXPECT_EQ(FindWindowW(L"TForm2", nullptr), nullptr) << "outlived the program";
    EXPECT_EQ(FindWindowW(L"TForm3", nullptr), nullptr) << "outlived the program";
  }
}

TEST(ProgramMenu, RefusingTheAgreementEndsTheProgramAndKeepsTheWallpaper) {
  test::TempFolder folder;
  ProgramRun run;
  run.fake.tempFolder = folder.path().wstring() + L"\\";
  run.fake.menuChoicesAfterFirstCycle = {"About"};
  run.fake.refuseTheAgreement = true;
  run.Start(/*untilQuit=*/false);
  EXPECT_EQ(run.exitCode, 0) << "the loop did not end on the refusal";
  EXPECT_TRUE(run.errorBoxes.empty());
  EXPECT_EQ(FindWindowW(L"TForm1", L"HV"), nullptr);
  // The file that was published stays, unchanged, and nothing else was
  // published after it.
  std::ifstream in(folder.path() / L"Huevane.Bmp", std::ios::binary);
  const std::vector<std::uint8_t> kept((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
  EXPECT_FALSE(kept.empty());
  EXPECT_EQ(kept, run.fake.fileAtPublish);
  int publishes = 0;
  for (const std::string& entry : run.fake.log) publishes += entry.rfind("wallpaper", 0) == 0;
  EXPECT_EQ(publishes, 1);
}

// What the process holds in memory of its own: the C++ runtime's heap, and
// under Wine also GDI's and the window manager's objects, which Wine keeps
// outside the Windows heaps.
std::int64_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return static_cast<std::int64_t>(counters.PagefileUsage);
}

// The next handle the process would get: handles are handed out lowest
// free slot first, so one leaked a change pushes it up by one a change.
// (Wine reports no handle or GDI counts.)
std::int64_t NextHandle() {
  HANDLE probe = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  CloseHandle(probe);
  return reinterpret_cast<std::intptr_t>(probe) / 4;
}

// Thousands of changes leave the memory and the handle table as they were,
// once the first changes have warmed the caches: a block of 64 bytes, a
// brush, a DC or a handle kept a change shows long before the end.
TEST(Program, ChangesLeaveNoMemoryOrHandlesBehind) {
  constexpr int kWarmUp = 100, kChanges = 1000;
  test::TempFolder folder;
  ProgramRun run;
  run.fake.tempFolder = folder.path().wstring() + L"\\";
  std::int64_t bytes[2] = {}, handle[2] = {};
  int cycles = 0;
  run.fake.afterEachCycle = [&] {
    run.fake.log.clear();  // keeps its capacity: the test's own use stays put
    ++cycles;
    if (cycles == kWarmUp || cycles == kWarmUp + kChanges) {
      bytes[cycles > kWarmUp] = PrivateBytes();
      handle[cycles > kWarmUp] = NextHandle();
    }
    if (cycles == kWarmUp + kChanges) return PostQuitMessage(0);
    run.fake.keysAfterFirstCycle = {{16, cycles % 2 ? VK_DOWN : VK_UP}};
  };
  run.Start(/*untilQuit=*/false);
  ASSERT_EQ(cycles, kWarmUp + kChanges);
  // The heap grows its committed memory 16 KiB at a time, so one step may
  // fall inside the measured stretch whatever the program does; a block of
  // 64 bytes kept a change still goes far past it.
  constexpr std::int64_t kHeapStep = 16384;
  EXPECT_LE(bytes[1] - bytes[0], 16 * kChanges + kHeapStep)
      << "private bytes: " << bytes[0] << ", then " << bytes[1];
  EXPECT_LE(handle[1] - handle[0], 4) << "the next handle moved from " << handle[0];
  EXPECT_TRUE(run.errorBoxes.empty());
}

// The main window takes the keyboard itself when it is activated, as it
// always has: no bar is focused (and none shows a blinking thumb) until the
// user clicks one or presses Tab, and the next activation gives the keyboard
// back to the window, not to the bar that last had it. Meanwhile it stays
// above the ordinary window that was active, and maximised it keeps its bars.
TEST(MainWindow, TakesTheKeyboardOnActivationStaysOnTopAndKeepsItsBarsMaximised) {
  test::TempFolder folder;
  FakePlatform fake;
  fake.tempFolder = folder.path().wstring() + L"\\";
  desktop::DesktopState state;
  desktop::StartupStep(fake, state);
  app::SoundCues sounds(fake);
  toolkit::Application application(L"Huevane");
  app::Wallpaper wallpaper({fake, state, sounds}, std::make_unique<files::ReaderSafeRoute>(),
                           [](std::uint32_t) {});
  app::TForm1 form(wallpaper, sounds);
  // The bars tile the client area: each one's edges where the design's land
  // on this display, left to right.
  const toolkit::LayoutScale scale = form.Scale();
  const struct {
    toolkit::TScrollBar& bar;
    int left, right;
  } bars[] = {{form.ScrollBar1, 0, 17},   {form.ScrollBar2, 16, 33}, {form.ScrollBar3, 32, 49},
              {form.ScrollBar7, 48, 81},  {form.ScrollBar4, 80, 97}, {form.ScrollBar5, 96, 113},
              {form.ScrollBar6, 112, 129}};
  RECT client;
  GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, scale(129));
  EXPECT_EQ(client.bottom, scale(257));
  for (const auto& [bar, left, right] : bars) {
    const std::array<LONG, 4> place{scale(left), 0, scale(right), client.bottom};
    EXPECT_EQ(PlaceOf(bar.Handle()), place) << Narrow(bar.Name());
  }
  form.Show();
  ASSERT_EQ(GetActiveWindow(), form.Handle());
  EXPECT_EQ(GetFocus(), form.Handle());

  SetFocus(form.ScrollBar4.Handle());
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 50, 50,
                               nullptr, nullptr, nullptr, nullptr);
  SetActiveWindow(other);
  // An ordinary window made active stays below it.
  for (HWND above = GetWindow(form.Handle(), GW_HWNDPREV); above;
       above = GetWindow(above, GW_HWNDPREV))
    EXPECT_NE(above, other) << "the main window fell behind an ordinary window";
  SetActiveWindow(form.Handle());
  EXPECT_EQ(GetFocus(), form.Handle());
  DestroyWindow(other);

  // Maximised, it grows, and the bars stay where they were on its client area.
  const std::array<LONG, 4> bar = PlaceOf(form.ScrollBar6.Handle());
  ShowWindow(form.Handle(), SW_MAXIMIZE);
  EXPECT_EQ(PlaceOf(form.ScrollBar6.Handle()), bar);
  RECT grown;
  GetClientRect(form.Handle(), &grown);
  EXPECT_GT(grown.right, bar[2]);
}

}  // namespace
