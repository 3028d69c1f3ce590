// From a double-click to the window: how long a start of huevane.exe takes
// until its main window is visible, beside the floor, the barest program
// that does what a user sees of ours at start-up (startup_floor.c).
//
//   huevane_startup_bench PROGRAM FLOOR CUE [--rounds N] [--starts K] [--pause MS]
//   huevane_startup_bench --cues FIRST SECOND [--rounds N]
//
// The launcher starts PROGRAM and FLOOR (given CUE, the click's WAVE file)
// in turns, each with CreateProcess, and asks the new process's first thread
// every millisecond for a visible top-level window. Once it is there and the
// process waits for input, the launcher reads the process's working set and
// closes the window, as its close button does, waits for the process to
// end, and pauses MS milliseconds (300) before the next start, so that the
// desktop's reload of the last wallpaper and the last process's teardown are
// over. A round is K starts of each (4), taking turns; N rounds (8). It
// prints each round's starts and ratio, then both medians, the fastest start
// of each, the ratio by rounds and the working sets, and "startup" lines for
// scripts.
//
// The ratio by rounds is the median of the rounds' own ratios: each round's
// median start of the program over its median start of the floor. Under
// Wine here a start now and then loses some 50 ms before its first line
// runs, in spells that come and go over seconds, and to either program
// alike; the ratio of the two medians then says more about how many starts
// of each fell in a spell than about the programs (two copies of one
// program gave 1.47 so, and 1.01 by rounds). Starts taken in turns, one
// beside the other, mostly share one.
//
// With --cues it times PlaySound of one WAVE file from memory, and of a
// second one started while the first still plays, as the program's strum
// follows its click, and after the first has ended.
#include <windows.h>

#include <mmsystem.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

double NowMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / ticksPerMs;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  if (values.empty()) return 0.0;
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::vector<char> ReadAll(const wchar_t* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// ---- the launcher --------------------------------------------------------------

struct Found {
  HWND window = nullptr;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM context) {
  if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER)) return TRUE;
  reinterpret_cast<Found*>(context)->window = window;
  return FALSE;
}

struct Start {
  double toWindow;    // ms from CreateProcess to a visible window
  double workingSet;  // KiB once it waits for input
};

bool StartOnce(std::wstring command, Start& start, int pauseMs) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION child{};
  const double t0 = NowMs();
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &child)) {
    return false;
  }
  // Only the new process's first thread is asked about its windows: a
  // look at every window on the desktop every millisecond is a few dozen
  // requests to the one Wine server that the starting process needs too.
  Found found;
  while (found.window == nullptr) {
    EnumThreadWindows(child.dwThreadId, FindVisible, reinterpret_cast<LPARAM>(&found));
    if (found.window != nullptr) break;
    if (NowMs() - t0 > 30000 || WaitForSingleObject(child.hProcess, 0) == WAIT_OBJECT_0) {
      CloseHandle(child.hThread);
      CloseHandle(child.hProcess);
      return false;
    }
    Sleep(1);
  }
  start.toWindow = NowMs() - t0;
  WaitForInputIdle(child.hProcess, 5000);
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof(memory);
  start.workingSet = GetProcessMemoryInfo(child.hProcess, &memory, sizeof(memory))
                         ? static_cast<double>(memory.WorkingSetSize) / 1024.0
                         : 0.0;
  PostMessageW(found.window, WM_CLOSE, 0, 0);
  WaitForSingleObject(child.hProcess, 15000);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  Sleep(static_cast<DWORD>(pauseMs));
  return true;
}

