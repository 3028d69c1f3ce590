/* The floor of bench/startup.sh: the barest program that does what a user
 * sees of huevane.exe at start-up, in plain C with no C++ runtime.
 *
 *   huevane_startup_floor CUE
 *
 * In order: InitCommonControlsEx; the click cue (CUE, a WAVE file) read into
 * memory and started; one window made; one screen-sized 24-bit picture
 * (calloc, then one memset) written as a new BMP file in the temporary
 * folder and made the wallpaper with the program's call; the window shown.
 * Then it waits to be closed. */
#include <windows.h>

#include <commctrl.h>
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

static void Put16(unsigned char* at, unsigned value) {
  at[0] = (unsigned char)value;
  at[1] = (unsigned char)(value >> 8);
}

static void Put32(unsigned char* at, unsigned long value) {
  Put16(at, (unsigned)(value & 0xFFFF));
  Put16(at + 2, (unsigned)(value >> 16));
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR cuePath, int show) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
  HANDLE file;
  DWORD done = 0, cueSize = 0;
  char* cue = NULL;
  WNDCLASSW wc;
  HWND window;
  int width, height;
  unsigned long stride, pixelBytes;
  unsigned char* picture;
  wchar_t path[MAX_PATH + 32];
  MSG message;
  (void)previous;
  (void)show;

  InitCommonControlsEx(&controls);

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
  window = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"HV",
                           WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                           CW_USEDEFAULT, 145, 296, NULL, NULL, instance, NULL);

  width = GetSystemMetrics(SM_CXSCREEN);
  height = GetSystemMetrics(SM_CYSCREEN);
  stride = ((unsigned long)width * 3 + 3) / 4 * 4;
  pixelBytes = stride * (unsigned long)height;
  picture = calloc(1, 54 + pixelBytes);
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
    GetTempPathW(MAX_PATH + 1, path);
    lstrcatW(path, L"huevane-startup-floor.bmp");
    DeleteFileW(path);
    file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
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
