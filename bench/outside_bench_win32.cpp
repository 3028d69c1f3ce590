// What one change costs as a user sees it: the real huevane.exe, already
// running on this desktop, is sent key presses on a bar, and the clock runs
// until the wallpaper file shows the last of them. Everything the program
// does for a change is inside: the key and scroll messages, the cycle, the
// cue from its resource.
//
//   huevane_outside_bench --cue FILE [--changes N] [--rounds N] [--close]
//
// Taking turns with it on the same desktop, the floor: a bare program that
// does per change only what a user could notice, one memset of a
// screen-sized pixel block, one in-place rewrite of a same-sized file (one
// WriteFile), the same SystemParametersInfoW call and PlaySound of the strum
// cue (FILE) from memory, asynchronously. Nothing less could still put a new
// picture on the desktop with its sound.
//
// Each round sends N presses on the start-green bar, Down and Up in turn, so
// the program runs N whole cycles. Prints the medians per change, in ms, and
// "outside" lines for scripts; --close ends the program afterwards as its close
// button does.
#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/bmp.h"

namespace {

double TicksPerMs() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(frequency.QuadPart) / 1000.0;
}

double NowMs() {
  static const double ticksPerMs = TicksPerMs();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / ticksPerMs;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[(values.size() - 1) / 2];
}

struct Bar {
  HWND window;
  int left;
};

BOOL CALLBACK CollectBar(HWND child, LPARAM context) {
  wchar_t name[32] = {};
  GetClassNameW(child, name, 32);
  if (lstrcmpiW(name, L"ScrollBar") == 0) {
    RECT place;
    GetWindowRect(child, &place);
    reinterpret_cast<std::vector<Bar>*>(context)->push_back({child, place.left});
  }
  return TRUE;
}

// The bars of the main window from left to right; waits for the window.
std::vector<Bar> FindBars(HWND& main) {
  const double deadline = NowMs() + 30000;
  while ((main = FindWindowW(L"TForm1", nullptr)) == nullptr || !IsWindowVisible(main)) {
    if (NowMs() > deadline) return {};
    Sleep(20);
  }
  std::vector<Bar> bars;
  EnumChildWindows(main, &CollectBar, reinterpret_cast<LPARAM>(&bars));
  std::sort(bars.begin(), bars.end(), [](const Bar& a, const Bar& b) { return a.left < b.left; });
  return bars;
}

// The first pixel of the file's bottom row: in style 0 the start colour, as
// blue, green, red. Read sharing everything, so that the program's
// replacement of the file is never refused because of us.
bool StartColourIs(const std::wstring& path, std::uint64_t size, const std::uint8_t (&bgr)[3]) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER length{};
  std::uint8_t head[57] = {};
  DWORD got = 0;
  const bool read = GetFileSizeEx(file, &length) && ReadFile(file, head, 57, &got, nullptr);
  CloseHandle(file);
  return read && got == 57 && static_cast<std::uint64_t>(length.QuadPart) == size &&
         std::memcmp(head + 54, bgr, 3) == 0;
}

