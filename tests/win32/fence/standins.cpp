// Stand-ins for what a Windows test case can do wrong after GoogleTest has
// given its verdict, or outside any test. check.sh runs each through
// cmake/wine-test, which must fail every one of them and pass the two that
// are right. Each fault is armed only by its own case, so one program holds
// them all.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <thread>

namespace {

enum class Fault { None, NullWriteAtExit, CrashingThread, AbortAtExit, JoinableThread, ExitCode };
Fault armed = Fault::None;

void NullWrite() { *static_cast<volatile int*>(nullptr) = 1; }

// The stray thread waits for the verdict to be printed, then crashes.
HANDLE verdictPrinted = CreateEventW(nullptr, TRUE, FALSE, nullptr);
HANDLE strayThread = nullptr;

DWORD WINAPI CrashAfterTheVerdict(void*) {
  WaitForSingleObject(verdictPrinted, INFINITE);
  NullWrite();
  return 0;
}

// Runs after main has returned and GoogleTest has printed its verdict.
struct AtExit {
  ~AtExit() {
    if (armed == Fault::NullWriteAtExit) NullWrite();
    if (armed == Fault::CrashingThread) {
      // Its crash ends the process; should it not, the thread's end lets
      // this go on and the process exit 0, which check.sh sees as wrong.
      SetEvent(verdictPrinted);
      WaitForSingleObject(strayThread, INFINITE);
    }
    if (armed == Fault::ExitCode) ExitProcess(3);
  }
} atExit;

std::optional<std::thread> leftThread;

TEST(Standin, Passes) { SUCCEED(); }

TEST(Standin, SkipsSayingWhy) { GTEST_SKIP() << "nothing to check on this system"; }

TEST(Standin, SkipsSayingNothing) { GTEST_SKIP(); }

TEST(Standin, NullWriteInAStaticDestructor) { armed = Fault::NullWriteAtExit; }

TEST(Standin, ThreadThatCrashesAfterTheVerdict) {
  armed = Fault::CrashingThread;
  strayThread = CreateThread(nullptr, 0, &CrashAfterTheVerdict, nullptr, 0, nullptr);
}

TEST(Standin, AbortInAnAtexitHandler) {
  std::atexit([] { std::abort(); });
}

TEST(Standin, JoinableThreadLeftAtExit) {
  leftThread.emplace([] { Sleep(INFINITE); });
}

TEST(Standin, ExitProcessWithACode) { armed = Fault::ExitCode; }

struct FailingTearDown : ::testing::Test {
  static void TearDownTestSuite() { ADD_FAILURE() << "tear-down failed"; }
};
TEST_F(FailingTearDown, Passes) { SUCCEED(); }

struct FailingSetUp : ::testing::Test {
  static void SetUpTestSuite() { GTEST_FAIL() << "set-up failed"; }
};
TEST_F(FailingSetUp, Passes) { SUCCEED(); }

}  // namespace
