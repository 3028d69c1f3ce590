// What one regeneration cycle costs on a screen-sized surface, each step timed
// against the least any code could spend on the same bytes:
//   - the gradient fill against a memset of the same pixel block;
//   - fill plus save against that memset plus one write of the same bytes
//     through the same replace-a-file route the save uses.
// Subject and floor run back to back in every iteration, on the same memory
// and the same folder, so load from the rest of a shared machine falls on both
// alike. Counters on the subject's row: ms (its median), the floor's median
// and their ratio. The floors also run alone (Memset, MemsetWrite) as a
// cross-check. After the run a compact table of those figures (medians over
// repetitions) goes to stdout, or to stderr when the display format is not
// the console, so JSON output stays parseable.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "files/replace.h"
#include "render/bmp.h"
#include "render/surface.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct ScreenSize {
  std::int32_t width;
  std::int32_t height;
};
constexpr ScreenSize kSizes[] = {{1366, 768}, {1920, 1080}, {3840, 2160}};
constexpr std::int32_t kStyleCount = 6;

// The fill ratio a fast route should reach, and fill plus save against its floor.
constexpr double kFillTarget = 2.0;
constexpr double kFillSaveTarget = 1.3;

std::string SizeText(ScreenSize size) {
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Every benchmark paints what the regeneration cycle paints: the whole
// surface, opaque, from pure red to pure blue.
void Fill(TWin& surface, std::int32_t style) {
  surface.FillGradient(255, 0, 0, 0, 0, 255, style, 128, -1, -2, -3, -4);
  benchmark::ClobberMemory();
}

void FillByLines(TWin& surface, std::int32_t style) {
  surface.FillGradientByLines(255, 0, 0, 0, 0, 255, style, 128, -1, -2, -3, -4);
  benchmark::ClobberMemory();
}

// The cheapest way to put a byte in every pixel of the block. The barriers
// keep the stores although nothing reads them back.
void Memset(TWin& surface, std::uint8_t value) {
  std::uint8_t* bits = surface.PixelBits();
  benchmark::DoNotOptimize(bits);
  std::memset(bits, value, surface.PixelBytes());
  benchmark::ClobberMemory();
}

// The cheapest way to get the same file out through the same route: the
// header and the block in one write each, no row reordering.
bool WriteBlock(const TWin& surface, const fs::path& target) {
  const auto header = EncodeBmpHeader(surface);
  const files::ByteRange parts[] = {{header.data(), header.size()},
                                    {surface.PixelBits(), surface.PixelBytes()}};
  return files::WriteFileReplacing(target, parts);
}

// Folder for every file the run writes: under the system temporary folder,
// so subject and floor share one file system. Removed at exit.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "huevane-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::exit(2);
    }
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

const fs::path* g_folder = nullptr;

fs::path SubjectFile() { return *g_folder / "Huevane.Bmp"; }
fs::path FloorFile() { return *g_folder / "floor.bmp"; }

bool HoldsWholeImage(const fs::path& file, const TWin& surface) {
  std::error_code error;
  return fs::file_size(file, error) == kBmpHeaderBytes + surface.PixelBytes() && !error;
}

double Median(std::vector<double>& values) {
  if (values.empty()) return 0;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// Every timed figure is the median over iterations: on a machine shared with
// other builds a preempted iteration costs a whole time slice, which would
// swamp a mean of 30-microsecond fills. The mean stays in the Time column.
// Returns the median in seconds.
double ReportMedian(benchmark::State& state, std::vector<double>& seconds, const TWin& surface) {
  const double median = Median(seconds);
  state.counters["ms"] = median * 1e3;
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(surface.PixelBytes()));
  return median;
}