int Fail(const char* why) {
  std::fprintf(stderr, "huevane_outside_bench: %s\n", why);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring cuePath;
  int changes = 100, rounds = 6;
  bool close = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--cue" && i + 1 < argc) {
      cuePath = argv[++i];
    } else if (arg == L"--changes" && i + 1 < argc) {
      changes = std::max(1, std::min(255, _wtoi(argv[++i])));
    } else if (arg == L"--rounds" && i + 1 < argc) {
      rounds = std::max(1, _wtoi(argv[++i]));
    } else if (arg == L"--close") {
      close = true;
    } else {
      std::fputs("usage: huevane_outside_bench --cue FILE [--changes N] [--rounds N] [--close]\n",
                 stderr);
      return 2;
    }
  }
  std::ifstream cueFile(cuePath.c_str(), std::ios::binary);
  const std::vector<char> cue((std::istreambuf_iterator<char>(cueFile)),
                              std::istreambuf_iterator<char>());
  if (cue.empty()) return Fail("cannot read the cue");

  HWND main = nullptr;
  const std::vector<Bar> bars = FindBars(main);
  if (bars.size() != 7) return Fail("no main window with seven bars on this desktop");
  const HWND green = bars[1].window;  // the start colour's green, at 0 when started

  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  const std::size_t bytes = stride * static_cast<std::size_t>(height);
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring wallpaper = std::wstring(temp) + L"Huevane.Bmp";
  const std::wstring floorFile = std::wstring(temp) + L"huevane-outside-floor.bmp";

  // The floor's file: a 24-bit BMP header and the block, one buffer, one
  // write. A header the desktop could not read would make its repaint free.
  std::vector<std::uint8_t> picture(54 + bytes, 0);
  const auto header = EncodeBmpHeader(width, height, static_cast<std::int32_t>(stride));
  std::copy(header.begin(), header.end(), picture.begin());
  {
    HANDLE file = CreateFileW(floorFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    if (file == INVALID_HANDLE_VALUE ||
        !WriteFile(file, picture.data(), static_cast<DWORD>(picture.size()), &done, nullptr)) {
      return Fail("cannot make the floor's file");
    }
    CloseHandle(file);
  }

  std::vector<double> program, floor;
  for (int round = 0; round < rounds; ++round) {
    // The program: N presses, Down then Up in turn, so the bar never stops
    // at an end; timed until the file shows the last value.
    const bool down = round % 2 == 0;
    const std::uint8_t last[3] = {0, static_cast<std::uint8_t>(down ? changes : 0), 255};
    const double start = NowMs();
    for (int i = 0; i < changes; ++i) PostMessageW(green, WM_KEYDOWN, down ? VK_DOWN : VK_UP, 0);
    const double deadline = start + 60000;
    while (!StartColourIs(wallpaper, 54 + bytes, last)) {
      if (NowMs() > deadline) return Fail("the wallpaper file never showed the last change");
      Sleep(1);
    }
    program.push_back((NowMs() - start) / changes);

    // The floor, as many changes.
    const double floorStart = NowMs();
    for (int i = 0; i < changes; ++i) {
      std::memset(picture.data() + 54, (round * changes + i) & 0xFF, bytes);
      HANDLE file = CreateFileW(floorFile.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      DWORD done = 0;
      if (file == INVALID_HANDLE_VALUE ||
          !WriteFile(file, picture.data(), static_cast<DWORD>(picture.size()), &done, nullptr)) {
        return Fail("cannot rewrite the floor's file");
      }
      CloseHandle(file);
      SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(floorFile.c_str()),
                            SPIF_UPDATEINIFILE);
      PlaySoundW(reinterpret_cast<LPCWSTR>(cue.data()), nullptr,
                 SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
    }
    floor.push_back((NowMs() - floorStart) / changes);
    std::printf("round %d: program %.2f ms, floor %.2f ms a change\n", round + 1, program.back(),
                floor.back());
  }
  PlaySoundW(nullptr, nullptr, 0);
  DeleteFileW(floorFile.c_str());

  const double p = Median(program), f = Median(floor);
  std::printf("%dx%d: program %.2f ms, floor %.2f ms a change (medians of %d rounds): %.2fx\n",
              width, height, p, f, rounds, p / f);
  std::printf("outside %dx%d program %.4f\n", width, height, p);
  std::printf("outside %dx%d floor %.4f\n", width, height, f);
  if (close) {
    DWORD process = 0;
    GetWindowThreadProcessId(main, &process);
    HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, process);
    PostMessageW(main, WM_CLOSE, 0, 0);
    if (handle != nullptr) {
      WaitForSingleObject(handle, 15000);
      CloseHandle(handle);
    }
  }
  return 0;
}
