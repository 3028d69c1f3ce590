// What the About dialog and the help window cost the program: building each
// hidden at start-up, and painting each whole, beside the floor of a plain
// top-level window of the same size made and destroyed, and a plain fill of
// the same client area.
//
//   huevane_dialogs_bench [--rounds N]
//
// Paints go through WM_PRINTCLIENT into a 32-bit DIB section: the same
// drawing the screen gets, without waiting on the display. Reports median,
// min and 90th percentile in milliseconds, then one "stat" line per figure.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "app/help_window.h"
#include "toolkit/application.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Stats {
  double median, min, p90;
};

Stats Measure(int rounds, const std::function<void()>& body) {
  body();  // warm-up: classes registered, fonts and resources cached
  std::vector<double> ms;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    body();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return {ms[ms.size() / 2], ms.front(), ms[ms.size() * 9 / 10]};
}

void Report(const char* what, const Stats& s) {
  std::printf("%-34s %8.3f %8.3f %8.3f\n", what, s.median, s.min, s.p90);
  std::printf("stat %s %.4f\n", what, s.median);
}

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

// A top-level window of `client` size with nothing on it, made and
// destroyed: the floor under any window the program builds.
void PlainWindow(SIZE client, HWND owner) {
  RECT frame{0, 0, client.cx, client.cy};
  AdjustWindowRectEx(&frame, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_TOPMOST);
  HWND window =
      CreateWindowExW(WS_EX_TOPMOST, L"HuevaneBenchPlain", L"plain",
                      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0, 0, frame.right - frame.left,
                      frame.bottom - frame.top, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
  DestroyWindow(window);
}

// Paints `window`'s client area into a DIB section of `client` size.
class Canvas {
 public:
  explicit Canvas(SIZE client) : size_(client) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = client.cx;
    info.bmiHeader.biHeight = -client.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    dib_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, dib_);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(dib_);
  }
  void Print(HWND window) {
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
    GdiFlush();
  }
  void Fill() {
    RECT area{0, 0, size_.cx, size_.cy};
    FillRect(dc_, &area, GetSysColorBrush(COLOR_BTNFACE));
    GdiFlush();
  }

 private:
  SIZE size_;
  HBITMAP dib_;
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int rounds = 200;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::wcscmp(argv[i], L"--rounds") == 0) rounds = std::max(1, _wtoi(argv[i + 1]));
  }
  WNDCLASSW plain{};
  plain.lpfnWndProc = &PlainProc;
  plain.hInstance = GetModuleHandleW(nullptr);
  plain.lpszClassName = L"HuevaneBenchPlain";
  RegisterClassW(&plain);
  toolkit::Application application(L"Huevane");
  HWND owner = CreateWindowExW(0, L"HuevaneBenchPlain", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                               200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);

  std::printf("%d rounds; ms: %-21s %8s %8s %8s\n", rounds, "", "median", "min", "p90");
  const SIZE about{474, 446}, help{376, 308};
  Report("plain-window-474x446", Measure(rounds, [&] { PlainWindow(about, owner); }));
  Report("about-build", Measure(rounds, [&] { app::TForm2 form(owner); }));
  Report("plain-window-376x308", Measure(rounds, [&] { PlainWindow(help, owner); }));
  Report("help-build", Measure(rounds, [&] { app::TForm3 form(owner); }));

  Canvas aboutCanvas(about), helpCanvas(help);
  Report("fill-474x446", Measure(rounds, [&] { aboutCanvas.Fill(); }));
  app::TForm2 form2(owner);
  Report("about-paint", Measure(rounds, [&] { aboutCanvas.Print(form2.Handle()); }));
  Report("fill-376x308", Measure(rounds, [&] { helpCanvas.Fill(); }));
  app::TForm3 form3(owner);
  Report("help-paint", Measure(rounds, [&] { helpCanvas.Print(form3.Handle()); }));
  DestroyWindow(owner);
  return 0;
}