// Runs subject and floor back to back each iteration. The subject's time is
// the benchmark's time; the floor's median (ms) and the ratio of the two
// medians go into the two named counters. One untimed round first takes
// every page fault and creates every file, so neither side pays for first
// touch.
template <class Subject, class Floor>
void RunPaired(benchmark::State& state, const TWin& surface, Subject subject, Floor floor,
               const char* floor_counter, const char* ratio_counter) {
  subject();
  floor();
  std::vector<double> subject_times;
  std::vector<double> floor_times;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    subject();
    const auto t1 = Clock::now();
    floor();
    const auto t2 = Clock::now();
    state.SetIterationTime(Seconds(t1 - t0));
    subject_times.push_back(Seconds(t1 - t0));
    floor_times.push_back(Seconds(t2 - t1));
  }
  const double subject_median = ReportMedian(state, subject_times, surface);
  const double floor_median = Median(floor_times);
  state.counters[floor_counter] = floor_median * 1e3;
  state.counters[ratio_counter] = floor_median > 0 ? subject_median / floor_median : 0;
}

// A floor on its own, timed the same way.
template <class Floor>
void RunAlone(benchmark::State& state, const TWin& surface, Floor floor) {
  floor();
  std::vector<double> times;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    floor();
    const auto t1 = Clock::now();
    state.SetIterationTime(Seconds(t1 - t0));
    times.push_back(Seconds(t1 - t0));
  }
  ReportMedian(state, times, surface);
}

void BM_FillGradient(benchmark::State& state, ScreenSize size, std::int32_t style) {
  auto surface = CreateWin(size.width, size.height);
  std::uint8_t value = 0;
  RunPaired(
      state, *surface, [&] { Fill(*surface, style); }, [&] { Memset(*surface, ++value); },
      "memset_ms", "x_memset");
}

void BM_FillGradientByLines(benchmark::State& state, ScreenSize size, std::int32_t style) {
  auto surface = CreateWin(size.width, size.height);
  std::uint8_t value = 0;
  RunPaired(
      state, *surface, [&] { FillByLines(*surface, style); }, [&] { Memset(*surface, ++value); },
      "memset_ms", "x_memset");
}

// Save alone, against the bare write of the same bytes (no memset).
void BM_SaveToBmp(benchmark::State& state, ScreenSize size) {
  auto surface = CreateWin(size.width, size.height);
  Fill(*surface, 0);
  const fs::path subject_file = SubjectFile();
  const fs::path floor_file = FloorFile();
  surface->SaveToBmp(subject_file);
  if (!HoldsWholeImage(subject_file, *surface) || !WriteBlock(*surface, floor_file)) {
    state.SkipWithError("the test file was not written");
    return;
  }
  RunPaired(
      state, *surface, [&] { surface->SaveToBmp(subject_file); },
      [&] { WriteBlock(*surface, floor_file); }, "write_ms", "x_write");
}

void BM_FillSave(benchmark::State& state, ScreenSize size, std::int32_t style) {
  auto surface = CreateWin(size.width, size.height);
  const fs::path subject_file = SubjectFile();
  const fs::path floor_file = FloorFile();
  Fill(*surface, style);
  surface->SaveToBmp(subject_file);
  if (!HoldsWholeImage(subject_file, *surface) || !WriteBlock(*surface, floor_file)) {
    state.SkipWithError("the test file was not written");
    return;
  }
  std::uint8_t value = 0;
  RunPaired(
      state, *surface,
      [&] {
        Fill(*surface, style);
        surface->SaveToBmp(subject_file);
      },
      [&] {
        Memset(*surface, ++value);
        WriteBlock(*surface, floor_file);
      },
      "floor_ms", "x_floor");
}

void BM_Memset(benchmark::State& state, ScreenSize size) {
  auto surface = CreateWin(size.width, size.height);
  std::uint8_t value = 0;
  RunAlone(state, *surface, [&] { Memset(*surface, ++value); });
}

void BM_MemsetWrite(benchmark::State& state, ScreenSize size) {
  auto surface = CreateWin(size.width, size.height);
  const fs::path floor_file = FloorFile();
  if (!WriteBlock(*surface, floor_file)) {
    state.SkipWithError("the test file was not written");
    return;
  }
  std::uint8_t value = 0;
  RunAlone(state, *surface, [&] {
    Memset(*surface, ++value);
    WriteBlock(*surface, floor_file);
  });
}

