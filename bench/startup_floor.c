/* The floor of bench/startup.sh: the barest program that does what a user
 * sees of huevane.exe at start-up, in plain C with no C++ runtime.
 *
 *   huevane_startup_floor CUE
 *
 * In order: the click cue (CUE, a WAVE file) read into memory and started;
 * one window made, with the program's seven vertical scroll bars at their
 * places, ranges and start positions (seven CreateWindowEx, seven
 * SetScrollInfo); one screen-sized 24-bit picture (calloc, then one memset)
 * written over the last start's BMP file in the temporary folder, under one
 * name, as the program keeps one, and made the wallpaper with the program's
 * call; the window shown. Then it waits to be closed. Nothing else: the
 * program loads comctl32 only once its window shows. It carries the
 * program's manifest, so Wine starts both alike (DPI-aware, the same
 * systems supported). */
#include <windows.h>

#include <mmsystem.h>
#include <stdlib.h>
#include <string.h>

static LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

/* The program's bars, left to right: left edge, width, largest value and
 * start position. Each overlaps its left neighbour by one pixel. */
static const struct {
  int left, width, max, position;
} kBars[7] = {{0, 17, 255, 255}, {16, 17, 255, 0}, {32, 17, 255, 0},   {48, 33, 5, 0},
              {80, 17, 255, 0},  {96, 17, 255, 0}, {112, 17, 255, 255}};

static void Put16(unsigned char* at, unsigned value) {
  at[0] = (unsigned char)value;
  at[1] = (unsigned char)(value >> 8);
}

static void Put32(unsigned char* at, unsigned long value) {
  Put16(at, (unsigned)(value & 0xFFFF));
  Put16(at + 2, (unsigned)(value >> 16));
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR cuePath, int show) {
  HANDLE file;
  DWORD done = 0, cueSize = 0;
  char* cue = NULL;
  WNDCLASSW wc;
  HWND window;
  int width, height, bar;
  RECT frame = {0, 0, 129, 257};
  SCROLLINFO info;
  unsigned long stride, pixelBytes;
  unsigned char* picture;
  wchar_t folder[MAX_PATH + 1], path[MAX_PATH + 64];
  MSG message;
  (void)previous;
  (void)show;

  file = CreateFileW(cuePath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  if (file != INVALID_HANDLE_VALUE) {
    cueSize = GetFileSize(file, NULL);
    cue = malloc(cueSize);
    if (cue != NULL) ReadFile(file, cue, cueSize, &done, NULL);
    CloseHandle(file);
  }
  if (cue != NULL) PlaySoundW((LPCWSTR)cue, NULL, SND_MEMORY | SND_ASYNC | SND_NODEFAULT);

  memset(&wc, 0, sizeof(wc));
  wc.lpfnWndProc = FloorProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
  wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"HuevaneStartupFloor";
  RegisterClassW(&wc);
  AdjustWindowRectEx(&frame,
                     WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
                     FALSE, WS_EX_TOPMOST);
  window =
      CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"HV",
                      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
                      CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                      frame.bottom - frame.top, NULL, NULL, instance, NULL);
  memset(&info, 0, sizeof(info));
  info.cbSize = sizeof(info);
  info.fMask = SIF_RANGE | SIF_POS;
  for (bar = 0; bar < 7; ++bar) {
    HWND control = CreateWindowExW(
        0, L"SCROLLBAR", NULL, WS_CHILD | WS_VISIBLE | WS_TABSTOP | SBS_VERT, kBars[bar].left, 0,
        kBars[bar].width, 257, window, (HMENU)(INT_PTR)(bar + 1), instance, NULL);
    info.nMax = kBars[bar].max;
    info.nPos = kBars[bar].position;
    SetScrollInfo(control, SB_CTL, &info, FALSE);
  }

  width = GetSystemMetrics(SM_CXSCREEN);
  height = GetSystemMetrics(SM_CYSCREEN);
  stride = ((unsigned long)width * 3 + 3) / 4 * 4;
  pixelBytes = stride * (unsigned long)height;
  picture = calloc(1, 54 + pixelBytes);
  GetTempPathW(MAX_PATH + 1, folder);
  if (picture != NULL) {
    picture[0] = 'B';
    picture[1] = 'M';
    Put32(picture + 2, 54 + pixelBytes);
    Put32(picture + 10, 54);
    Put32(picture + 14, 40);
    Put32(picture + 18, (unsigned long)width);
    Put32(picture + 22, (unsigned long)height);
    Put16(picture + 26, 1);
    Put16(picture + 28, 24);
    Put32(picture + 34, pixelBytes);
    memset(picture + 54, 0x80, pixelBytes);
    /* Rewritten in place: the barest way to keep one name, though a reader
     * could see it half-written. Freeing the last start's blocks is part of
     * it, as it is of the program's safe replacement. */
    wsprintfW(path, L"%shuevane-startup-floor.bmp", folder);
    file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
      WriteFile(file, picture, 54 + pixelBytes, &done, NULL);
      CloseHandle(file);
    }
    SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, path, SPIF_UPDATEINIFILE);
  }

  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  while (GetMessageW(&message, NULL, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