// What PlaySound costs under Wine: a first cue, a second one started while
// the first still plays (Wine waits for the first one's thread to end), and
// a second one started once the first has ended.
int CueCosts(const wchar_t* firstPath, const wchar_t* secondPath, int rounds) {
  const std::vector<char> first = ReadAll(firstPath), second = ReadAll(secondPath);
  if (first.empty() || second.empty()) {
    std::fputs("huevane_startup_bench: cannot read the cues\n", stderr);
    return 1;
  }
  const DWORD flags = SND_MEMORY | SND_ASYNC | SND_NODEFAULT;
  auto play = [&](const std::vector<char>& cue) {
    const double t0 = NowMs();
    PlaySoundW(reinterpret_cast<LPCWSTR>(cue.data()), nullptr, flags);
    return NowMs() - t0;
  };
  const double firstEver = play(first);
  Sleep(500);
  std::vector<double> alone, overlapping, after;
  for (int round = 0; round < rounds; ++round) {
    alone.push_back(play(first));
    overlapping.push_back(play(second));
    Sleep(500);
    play(first);
    Sleep(500);  // the first has ended by now
    after.push_back(play(second));
    Sleep(500);
  }
  PlaySoundW(nullptr, nullptr, 0);
  std::printf(
      "PlaySound from memory, medians of %d: first call in a process %.2f ms; "
      "a cue %.2f ms; a second cue while the first plays %.2f ms (%.2f..%.2f); "
      "a second cue after the first ended %.2f ms\n",
      rounds, firstEver, Median(alone), Median(overlapping),
      *std::min_element(overlapping.begin(), overlapping.end()),
      *std::max_element(overlapping.begin(), overlapping.end()), Median(after));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int rounds = 8, starts = 4, pauseMs = 300, fixed = argc;
  for (int i = 1; i < argc; ++i) {
    const std::wstring option(argv[i]);
    if (i + 1 >= argc) continue;
    if (option == L"--rounds" || option == L"--starts" || option == L"--pause") {
      int& value = option == L"--rounds" ? rounds : option == L"--starts" ? starts : pauseMs;
      value = std::max(option == L"--pause" ? 0 : 1, _wtoi(argv[i + 1]));
      fixed = std::min(fixed, i);
    }
  }
  if (fixed == 4 && std::wstring(argv[1]) == L"--cues") return CueCosts(argv[2], argv[3], rounds);
  if (fixed != 4) {
    std::fputs(
        "usage: huevane_startup_bench PROGRAM FLOOR CUE [--rounds N] [--starts K] "
        "[--pause MS]\n"
        "       huevane_startup_bench --cues FIRST SECOND [--rounds N]\n",
        stderr);
    return 2;
  }
  const std::wstring program = L"\"" + std::wstring(argv[1]) + L"\"";
  const std::wstring floor = L"\"" + std::wstring(argv[2]) + L"\" " + std::wstring(argv[3]);

  // One start of each first, not counted: Wine's and the system's caches.
  Start warm{};
  if (!StartOnce(program, warm, pauseMs) || !StartOnce(floor, warm, pauseMs)) {
    std::fputs("huevane_startup_bench: a start showed no window\n", stderr);
    return 1;
  }
  std::vector<double> ours, bare, oursMemory, bareMemory, ratios;
  for (int round = 0; round < rounds; ++round) {
    // K starts of each, taking turns, the one to go first swapped every
    // round; the round's ratio is the median of its program's starts over
    // the median of its floor's.
    std::vector<double> roundOurs, roundBare;
    std::printf("round %2d", round + 1);
    for (int turn = 0; turn < 2 * starts; ++turn) {
      const bool isProgram = (turn % 2 == 0) == (round % 2 == 0);
      Start start{};
      if (!StartOnce(isProgram ? program : floor, start, pauseMs)) {
        std::fputs("\nhuevane_startup_bench: a start showed no window\n", stderr);
        return 1;
      }
      (isProgram ? roundOurs : roundBare).push_back(start.toWindow);
      (isProgram ? oursMemory : bareMemory).push_back(start.workingSet);
      std::printf("  %c %5.1f", isProgram ? 'P' : 'F', start.toWindow);
    }
    ratios.push_back(Median(roundOurs) / Median(roundBare));
    std::printf("   ratio %.2f\n", ratios.back());
    ours.insert(ours.end(), roundOurs.begin(), roundOurs.end());
    bare.insert(bare.end(), roundBare.begin(), roundBare.end());
    std::fflush(stdout);
  }
  const double p = Median(ours), f = Median(bare), ratio = Median(ratios);
  const double pFast = *std::min_element(ours.begin(), ours.end());
  const double fFast = *std::min_element(bare.begin(), bare.end());
  std::sort(ratios.begin(), ratios.end());
  std::printf(
      "\nto a visible window, P program, F floor (%d rounds of %d starts of each, %d ms apart)\n"
      "medians: program %.1f ms, floor %.1f ms (gap %.1f ms)\n"
      "fastest: program %.1f ms, floor %.1f ms\n"
      "ratio by rounds %.2f: the median of the rounds' ratios (middle half %.2f..%.2f)\n",
      rounds, starts, pauseMs, p, f, p - f, pFast, fFast, ratio, ratios[ratios.size() / 4],
      ratios[(ratios.size() * 3) / 4]);
  std::printf("working set once idle (medians): program %.0f KiB, floor %.0f KiB\n",
              Median(oursMemory), Median(bareMemory));
  std::printf("startup program %.2f\nstartup floor %.2f\nstartup ratio %.3f\n", p, f, ratio);
  std::printf("startup program_fastest %.2f\nstartup floor_fastest %.2f\n", pFast, fFast);
  std::printf("startup program_kib %.0f\nstartup floor_kib %.0f\n", Median(oursMemory),
              Median(bareMemory));
  return 0;
}