// ---- registration and the closing table ----------------------------------

std::string FillName(ScreenSize size, std::int32_t style) {
  return "FillGradient/" + SizeText(size) + "/style:" + std::to_string(style);
}
std::string FillByLinesName(ScreenSize size, std::int32_t style) {
  return "FillGradientByLines/" + SizeText(size) + "/style:" + std::to_string(style);
}
std::string FillSaveName(ScreenSize size, std::int32_t style) {
  return "FillSave/" + SizeText(size) + "/style:" + std::to_string(style);
}
std::string SaveName(ScreenSize size) { return "SaveToBmp/" + SizeText(size); }
std::string MemsetName(ScreenSize size) { return "Memset/" + SizeText(size); }
std::string MemsetWriteName(ScreenSize size) { return "MemsetWrite/" + SizeText(size); }

void RegisterAll() {
  for (const ScreenSize size : kSizes) {
    for (std::int32_t style = 0; style < kStyleCount; ++style) {
      benchmark::RegisterBenchmark(FillName(size, style).c_str(), BM_FillGradient, size, style)
          ->UseManualTime();
      benchmark::RegisterBenchmark(FillByLinesName(size, style).c_str(), BM_FillGradientByLines,
                                   size, style)
          ->UseManualTime();
    }
    benchmark::RegisterBenchmark(MemsetName(size).c_str(), BM_Memset, size)->UseManualTime();
  }
  // Everything that writes files comes last and runs for less time: at 4K
  // each iteration pushes about 50 MB through the page cache to the disk.
  for (const ScreenSize size : kSizes) {
    for (std::int32_t style = 0; style < kStyleCount; ++style) {
      benchmark::RegisterBenchmark(FillSaveName(size, style).c_str(), BM_FillSave, size, style)
          ->UseManualTime()
          ->MinTime(0.2);
    }
    benchmark::RegisterBenchmark(SaveName(size).c_str(), BM_SaveToBmp, size)
        ->UseManualTime()
        ->MinTime(0.2);
    benchmark::RegisterBenchmark(MemsetWriteName(size).c_str(), BM_MemsetWrite, size)
        ->UseManualTime()
        ->MinTime(0.2);
  }
}

struct Figures {
  std::map<std::string, double> counters;
  double Counter(const char* key) const {
    const auto found = counters.find(key);
    return found == counters.end() ? 0 : found->second;
  }
};

// Passes everything on to the usual display reporter and keeps, for each
// benchmark, its median over repetitions, or its one run when there is one.
class RecordingReporter : public benchmark::BenchmarkReporter {
 public:
  explicit RecordingReporter(benchmark::BenchmarkReporter* display) : display_(display) {}

  bool ReportContext(const Context& context) override { return display_->ReportContext(context); }

  void ReportRuns(const std::vector<Run>& runs) override {
    display_->ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool is_median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Aggregate && !is_median) continue;
      // Without a median (one repetition) the single run stands; with one it wins.
      const std::string& name = run.run_name.function_name;
      if (!is_median && results_.count(name) != 0) continue;
      Figures figures;
      for (const auto& [key, counter] : run.counters) figures.counters[key] = counter.value;
      results_[name] = std::move(figures);
    }
  }

  void Finalize() override { display_->Finalize(); }

  const Figures* Find(const std::string& name) const {
    const auto found = results_.find(name);
    return found == results_.end() ? nullptr : &found->second;
  }

 private:
  benchmark::BenchmarkReporter* display_;
  std::map<std::string, Figures> results_;
};

const char* Verdict(double ratio, double target) { return ratio <= target ? "ok" : "MISS"; }

