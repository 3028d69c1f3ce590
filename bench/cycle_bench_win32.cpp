// What one whole regeneration cycle costs on Windows (or Wine): the real
// app::Wallpaper::Regenerate on a real DIB-section surface, publishing through
// the real SystemParametersInfoW, into the user's temporary folder exactly as
// the program does. Only the cue is silent, since a sound device is nothing
// the cycle waits for.
//
//   huevane_cycle_bench [--size WxH]... [--cycles N] [--warmup N] [--folder DIR]
//
// Every cycle changes the colours and the style, as dragging a bar does, so
// the file, the wallpaper and the desktop's repaint really change each time.
// Cycles run back to back, with nothing in between: a cycle that starts while
// the desktop still repaints the previous wallpaper waits for it, as it would
// during a drag.
//
// Four kinds of round take turns, on the same surface and desktop:
//   - the real cycle, timed whole, with the publish step timed from inside
//     the system calls it makes (so fill+save and publish are split without
//     touching it);
//   - the same four steps called one by one, each timed, which splits the
//     fill from the save;
//   - the same steps with the save of every cycle going to a new file
//     (WriteBmpFile, the route huevane-render keeps, and the program's own
//     before the spare), into a folder of its own beside the wallpaper's;
//   - the cycle floor: one memset of the pixel block, one in-place rewrite
//     of a file of the same size (header and block, two writes) and the
//     same SystemParametersInfoW call, in that folder too. Nothing less
//     could still put a new picture on the desktop.
// Per size the report gives median, min and 90th percentile of each, in ms,
// then one "stat" line per figure for scripts to read.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/sound.h"
#include "app/wallpaper.h"
#include "desktop/desktop.h"
#include "desktop/win32_system_calls.h"
#include "files/reader_safe_route.h"
#include "render/bmp.h"
#include "render/surface.h"
#include "tests/support/file_index.h"

namespace {

struct Size {
  std::int32_t width;
  std::int32_t height;
};

struct Options {
  std::vector<Size> sizes;
  int cycles = 40;
  int warmup = 3;
  std::wstring folder;  // empty: the temporary folder, as the program uses
};

// ---- clock ----------------------------------------------------------------

double TicksPerMs() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(frequency.QuadPart) / 1000.0;
}

const double kTicksPerMs = TicksPerMs();

std::int64_t Now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

double Ms(std::int64_t from, std::int64_t to) {
  return static_cast<double>(to - from) / kTicksPerMs;
}

// User plus kernel time of a process, in ms; negative when it cannot be read.
double CpuMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (process == nullptr || !GetProcessTimes(process, &created, &exited, &kernel, &user)) {
    return -1;
  }
  auto hundredNs = [](const FILETIME& t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(hundredNs(kernel) + hundredNs(user)) / 1e4;
}

// ---- statistics -----------------------------------------------------------

struct Summary {
  double median = 0;
  double min = 0;
  double p90 = 0;
};

// Nearest rank: every figure reported is one that was really measured.
Summary Summarize(std::vector<double> values) {
  Summary s;
  if (values.empty()) return s;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  s.min = values.front();
  s.median = values[(n - 1) / 2];
  s.p90 = values[std::min(n - 1, (n * 9 + 9) / 10 - 1)];
  return s;
}

// ---- the cycle --------------------------------------------------------------

// What a drag produces: each cycle one step further along both colours, and
// a different style every time, so consecutive pictures never match.
app::ControlValues ValuesFor(int round) {
  const std::int32_t step = round % 256;
  app::ControlValues values{};
  values.startRed = 255 - step;
  values.startGreen = step;
  values.startBlue = (step * 3) % 256;
  values.endRed = (step * 5) % 256;
  values.endGreen = 255 - step;
  values.endBlue = 255;
  values.style = round % 6;
  return values;
}

