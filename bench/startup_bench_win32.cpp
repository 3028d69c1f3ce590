// From a double-click to the window: how long a start of huevane.exe takes
// until its main window is visible, beside the floor, a bare program that
// does only what a user sees of ours at start-up.
//
//   huevane_startup_bench PROGRAM CUE [--rounds N]
//   huevane_startup_bench --floor CUE
//
// The launcher starts PROGRAM and the floor (this program with --floor) in
// turns, each with CreateProcess, and polls every millisecond for a visible
// top-level window of the new process. Once it is there and the process
// waits for input, the launcher reads the process's working set and closes
// the window, as its close button does. It prints each start, then the
// medians, the ratio and the working sets, and "startup" lines for scripts.
//
// The floor, in order: InitCommonControlsEx; the click cue (CUE, a WAVE
// file read into memory) started with PlaySound(SND_MEMORY | SND_ASYNC); a
// window made; a screen-sized 24-bit picture filled by one memset, written
// as a new BMP file in the temporary folder and made the wallpaper with
// SystemParametersInfoW; the window shown. Then it waits to be closed.
#include <windows.h>

#include <commctrl.h>
#include <mmsystem.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/bmp.h"

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

// ---- the floor ---------------------------------------------------------------

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

int Floor(const wchar_t* cuePath) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  const std::vector<char> cue = ReadAll(cuePath);
  PlaySoundW(reinterpret_cast<LPCWSTR>(cue.data()), nullptr,
             SND_MEMORY | SND_ASYNC | SND_NODEFAULT);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = FloorProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"HuevaneStartupFloor";
  RegisterClassExW(&wc);
  HWND window =
      CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"HV",
                      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                      CW_USEDEFAULT, 145, 296, nullptr, nullptr, wc.hInstance, nullptr);

  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  const std::size_t bytes = stride * static_cast<std::size_t>(height);
  std::vector<std::uint8_t> picture(54 + bytes);
  const auto header = EncodeBmpHeader(width, height, static_cast<std::int32_t>(stride));
  std::copy(header.begin(), header.end(), picture.begin());
  std::memset(picture.data() + 54, 0x80, bytes);
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring path = std::wstring(temp) + L"huevane-startup-floor.bmp";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD done = 0;
  WriteFile(file, picture.data(), static_cast<DWORD>(picture.size()), &done, nullptr);
  CloseHandle(file);
  SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(path.c_str()),
                        SPIF_UPDATEINIFILE);

  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}

// ---- the launcher --------------------------------------------------------------

struct Found {
  DWORD process;
  HWND window;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM context) {
  auto& found = *reinterpret_cast<Found*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != found.process || !IsWindowVisible(window) || GetWindow(window, GW_OWNER)) {
    return TRUE;
  }
  found.window = window;
  return FALSE;
}

struct Start {
  double toWindow;    // ms from CreateProcess to a visible window
  double workingSet;  // KiB once it waits for input
};

bool StartOnce(std::wstring command, Start& start) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION child{};
  const double t0 = NowMs();
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &child)) {
    return false;
  }
  Found found{child.dwProcessId, nullptr};
  while (found.window == nullptr) {
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&found));
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
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wstring(argv[1]) == L"--floor") return Floor(argv[2]);
  int rounds = 12;
  if (argc == 5 && std::wstring(argv[3]) == L"--rounds") rounds = std::max(1, _wtoi(argv[4]));
  if (argc != 3 && argc != 5) {
    std::fputs("usage: huevane_startup_bench PROGRAM CUE [--rounds N]\n", stderr);
    return 2;
  }
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring program = L"\"" + std::wstring(argv[1]) + L"\"";
  const std::wstring floor =
      L"\"" + std::wstring(self) + L"\" --floor \"" + std::wstring(argv[2]) + L"\"";

  // One start of each first, not counted: Wine's and the system's caches.
  Start warm{};
  if (!StartOnce(program, warm) || !StartOnce(floor, warm)) {
    std::fputs("huevane_startup_bench: a start showed no window\n", stderr);
    return 1;
  }
  std::vector<double> ours, bare, oursMemory, bareMemory;
  for (int round = 0; round < rounds; ++round) {
    // Taking turns, the order swapped every round.
    for (int turn = 0; turn < 2; ++turn) {
      const bool programFirst = round % 2 == 0;
      const bool isProgram = (turn == 0) == programFirst;
      Start start{};
      if (!StartOnce(isProgram ? program : floor, start)) {
        std::fputs("huevane_startup_bench: a start showed no window\n", stderr);
        return 1;
      }
      (isProgram ? ours : bare).push_back(start.toWindow);
      (isProgram ? oursMemory : bareMemory).push_back(start.workingSet);
      std::printf("round %2d %-8s %7.1f ms  %8.0f KiB\n", round + 1,
                  isProgram ? "program" : "floor", start.toWindow, start.workingSet);
    }
  }
  const double p = Median(ours), f = Median(bare);
  std::printf(
      "\nto a visible window (medians of %d starts): program %.1f ms, floor %.1f ms, "
      "ratio %.2f\n",
      rounds, p, f, p / f);
  std::printf("working set once idle (medians): program %.0f KiB, floor %.0f KiB\n",
              Median(oursMemory), Median(bareMemory));
  std::printf("startup program %.2f\nstartup floor %.2f\nstartup ratio %.3f\n", p, f, p / f);
  std::printf("startup program_kib %.0f\nstartup floor_kib %.0f\n", Median(oursMemory),
              Median(bareMemory));
  return 0;
}
