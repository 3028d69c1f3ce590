// The desktop rules against a recording fake of the system: which calls are
// made, in which order, with exactly which arguments.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "desktop/desktop.h"

namespace {

using desktop::DesktopState;

// One system call as the rules made it.
struct Call {
  std::string what;
  std::vector<std::int64_t> numbers;  // the numeric arguments, in order
  std::wstring text;                  // the text argument, if the call has one
  bool operator==(const Call&) const = default;
};

void PrintTo(const Call& call, std::ostream* os) {
  *os << call.what << "(";
  for (std::int64_t n : call.numbers) *os << n << ", ";
  *os << "\"";
  for (wchar_t c : call.text) {
    if (c >= 0x20 && c < 0x7f) {
      *os << static_cast<char>(c);
    } else {
      *os << "\\x{" << std::hex << static_cast<std::uint32_t>(c) << std::dec << "}";
    }
  }
  *os << "\")";
}

Call PlatformIdCall() { return {"GetVersionExA", {}, {}}; }
Call TempPathWideCall() { return {"GetTempPathW", {}, {}}; }
Call TempPathAnsiCall() { return {"GetTempPathA", {}, {}}; }
Call ErrorModeCall(std::int64_t mode) { return {"SetErrorMode", {mode}, {}}; }
Call MetricsCall(std::int64_t index) { return {"GetSystemMetrics", {index}, {}}; }
Call SpiA(const std::wstring& text) { return {"SystemParametersInfoA", {20, 0, 1}, text}; }
Call SpiW(const std::wstring& text) { return {"SystemParametersInfoW", {20, 0, 1}, text}; }

// Answers from its public fields, which a test may change at any time, and
// logs every call.
class RecordingSystemCalls final : public desktop::SystemCalls {
 public:
  std::optional<std::uint32_t> platformId = 2;
  std::optional<std::wstring> tempPathWide = L"C:\\Wide\\Temp\\";
  std::optional<std::wstring> tempPathAnsi = L"C:\\ANSI\\TEMP\\";
  std::map<std::int32_t, std::int32_t> metrics = {{0, 1024}, {1, 768}};
  std::vector<Call> log;