// The program's own system calls, with the publish timed from inside: it
// starts with the version check and ends when the wallpaper call returns, so
// the real cycle splits into fill+save and publish without touching it.
class TimedSystemCalls final : public desktop::SystemCalls {
 public:
  std::optional<std::wstring> TempPathWide() override { return real_.TempPathWide(); }
  std::optional<std::wstring> TempPathAnsi() override { return real_.TempPathAnsi(); }
  void SetErrorMode(std::uint32_t mode) override { real_.SetErrorMode(mode); }
  // The benchmarked size: the wallpaper makes its surface at it.
  std::int32_t GetSystemMetrics(std::int32_t index) override {
    return index == desktop::kSmCxScreen ? width : height;
  }
  std::optional<std::uint32_t> PlatformId() override {
    publishStart = Now();
    return real_.PlatformId();
  }
  void SystemParametersInfoA(std::uint32_t action, std::uint32_t param, const std::wstring& text,
                             std::uint32_t flags) override {
    real_.SystemParametersInfoA(action, param, text, flags);
    publishEnd = Now();
  }
  void SystemParametersInfoW(std::uint32_t action, std::uint32_t param, const std::wstring& text,
                             std::uint32_t flags) override {
    real_.SystemParametersInfoW(action, param, text, flags);
    publishEnd = Now();
  }

  std::int64_t publishStart = 0;
  std::int64_t publishEnd = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;

 private:
  desktop::Win32SystemCalls real_;
};

// The cue is silent: a sound device is nothing the cycle waits for.
class SilentPlayer final : public app::SoundPlayer {
 public:
  void PlayResource(const char*) override {}
};

// The program's services, with the calls above and the silent cue.
struct TimedServices {
  TimedSystemCalls calls;
  desktop::DesktopState state;
  SilentPlayer player;
  app::SoundCues sounds{player};
  app::WallpaperServices services{calls, state, sounds};

  TimedServices() { sounds.SetOn(true); }
};

// The stepped cycle saves through the same route as the wallpaper's own
// cycle, so that both keep one spare between them, as the program does.
class SharedRoute final : public files::SaveRoute {
 public:
  explicit SharedRoute(files::SaveRoute& route) : route_(route) {}
  bool Write(const files::PathName& target,
             std::span<const files::ByteRange> parts) noexcept override {
    return route_.Write(target, parts);
  }
  bool Pending() const noexcept override { return route_.Pending(); }
  bool Unfinished() const noexcept override { return route_.Unfinished(); }
  bool Finish() noexcept override { return route_.Finish(); }
  void Clear() noexcept override { route_.Clear(); }
  void Sweep(const files::PathName& target) noexcept override { route_.Sweep(target); }

 private:
  files::SaveRoute& route_;
};

enum Figure {
  kCycle,
  kCycleFillSave,
  kCyclePublish,
  kStepFill,
  kStepSave,
  kStepPublish,
  kStepTotal,
  kNewFileSave,
  kNewFileTotal,
  kFloorMemset,
  kFloorWrite,
  kFloorPublish,
  kFloorTotal,
  kFigureCount
};

struct FigureInfo {
  const char* key;    // the name on the "stat" lines
  const char* label;  // the name in the table
};

constexpr FigureInfo kFigures[kFigureCount] = {
    {"cycle", "cycle (Wallpaper::Regenerate)"},
    {"cycle_fill_save", "  fill + save, inside it"},
    {"cycle_publish", "  publish, inside it"},
    {"fill", "fill (step by step)"},
    {"save", "save"},
    {"publish", "publish"},
    {"steps_total", "  sum of the steps"},
    {"newfile_save", "save to a new file every cycle"},
    {"newfile_total", "  cycle with it"},
    {"floor_memset", "floor: memset"},
    {"floor_write", "floor: in-place rewrite"},
    {"floor_publish", "floor: publish"},
    {"floor_total", "  floor cycle"},
};

struct Measurements {
  std::vector<double> figures[kFigureCount];
  int rounds = 0;        // every cycle run, warm-up included
  int missingFiles = 0;  // cycles after which the file was not whole
  // The files that Huevane.Bmp named after the program's saves: two when
  // every save took the spare route, one more for each that fell back.
  std::set<std::uint64_t> wallpaperFiles;
  double selfCpuMs = -1;  // over the timed cycles
};

bool FileIsWhole(const std::wstring& path, const TWin& surface) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  const std::uint64_t size =
      (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return size == kBmpHeaderBytes + surface.PixelBytes();
}

