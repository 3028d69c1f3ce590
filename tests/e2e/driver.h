// What every group of e2e_driver's verbs shares: its output, the program's
// windows, and the verbs themselves, a file for each group.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <initializer_list>
#include <string>
#include <vector>

namespace driver {

constexpr const wchar_t* kMainWindowClass = L"TForm1";
constexpr const wchar_t* kDialogClass = L"#32770";
// The system's class of the window that shows an open menu.
constexpr const wchar_t* kMenuClass = L"#32768";
// How often a bounded wait looks again.
constexpr DWORD kPollMs = 20;
// Tells a running holder, or another program's window, to let go and stop:
// a name both driver processes of the prefix find.
constexpr const wchar_t* kHolderStopEvent = L"HuevaneE2EHolderStop";

inline void WriteUtf8(const std::wstring& text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), bytes,
                      nullptr, nullptr);
  out += '\n';
  // Raw bytes: a console would re-encode them, a file or pipe keeps them.
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written,
            nullptr);
}

inline void Say(const std::wstring& key, const std::wstring& value) {
  WriteUtf8(key + L" " + value);
}

inline int Fail(const std::wstring& why) {
  Say(L"error", why);
  return 1;
}

inline std::wstring Hex(const void* handle) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%08lx", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(handle)));
  return text;
}

inline std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

inline std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

// Whether `window` is a visible window of that class of the process `pid`.
inline bool ShownBy(HWND window, DWORD pid, const std::wstring& className) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  return owner == pid && IsWindowVisible(window) && ClassOf(window) == className;
}

inline std::wstring Numbers(std::initializer_list<long> values) {
  std::wstring text;
  for (long value : values) text += (text.empty() ? L"" : L" ") + std::to_wstring(value);
  return text;
}

struct ProgramWindows {
  HWND main = nullptr;
  DWORD pid = 0;
  int visibleDialogs = 0;
};

// How many visible top-level windows of one class the process shows.
int CountVisibleWindows(DWORD pid, const std::wstring& className);
// Top-level windows of the driver's desktop: the main window, then every
// visible standard dialog (a message box among them) of the same process.
ProgramWindows FindProgramWindows();
// Windows of a virtual desktop are found only from a thread on that desktop.
bool JoinDesktop(const std::wstring& name);
// The wallpaper setting as any program reads it: the stored value and the
// system's answer.
void SayWallpaper();

// The verbs on the prefix alone (driver_prefix.cpp): the user's profile,
// temporary folder and wallpaper setting, and a reader holding a file.
int Profile(), Wallpaper(), Release();
int Prepare(const std::wstring& tempFolder, const std::wstring& windowsVersion);
int Hold(const std::wstring& file, DWORD holdMs, DWORD boundMs);
// The program's start, state, use of resources and end
// (driver_program.cpp).
int State(), ResourceUsage();
int Wait(const std::wstring& desktop, DWORD timeoutMs);
int AwaitEnd(DWORD timeoutMs, bool close), LogOff(DWORD timeoutMs);
// The main window's scroll bars (driver_bars.cpp).
int Bars();
int Keys(const std::vector<std::wstring>& args);
int Answers(DWORD forMs, const std::vector<std::wstring>& keys);
int Drag(const std::wstring& index, unsigned long count, int final);
int Storm(std::uint32_t seed, unsigned long count);
// The program's other windows, and what goes on around them on its desktop
// (driver_windows.cpp).
int Tooltips(), Menus();
enum class Painter { kDesktop, kWindow };
int Form(const std::wstring& className);
int Repaint(const std::wstring& className, Painter painter);
int Invalidate(const std::wstring& className, const RECT& part);
int Front(DWORD boundMs);
int Display(long width, long height, DWORD timeoutMs);

}  // namespace driver