void PrintSummary(std::FILE* out, const RecordingReporter& results) {
  int met = 0;
  int measured = 0;

  std::fprintf(out, "\nFill: FillGradient against a memset of the same block (target <= %.1fx)\n",
               kFillTarget);
  std::fprintf(out, "%-10s %5s %9s %10s %7s %-4s %12s %9s\n", "size", "style", "fill ms",
               "memset ms", "ratio", "", "by-lines ms", "speed-up");
  for (const ScreenSize size : kSizes) {
    for (std::int32_t style = 0; style < kStyleCount; ++style) {
      const Figures* fill = results.Find(FillName(size, style));
      const Figures* lines = results.Find(FillByLinesName(size, style));
      if (fill == nullptr && lines == nullptr) continue;
      std::fprintf(out, "%-10s %5d ", SizeText(size).c_str(), style);
      if (fill != nullptr) {
        const double ratio = fill->Counter("x_memset");
        std::fprintf(out, "%9.3f %10.3f %7.2f %-4s ", fill->Counter("ms"),
                     fill->Counter("memset_ms"), ratio, Verdict(ratio, kFillTarget));
        ++measured;
        met += ratio <= kFillTarget;
      } else {
        std::fprintf(out, "%9s %10s %7s %-4s ", "-", "-", "-", "");
      }
      if (lines != nullptr) {
        std::fprintf(out, "%12.3f ", lines->Counter("ms"));
        if (fill != nullptr && fill->Counter("ms") > 0) {
          std::fprintf(out, "%8.1fx", lines->Counter("ms") / fill->Counter("ms"));
        }
      }
      std::fprintf(out, "\n");
    }
  }

  std::fprintf(out,
               "\nFill + save against a memset plus one replace-write of the same bytes"
               " (target <= %.1fx)\n",
               kFillSaveTarget);
  std::fprintf(out, "%-10s %5s %13s %9s %7s\n", "size", "style", "fill+save ms", "floor ms",
               "ratio");
  for (const ScreenSize size : kSizes) {
    for (std::int32_t style = 0; style < kStyleCount; ++style) {
      const Figures* both = results.Find(FillSaveName(size, style));
      if (both == nullptr) continue;
      const double ratio = both->Counter("x_floor");
      std::fprintf(out, "%-10s %5d %13.3f %9.3f %7.2f %s\n", SizeText(size).c_str(), style,
                   both->Counter("ms"), both->Counter("floor_ms"), ratio,
                   Verdict(ratio, kFillSaveTarget));
      ++measured;
      met += ratio <= kFillSaveTarget;
    }
  }

  std::fprintf(out, "\nSave alone against the bare replace-write; the floors run alone\n");
  std::fprintf(out, "%-10s %9s %9s %7s %10s %16s\n", "size", "save ms", "write ms", "ratio",
               "memset ms", "memset+write ms");
  for (const ScreenSize size : kSizes) {
    const Figures* save = results.Find(SaveName(size));
    const Figures* memset = results.Find(MemsetName(size));
    const Figures* memset_write = results.Find(MemsetWriteName(size));
    if (save == nullptr && memset == nullptr && memset_write == nullptr) continue;
    std::fprintf(out, "%-10s ", SizeText(size).c_str());
    if (save != nullptr) {
      std::fprintf(out, "%9.3f %9.3f %7.2f ", save->Counter("ms"), save->Counter("write_ms"),
                   save->Counter("x_write"));
    } else {
      std::fprintf(out, "%9s %9s %7s ", "-", "-", "-");
    }
    if (memset != nullptr) {
      std::fprintf(out, "%10.3f ", memset->Counter("ms"));
    } else {
      std::fprintf(out, "%10s ", "-");
    }
    if (memset_write != nullptr) {
      std::fprintf(out, "%16.3f", memset_write->Counter("ms"));
    } else {
      std::fprintf(out, "%16s", "-");
    }
    std::fprintf(out, "\n");
  }

  if (measured > 0) std::fprintf(out, "\nTargets met: %d of %d\n", met, measured);
}

}  // namespace

int main(int argc, char** argv) {
  // Initialize consumes the flags, so look for a non-console format first.
  bool console = true;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--benchmark_format=") && arg != "--benchmark_format=console") {
      console = false;
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  ScratchFolder folder;
  g_folder = &folder.path();
  RegisterAll();

  RecordingReporter reporter(benchmark::CreateDefaultDisplayReporter());
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(console ? stdout : stderr, reporter);
  benchmark::Shutdown();
  return 0;
}