void RealCycle(app::Wallpaper& wallpaper, int round, TimedServices& timed, Measurements* m) {
  const std::int64_t t0 = Now();
  wallpaper.Regenerate(ValuesFor(round));
  const std::int64_t t1 = Now();
  if (m == nullptr) return;
  m->figures[kCycle].push_back(Ms(t0, t1));
  m->figures[kCycleFillSave].push_back(Ms(t0, timed.calls.publishStart));
  m->figures[kCyclePublish].push_back(Ms(timed.calls.publishStart, timed.calls.publishEnd));
}

// The same steps as app::Wallpaper::Regenerate, in the same order and with the
// same arguments, each one timed. With `newFile` the save makes a new file
// every cycle (WriteBmpFile: the same bytes), as the program did before it
// kept a spare; only its save and its whole cycle are recorded then.
void SteppedCycle(TWin& surface, files::SaveRoute& route, const std::wstring& path, int round,
                  TimedServices& timed, Measurements& m, bool newFile = false) {
  const app::ControlValues v = ValuesFor(round);
  const std::int64_t t0 = Now();
  surface.FillGradient(v.startRed, v.startGreen, v.startBlue, v.endRed, v.endGreen, v.endBlue,
                       v.style, 128, -1, -2, -3, -4);
  const std::int64_t t1 = Now();
  if (newFile) {
    WriteBmpFile(surface, path);
  } else {
    surface.SaveToBmp(path, route);
  }
  const std::int64_t t2 = Now();
  desktop::PublishWallpaper(timed.calls, timed.state, path);
  const std::int64_t t3 = Now();
  timed.sounds.Beeper(app::kCueStrum);
  const std::int64_t t4 = Now();
  if (newFile) {
    m.figures[kNewFileSave].push_back(Ms(t1, t2));
    m.figures[kNewFileTotal].push_back(Ms(t0, t4));
    return;
  }
  m.figures[kStepFill].push_back(Ms(t0, t1));
  m.figures[kStepSave].push_back(Ms(t1, t2));
  m.figures[kStepPublish].push_back(Ms(t2, t3));
  m.figures[kStepTotal].push_back(Ms(t0, t4));
}

// The cycle floor's file: made once at full size, then only rewritten.
bool RewriteInPlace(const std::wstring& path, const std::uint8_t* header, const std::uint8_t* bits,
                    std::size_t bytes, bool create) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                            create ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD done = 0;
  bool ok = WriteFile(file, header, kBmpHeaderBytes, &done, nullptr) && done == kBmpHeaderBytes;
  ok = ok && WriteFile(file, bits, static_cast<DWORD>(bytes), &done, nullptr) && done == bytes;
  return CloseHandle(file) && ok;
}

void FloorCycle(TWin& surface, const std::wstring& path, int round, const std::uint8_t* header,
                Measurements& m) {
  const std::int64_t t0 = Now();
  std::uint8_t* bits = surface.PixelBits();
  // A different byte every cycle, so the desktop really changes.
  std::memset(bits, round & 0xFF, surface.PixelBytes());
  const std::int64_t t1 = Now();
  const bool written = RewriteInPlace(path, header, bits, surface.PixelBytes(), false);
  const std::int64_t t2 = Now();
  std::wstring text = path;
  SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, text.data(), SPIF_UPDATEINIFILE);
  const std::int64_t t3 = Now();
  if (!written) ++m.missingFiles;
  m.figures[kFloorMemset].push_back(Ms(t0, t1));
  m.figures[kFloorWrite].push_back(Ms(t1, t2));
  m.figures[kFloorPublish].push_back(Ms(t2, t3));
  m.figures[kFloorTotal].push_back(Ms(t0, t3));
}

// ---- output -----------------------------------------------------------------

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(std::max(bytes, 0)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, result.data(), bytes, nullptr, nullptr);
  return result;
}