  std::optional<std::wstring> TempPathWide() override {
    log.push_back(TempPathWideCall());
    return tempPathWide;
  }
  std::optional<std::wstring> TempPathAnsi() override {
    log.push_back(TempPathAnsiCall());
    return tempPathAnsi;
  }
  void SetErrorMode(std::uint32_t mode) override { log.push_back(ErrorModeCall(mode)); }
  std::int32_t GetSystemMetrics(std::int32_t index) override {
    log.push_back(MetricsCall(index));
    auto found = metrics.find(index);
    return found == metrics.end() ? 0 : found->second;
  }
  std::optional<std::uint32_t> PlatformId() override {
    log.push_back(PlatformIdCall());
    return platformId;
  }
  void SystemParametersInfoA(std::uint32_t action, std::uint32_t param, const std::wstring& text,
                             std::uint32_t flags) override {
    log.push_back({"SystemParametersInfoA", {action, param, flags}, text});
  }
  void SystemParametersInfoW(std::uint32_t action, std::uint32_t param, const std::wstring& text,
                             std::uint32_t flags) override {
    log.push_back({"SystemParametersInfoW", {action, param, flags}, text});
  }
};

constexpr std::optional<std::uint32_t> kVersionFails = std::nullopt;

std::string Describe(std::optional<std::uint32_t> platformId) {
  return platformId ? "platform id " + std::to_string(*platformId) : "failing version call";
}

TEST(Publish, EachFamilyGetsItsCallAndQuotingFromTheLatestAnswer) {
  // The family can only be known from the latest answer: each publish must
  // follow the answer given at that moment, never one from before. 95/98/Me
  // and Win32s get the path in quotes, spaces or not, quoted once however
  // often it is published; the NT family and anything unknown get it bare.
  const std::wstring plain = L"C:\\Temp\\Huevane.Bmp";
  const std::wstring spaced =
      L"C:\\Documents and Settings\\Jo Doe\\Local Settings\\Temp\\Huevane.Bmp";
  const struct {
    std::optional<std::uint32_t> platformId;
    std::wstring path;
    Call wallpaperCall;
  } steps[] = {
      {2, spaced, SpiW(spaced)},
      {1, plain, SpiA(L"\"" + plain + L"\"")},
      {1, plain, SpiA(L"\"" + plain + L"\"")},
      {kVersionFails, spaced, SpiW(spaced)},
      {0, spaced, SpiA(L"\"" + spaced + L"\"")},
      {3, plain, SpiW(plain)},
      {0xFFFFFFFFu, spaced, SpiW(spaced)},
      {0, plain, SpiA(L"\"" + plain + L"\"")},
  };
  RecordingSystemCalls calls;
  DesktopState state;
  for (const auto& step : steps) {
    calls.platformId = step.platformId;
    calls.log.clear();
    desktop::PublishWallpaper(calls, state, step.path);
    const std::vector<Call> expected = {PlatformIdCall(), step.wallpaperCall};
    EXPECT_EQ(calls.log, expected) << Describe(step.platformId);
  }
}

TEST(Startup, AsksTheVersionThenTheFolderWhichEndsInOneBackslash) {
  const std::wstring deep = L"D:\\" + std::wstring(396, L'x');
  ASSERT_EQ(deep.size(), 399u);
  const std::wstring unicode = L"C:\\Users\\Jörg\\Tëmp Жж 日本";
  const struct {
    std::wstring answer;
    std::wstring folder;
  } cases[] = {
      {L"C:\\Temp\\", L"C:\\Temp\\"},
      {L"C:\\Temp", L"C:\\Temp\\"},
      {L"C:\\", L"C:\\"},
      {L"C:", L"C:\\"},
      {L"C:\\Temp/", L"C:\\Temp/\\"},  // only a backslash ends a folder here
      {deep + L"\\", deep + L"\\"},    // 400 characters: no length limit
      {deep + L"y", deep + L"y\\"},
      {unicode + L"\\", unicode + L"\\"},
      {unicode, unicode + L"\\"},
  };
  // The wide call on the NT family and beyond, the ANSI one on 95/98/Me and
  // Win32s: both answers are taken the same way.
  for (std::uint32_t platformId : {2u, 5u, 1u, 0u}) {
    for (const auto& c : cases) {
      RecordingSystemCalls calls;
      calls.platformId = platformId;
      calls.tempPathWide = platformId >= 2 ? std::optional(c.answer) : std::nullopt;
      calls.tempPathAnsi = platformId >= 2 ? std::nullopt : std::optional(c.answer);
      DesktopState state;
      desktop::StartupStep(calls, state);
      const Call folderCall = platformId >= 2 ? TempPathWideCall() : TempPathAnsiCall();
      EXPECT_EQ(calls.log, (std::vector<Call>{PlatformIdCall(), folderCall, ErrorModeCall(0x8007)}))
          << "platform id " << platformId;
      EXPECT_EQ(state.tempFolder, c.folder) << "platform id " << platformId;
      EXPECT_EQ(desktop::WallpaperFilePath(state), c.folder + L"Huevane.Bmp")
          << "platform id " << platformId;
    }
  }
}

TEST(Startup, AnUnreadableFolderLeavesNoPathAndNothingToPublish) {
  const struct {
    std::optional<std::uint32_t> platformId;
    std::optional<std::wstring> wide;
    std::optional<std::wstring> ansi;
    const char* what;
  } cases[] = {
      {2, std::nullopt, L"C:\\ANSI\\", "wide call fails on NT"},
      {2, L"", L"C:\\ANSI\\", "wide call answers nothing on NT"},
      {kVersionFails, std::nullopt, L"C:\\ANSI\\", "wide call fails, version unknown"},
      {1, L"C:\\Wide\\", std::nullopt, "ANSI call fails on 9x"},
      {0, L"C:\\Wide\\", L"", "ANSI call answers nothing on Win32s"},
  };
  for (const auto& c : cases) {
    RecordingSystemCalls calls;
    calls.platformId = c.platformId;
    calls.tempPathWide = c.wide;
    calls.tempPathAnsi = c.ansi;
    DesktopState state;
    state.tempFolder = L"left over";
    desktop::StartupStep(calls, state);
    EXPECT_EQ(state.tempFolder, L"") << c.what;
    EXPECT_EQ(desktop::WallpaperFilePath(state), L"") << c.what;
    // The program still starts: the error boxes are switched off all the same.
    ASSERT_FALSE(calls.log.empty());
    EXPECT_EQ(calls.log.back(), ErrorModeCall(0x8007)) << c.what;

    calls.log.clear();
    desktop::PublishWallpaper(calls, state, desktop::WallpaperFilePath(state));
    EXPECT_EQ(calls.log, std::vector<Call>{}) << c.what;
  }
}

}  // namespace