std::string SizeText(Size size) {
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

void Report(Size size, const Options& options, const Measurements& m) {
  const std::string name = SizeText(size);
  std::printf("%-34s %9s %9s %9s\n", "ms", "median", "min", "p90");
  for (int f = 0; f < kFigureCount; ++f) {
    const Summary s = Summarize(m.figures[f]);
    std::printf("%-34s %9.3f %9.3f %9.3f\n", kFigures[f].label, s.median, s.min, s.p90);
  }
  const double timed = 4.0 * options.cycles;
  if (m.selfCpuMs >= 0) std::printf("CPU per cycle, this process: %.1f ms\n", m.selfCpuMs / timed);
  std::printf("files that Huevane.Bmp named over %d saves: %zu (2: every save in place)\n",
              2 * options.cycles, m.wallpaperFiles.size());
  for (int f = 0; f < kFigureCount; ++f) {
    const Summary s = Summarize(m.figures[f]);
    std::printf("stat %s %s %.4f %.4f %.4f\n", name.c_str(), kFigures[f].key, s.median, s.min,
                s.p90);
  }
  std::printf("rounds %s %d\n", name.c_str(), m.rounds);
  if (m.selfCpuMs >= 0) std::printf("cpu %s self %.4f\n", name.c_str(), m.selfCpuMs / timed);
  std::fflush(stdout);
}

// ---- one size ---------------------------------------------------------------

int RunSize(Size size, const Options& options) {
  TimedServices timed;
  desktop::DesktopState& state = timed.state;
  desktop::StartupStep(timed.calls, state);
  std::wstring path;
  if (options.folder.empty()) {
    path = desktop::WallpaperFilePath(state);
  } else {
    path = options.folder;
    if (path.back() != L'\\' && path.back() != L'/') path.push_back(L'\\');
    path += desktop::kWallpaperFileName;
  }
  if (path.empty()) {
    std::fprintf(stderr, "error: the temporary folder is unknown\n");
    return 1;
  }

  // The wallpaper composes its path from the temporary folder.
  state.tempFolder = std::filesystem::path(path).parent_path().wstring() + L"\\";
  timed.calls.width = size.width;
  timed.calls.height = size.height;
  files::ReaderSafeRoute route;
  app::Wallpaper wallpaper(timed.services, std::make_unique<SharedRoute>(route),
                           [](std::uint32_t ms) { Sleep(ms); });
  std::unique_ptr<TWin> surface;
  try {
    wallpaper.Create();
    surface = CreateWin(size.width, size.height);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "error: %s\n", error.what());
    return 1;
  }

  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  std::printf("\n== %s: %d cycles of each kind after %d warm-up, desktop %dx%d\n",
              SizeText(size).c_str(), options.cycles, options.warmup, screenWidth, screenHeight);
  std::printf("wallpaper file: %s\n", Narrow(path).c_str());
  if (screenWidth != size.width || screenHeight != size.height) {
    // The repaint scales with the desktop; figures from a desktop of another
    // size are not those of this screen.
    std::printf("warning: the desktop is not %s\n", SizeText(size).c_str());
  }

  // The new-file route and the floor write beside the wallpaper's folder,
  // on the same file system, each in a folder of its own.
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  const std::filesystem::path asideFolder = folder / L"huevane-cycle-bench";
  std::error_code ignored;
  std::filesystem::create_directory(asideFolder, ignored);
  const std::wstring newFilePath = (asideFolder / desktop::kWallpaperFileName).wstring();
  const std::wstring floorPath = (asideFolder / L"floor.bmp").wstring();
  const auto header = EncodeBmpHeader(*surface);
  if (!RewriteInPlace(floorPath, header.data(), surface->PixelBits(), surface->PixelBytes(),
                      true)) {
    std::fprintf(stderr, "error: cannot make %s\n", Narrow(floorPath).c_str());
    return 1;
  }

  Measurements m;
  int round = 0;
  for (int i = 0; i < options.warmup; ++i) {
    RealCycle(wallpaper, round++, timed, nullptr);
    SteppedCycle(*surface, route, newFilePath, round++, timed, m, /*newFile=*/true);
    FloorCycle(*surface, floorPath, round++, header.data(), m);
  }
  for (auto& figure : m.figures) figure.clear();

  // Only this process: Wine 8 answers GetProcessTimes for another process
  // with the caller's own times, so the desktop's share is read from outside.
  const double selfBefore = CpuMs(GetCurrentProcess());
  for (int i = 0; i < 4 * options.cycles; ++i) {
    switch (i % 4) {
      case 0: RealCycle(wallpaper, round++, timed, &m); break;
      case 1: SteppedCycle(*surface, route, path, round++, timed, m); break;
      case 2:
        SteppedCycle(*surface, route, newFilePath, round++, timed, m, /*newFile=*/true);
        break;
      default: FloorCycle(*surface, floorPath, round++, header.data(), m); break;
    }
    // Outside the timings: SaveToBmp swallows its errors, so check here that
    // every cycle really left a whole file behind.
    if (!FileIsWhole(i % 4 == 2 ? newFilePath : i % 4 == 3 ? floorPath : path, *surface)) {
      ++m.missingFiles;
    }
    if (i % 4 < 2) m.wallpaperFiles.insert(test::FileIndex(path));
  }
  const double selfAfter = CpuMs(GetCurrentProcess());
  m.rounds = round;
  if (selfBefore >= 0 && selfAfter >= 0) m.selfCpuMs = selfAfter - selfBefore;

  Report(size, options, m);
  // The program's own last word on the wallpaper, as after a drag.
  RealCycle(wallpaper, round++, timed, nullptr);
  std::filesystem::remove_all(asideFolder, ignored);

  wchar_t published[MAX_PATH] = {};
  SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, published, 0);
  if (path != published) {
    std::fprintf(stderr, "error: the wallpaper is \"%s\", not the file written\n",
                 Narrow(published).c_str());
    return 1;
  }
  if (m.missingFiles != 0) {
    std::fprintf(stderr, "error: %d cycles left no whole file\n", m.missingFiles);
    return 1;
  }
  return 0;
}

// ---- arguments --------------------------------------------------------------

void Usage(std::FILE* out) {
  std::fprintf(out,
               "usage: huevane_cycle_bench [--size WxH]... [--cycles N] [--warmup N] "
               "[--folder DIR]\n"
               "  --size WxH   surface size; repeatable (default 1920x1080 and 3840x2160)\n"
               "  --cycles N   timed cycles of each kind per size (default 40)\n"
               "  --warmup N   untimed cycles first (default 3)\n"
               "  --folder DIR write Huevane.Bmp there instead of the temporary folder\n");
}

bool ParseInt(const wchar_t* text, int low, int high, int& value) {
  wchar_t* end = nullptr;
  const long parsed = std::wcstol(text, &end, 10);
  if (end == text || *end != L'\0' || parsed < low || parsed > high) return false;
  value = static_cast<int>(parsed);
  return true;
}

bool ParseSize(const wchar_t* text, Size& size) {
  wchar_t* end = nullptr;
  const long width = std::wcstol(text, &end, 10);
  if (end == text || *end != L'x') return false;
  const wchar_t* heightText = end + 1;
  const long height = std::wcstol(heightText, &end, 10);
  if (end == heightText || *end != L'\0' || width < 1 || height < 1 || width > 65535 ||
      height > 65535) {
    return false;
  }
  size = {static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
  return true;
}

// 0 to run, 1 for help shown, 2 for bad arguments.
int ParseArguments(int argc, wchar_t** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--help") {
      Usage(stdout);
      return 1;
    }
    const wchar_t* value = i + 1 < argc ? argv[++i] : nullptr;
    bool ok = value != nullptr;
    if (ok && arg == L"--size") {
      Size size{};
      ok = ParseSize(value, size);
      if (ok) options.sizes.push_back(size);
    } else if (ok && arg == L"--cycles") {
      ok = ParseInt(value, 1, 100000, options.cycles);
    } else if (ok && arg == L"--warmup") {
      ok = ParseInt(value, 0, 100000, options.warmup);
    } else if (ok && arg == L"--folder") {
      options.folder = value;
      ok = !options.folder.empty();
    } else {
      ok = false;
    }
    if (!ok) {
      const std::wstring given = value != nullptr ? arg + L" " + value : arg;
      std::fprintf(stderr, "bad argument: %s\n", Narrow(given).c_str());
      Usage(stderr);
      return 2;
    }
  }
  if (options.sizes.empty()) options.sizes = {{1920, 1080}, {3840, 2160}};
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  const int parsed = ParseArguments(argc, argv, options);
  if (parsed != 0) return parsed == 1 ? 0 : 2;
  int status = 0;
  for (const Size size : options.sizes) status |= RunSize(size, options);
  return status;
}
