// End to end: runs the built huevane-render, which lies beside this test
// binary, and checks its exit status, its messages and the bytes it writes.
// The expected files are built here field by field, independently of the
// renderer's own encoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "app/version.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <linux/fs.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int exitCode = -1;
  std::string out;                     // stdout, with CR LF turned into LF
  std::string err;                     // stderr, likewise
  std::vector<std::uint8_t> outBytes;  // stdout as written
};

fs::path RenderExecutable() {
#ifdef _WIN32
  std::wstring self(32768, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  return fs::path(self).parent_path() / L"huevane-render.exe";
#else
  return fs::read_symlink("/proc/self/exe").parent_path() / "huevane-render";
#endif
}

std::string ReadText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::string lf;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lf += text[i];
  }
  return lf;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

fs::path Utf8Path(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

#ifdef _WIN32
// Quoted the way the C runtime splits a command line back into arguments.
std::wstring QuotedArgument(const std::wstring& arg) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

Outcome RunProgram(const fs::path& exe, const std::vector<std::string>& args, const fs::path& io) {
  std::wstring command = QuotedArgument(exe.wstring());
  for (const std::string& arg : args) command += L" " + QuotedArgument(Utf8Path(arg).wstring());

  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  auto open = [&](const fs::path& path, DWORD access, DWORD disposition) {
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE in = open(L"NUL", GENERIC_READ, OPEN_EXISTING);
  HANDLE out = open(io / L"stdout.txt", GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = open(io / L"stderr.txt", GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  Outcome outcome;
  if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                     &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    outcome.exitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);
  outcome.out = ReadText(io / L"stdout.txt");
  outcome.err = ReadText(io / L"stderr.txt");
  outcome.outBytes = ReadBytes(io / L"stdout.txt");
  return outcome;
}
#else
Outcome RunProgram(const fs::path& exe, const std::vector<std::string>& args, const fs::path& io) {
  const std::string outPath = io / "stdout.txt";
  const std::string errPath = io / "stderr.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  std::vector<std::string> words{exe.string()};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  Outcome outcome;
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // A crash shows as 128 + signal, which no expected status equals.
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  outcome.out = ReadText(outPath);
  outcome.err = ReadText(errPath);
  outcome.outBytes = ReadBytes(outPath);
  return outcome;
}
#endif

// ------------------------------------------------------- expected pictures

struct Rgb {
  std::uint8_t r, g, b;
};

void PutLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A 24-bit bottom-up BMP of `pixel(x, y)`, y = 0 being the top row.
std::vector<std::uint8_t> ExpectedBmp(int width, int height,
                                      const std::function<Rgb(int x, int y)>& pixel) {
  const std::uint32_t stride = (3 * width + 3) / 4 * 4;
  const std::uint32_t image = stride * height;
  std::vector<std::uint8_t> bytes = {'B', 'M'};
  PutLittleEndian(bytes, 54 + image, 4);
  PutLittleEndian(bytes, 0, 4);  // two reserved words
  PutLittleEndian(bytes, 54, 4);
  PutLittleEndian(bytes, 40, 4);
  PutLittleEndian(bytes, width, 4);
  PutLittleEndian(bytes, height, 4);
  PutLittleEndian(bytes, 1, 2);
  PutLittleEndian(bytes, 24, 2);
  PutLittleEndian(bytes, 0, 4);  // BI_RGB
  PutLittleEndian(bytes, image, 4);
  for (int i = 0; i < 4; ++i) PutLittleEndian(bytes, 0, 4);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, y);
      bytes.insert(bytes.end(), {c.b, c.g, c.r});
    }
    bytes.resize(bytes.size() + (stride - 3 * width), 0);
  }
  return bytes;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i % 16 == 0) text += '\n';
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
    text += ' ';
  }
  return text;
}

std::string Joined(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& arg : args) text += " " + arg;
  return text;
}

// ------------------------------------------------------- fixture

class RenderCli : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = fs::temp_directory_path() / ("huevane-cli-" + std::string(test->name()) + "-" +
#ifdef _WIN32
                                         std::to_string(GetCurrentProcessId())
#else
                                         std::to_string(getpid())
#endif
                                         + "-" + std::to_string(counter++));
    fs::remove_all(root_);
    fs::create_directories(root_ / "io");
    fs::create_directories(root_ / "work");
    exe_ = RenderExecutable();
    ASSERT_TRUE(fs::is_regular_file(exe_))
        << Utf8(exe_) << " is missing: build the huevane-render target too";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  Outcome Render(const std::vector<std::string>& args) {
    return RunProgram(exe_, args, root_ / "io");
  }

  fs::path Work() const { return root_ / "work"; }

  std::set<fs::path> WorkFiles() const {
    std::set<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(Work())) {
      files.insert(entry.path());
    }
    return files;
  }

  fs::path root_;
  fs::path exe_;
};

std::vector<std::string> Args(const std::string& size, const std::string& start,
                              const std::string& end, const std::string& style, const fs::path& out,
                              std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"--size", size,      "--start", start,   "--end",
                                   end,      "--style", style,     "--out", Utf8(out)};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// ------------------------------------------------------- tests

TEST_F(RenderCli, HelpPrintsTheUsageOnStdoutAndExitsZero) {
  const Outcome outcome = Render({"--help"});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.err, "");
  EXPECT_NE(outcome.out.find("Usage: huevane-render --size WxH"), std::string::npos) << outcome.out;
  EXPECT_NE(outcome.out.find("--rect L,T,R,B"), std::string::npos) << outcome.out;
  EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(RenderCli, VersionPrintsTheNameAndVersionOnStdoutAndExitsZero) {
  const Outcome outcome = Render({"--version"});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.out, "huevane-render " HUEVANE_VERSION_TEXT "\n");
  EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(RenderCli, NoArgumentsShowTheUsageAndWhereToReadMoreAndExitTwo) {
  const Outcome outcome = Render({});
  EXPECT_EQ(outcome.exitCode, 2);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err,
            "huevane-render: no options given\n"
            "Usage: huevane-render --size WxH --start R,G,B --end R,G,B --style N\n"
            "                      [--weight N] [--rect L,T,R,B] --out FILE\n"
#ifndef _WIN32
            "       huevane-render --set[=TARGET] [--size WxH] --start R,G,B --end R,G,B\n"
            "                      --style N [--weight N] [--rect L,T,R,B] [--out FILE]\n"
#endif
            "       huevane-render --help | --version\n"
            "Try 'huevane-render --help' for more information.\n");
}

TEST_F(RenderCli, TwoByTwoRedToBlueIsExactlyTheseBytes) {
  // Whole surface, style 0: columns 0, 1, 2 with red 255 - 127.5 i and blue
  // 127.5 i; column 1 gets (128, 0, 128) and then column 2, clamped onto it,
  // (0, 0, 255). Rows of 8 bytes: B G R B G R and 2 bytes of padding.
  // clang-format off
  const std::vector<std::uint8_t> expected = {
      'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // "BM", size, reserved, offset
      40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,             // info size, width, height
      1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0,            // planes, bits, BI_RGB, image size
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // resolution, colours
      0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0, 0,        // bottom row: red, blue, padding
      0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0, 0,        // top row
  };
  // clang-format on
  const fs::path out = Work() / "red-blue.bmp";
  const Outcome outcome = Render(Args("2x2", "255,0,0", "0,0,255", "0", out));
  ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(Hex(ReadBytes(out)), Hex(expected));
  EXPECT_EQ(WorkFiles(), std::set<fs::path>{out}) << "a temporary file was left behind";
}

struct PictureCase {
  const char* what;
  int width, height;
  std::string start, end, style;
  std::vector<std::string> extra;
  std::function<Rgb(int x, int y)> pixel;
};

TEST_F(RenderCli, WritesTheGradientItIsAskedFor) {
  const Rgb black{0, 0, 0};
  // clang-format off
  const std::vector<PictureCase> cases = {
      {"rectangle and weight: columns 1..3 of rows 0..1, halved over black", 4, 3,
       "10,20,30", "50,60,70", "0", {"--rect", "1,0,3,1", "--weight", "64"},
       [black](int x, int y) {
         const Rgb columns[] = {black, {5, 10, 15}, {15, 20, 25}, {25, 30, 35}};
         return y <= 1 ? columns[x] : black;
       }},
      {"style 1 runs from the end colour", 2, 1, "255,0,0", "0,0,255", "1", {},
       [](int x, int) { return x == 0 ? Rgb{0, 0, 255} : Rgb{255, 0, 0}; }},
      {"style 2 mirrored on an odd width", 7, 2, "80,0,0", "0,0,0", "2", {},
       [](int x, int) {
         const std::uint8_t red[] = {0, 23, 46, 69, 46, 23, 0};
         return Rgb{red[x], 0, 0};
       }},
      {"style 3 rows, each channel on its own", 1, 2, "0,200,0", "0,0,100", "3", {},
       [](int, int y) { return y == 0 ? Rgb{0, 200, 0} : Rgb{0, 0, 100}; }},
      {"style 4 rows from the end colour", 2, 8, "80,0,0", "0,0,0", "4", {},
       [](int, int y) {
         const std::uint8_t red[] = {0, 10, 20, 30, 40, 50, 60, 80};
         return Rgb{red[y], 0, 0};
       }},
      {"channels keep their low 8 bits", 1, 1, "300,263,-1", "300,263,-1", "0", {},
       [](int, int) { return Rgb{44, 7, 255}; }},
      {"style 6 draws nothing", 3, 2, "255,255,255", "255,255,255", "6",
       {"--rect", "0,-2147483648,2147483647,2147483647"}, [black](int, int) { return black; }},
      {"a negative style draws nothing", 3, 2, "255,255,255", "255,255,255", "-1", {},
       [black](int, int) { return black; }},
      {"an empty range draws nothing", 3, 2, "255,255,255", "0,0,0", "0",
       {"--rect", "2,0,1,1"}, [black](int, int) { return black; }},
  };
  // clang-format on
  for (const PictureCase& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path out = Work() / "picture.bmp";
    const std::vector<std::string> args =
        Args(std::to_string(c.width) + "x" + std::to_string(c.height), c.start, c.end, c.style, out,
             c.extra);
    const Outcome outcome = Render(args);
    ASSERT_EQ(outcome.exitCode, 0) << Joined(args) << "\n" << outcome.err;
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(Hex(ReadBytes(out)), Hex(ExpectedBmp(c.width, c.height, c.pixel)));
    fs::remove(out);
  }
}

TEST_F(RenderCli, FillErrorPrintsExactlyItsMessageExitsOneAndWritesNothing) {
  struct FillErrorCase {
    std::string start, end, style, rect, message;
  };
  const std::vector<FillErrorCase> cases = {
      {"1,0,0", "2,0,0", "0", "0,0,0,5", "Floating point division by zero"},
      {"7,0,0", "7,1,1", "0", "0,0,0,5", "Invalid floating point operation"},
      {"0,0,0", "0,0,0", "2", "0,0,0,5", "Invalid floating point operation"},
      {"9,0,0", "0,0,0", "4", "0,3,5,3", "Floating point division by zero"},
  };
  for (const FillErrorCase& c : cases) {
    SCOPED_TRACE(c.message + " style " + c.style);
    const std::vector<std::string> args =
        Args("4x4", c.start, c.end, c.style, Work() / "never.bmp", {"--rect", c.rect});
    const Outcome outcome = Render(args);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "huevane-render: " + c.message + "\n");
    EXPECT_EQ(outcome.out, "");
    EXPECT_TRUE(WorkFiles().empty());
  }
}

TEST_F(RenderCli, FillErrorLeavesAnExistingFileAlone) {
  const fs::path out = Work() / "kept.bmp";
  std::ofstream(out, std::ios::binary) << "previous contents";
  const Outcome outcome = Render(Args("4x4", "1,0,0", "2,0,0", "0", out, {"--rect", "0,0,0,5"}));
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_EQ(ReadText(out), "previous contents");
  EXPECT_EQ(WorkFiles(), std::set<fs::path>{out});
}

TEST_F(RenderCli, BadArgumentsExitTwoWithOneLineNamingTheProblem) {
  struct BadCase {
    std::vector<std::string> args;
    std::vector<std::string> mentions;
  };
  const fs::path out = Work() / "never.bmp";
  const std::vector<BadCase> cases = {
      {{"--size", "2x2", "--start", "1,2,3", "--end", "4,5,6", "--style", "0"},
       {"missing", "--out"}},
      {Args("0x5", "1,2,3", "4,5,6", "0", out), {"--size", "'0x5'"}},
      {Args("2x2", "1,2", "4,5,6", "0", out), {"--start", "'1,2'"}},
      {Args("2x2", "1,2,3", "4,5,6", "1.5", out), {"--style", "'1.5'"}},
      {Args("2x2", "1,2,3", "4,5,6", "0", out, {"--weight", "2147483648"}),
       {"--weight", "'2147483648'"}},
      {Args("2x2", "1,2,3", "4,5,6", "0", out, {"--colour", "1"}), {"'--colour'"}},
      {Args("2x2", "1,2,3", "4,5,6", "0", out, {"--style", "0"}), {"--style", "twice"}},
      // Too large for a BMP file: the surface refuses it.
      {Args("100000x100000", "1,2,3", "4,5,6", "0", out), {"--size", "100000x100000"}},
      {Args("2147483647x2147483647", "1,2,3", "4,5,6", "3", out),
       {"--size", "'2147483647x2147483647'", "BMP"}},
      // An option where a value belongs: the value is what is missing.
      {{"--out", "--size", "4x4", "--start", "1,2,3", "--end", "4,5,6", "--style", "0"},
       {"--out", "needs a value"}},
      // An astronomically long walk is refused before anything is made.
      {Args("2x2", "1,2,3", "4,5,6", "0", out, {"--rect", "0,0,2147483647,0"}),
       {"--rect", "'0,0,2147483647,0'", "limit"}},
      {Args("2x2", "1,2,3", "4,5,6", "5", out, {"--rect", "0,-2147483648,1,2147483647"}),
       {"--rect", "limit"}},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(Joined(c.args));
    const Outcome outcome = Render(c.args);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err.rfind("huevane-render: ", 0), 0u) << outcome.err;
    ASSERT_FALSE(outcome.err.empty());
    EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << "not one line: " << outcome.err;
    for (const std::string& mention : c.mentions) {
      EXPECT_NE(outcome.err.find(mention), std::string::npos)
          << "message: " << outcome.err << "lacks: " << mention;
    }
    EXPECT_TRUE(WorkFiles().empty());
  }
}

TEST_F(RenderCli, WritesToANonAsciiPath) {
  const fs::path folder = Work() / Utf8Path("Grüße, 世界");
  fs::create_directory(folder);
  const fs::path out = folder / Utf8Path("ünïcødé 🌈 picture.bmp");
  const Outcome outcome = Render(Args("2x2", "255,0,0", "0,0,255", "0", out));
  ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
  const auto blueRight = [](int x, int) { return x == 0 ? Rgb{255, 0, 0} : Rgb{0, 0, 255}; };
  EXPECT_EQ(Hex(ReadBytes(out)), Hex(ExpectedBmp(2, 2, blueRight)));
  EXPECT_EQ(WorkFiles(), (std::set<fs::path>{folder, out}));
}

#ifndef _WIN32
// Makes a folder refuse new files for as long as it lives: its write bits
// off, and where they do not stop us (root), its immutable flag as well.
class NoNewFiles {
 public:
  explicit NoNewFiles(const fs::path& folder) : folder_(folder) {
    ::chmod(folder_.c_str(), 0555);
    if (Refuses()) return;
    const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int flags = 0;
    if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags |= FS_IMMUTABLE_FL;
      immutable_ = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (fd >= 0) ::close(fd);
  }
  ~NoNewFiles() {
    if (immutable_) {
      const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      int flags = 0;
      if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
      }
      ::close(fd);
    }
    ::chmod(folder_.c_str(), 0755);
  }
  NoNewFiles(const NoNewFiles&) = delete;
  NoNewFiles& operator=(const NoNewFiles&) = delete;

  // Whether a new file really cannot be made in the folder now.
  bool Refuses() const {
    const fs::path probe = folder_ / "probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return true;
    ::close(fd);
    ::unlink(probe.c_str());
    return false;
  }

 private:
  fs::path folder_;
  bool immutable_ = false;
};

mode_t PermissionBits(const fs::path& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}
#endif

struct TargetCase {
  const char* what;
  std::function<std::string()> make;  // makes the target, returns the --out value
  int exitCode;
  std::vector<std::string> mentions;  // in the one line on stderr; none: stderr empty
  std::function<void(const Outcome&)> check;
};

// Every kind of --out target, each in a fresh folder: only a regular file (or
// a new name) is ever replaced, and only by a whole file.
TEST_F(RenderCli, WritesEachKindOfTargetTheWayItShould) {
  // Bytes 0x0A, 0x0D and 0x1A in every pixel: any text-mode output shows.
  const std::vector<std::string> args = Args("2x2", "10,13,26", "10,13,26", "0", "OUT");
  const std::vector<std::uint8_t> picture = ExpectedBmp(2, 2, [](int, int) {
    return Rgb{10, 13, 26};
  });
  const fs::path work = Work();
  auto file = [&](const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
    return Utf8(path);
  };
  auto names = [&] {
    std::set<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(work)) {
      found.insert(Utf8(entry.path().lexically_relative(work)));
    }
    return found;
  };
  using Names = std::set<std::string>;
#ifndef _WIN32
  int fifoReader = -1;
  std::unique_ptr<NoNewFiles> readOnly;
  auto refuseNewFiles = [&](const fs::path& folder) {
    readOnly = std::make_unique<NoNewFiles>(folder);
    return readOnly->Refuses();
  };
#endif

  const std::vector<TargetCase> cases = {
      {"a new name",
       [&] { return Utf8(work / "new.bmp"); },
       0,
       {},
       [&](const Outcome&) {
         EXPECT_EQ(ReadBytes(work / "new.bmp"), picture);
         EXPECT_EQ(names(), Names{"new.bmp"}) << "a temporary file was left behind";
       }},
      {"a regular file is replaced whole",
       [&] { return file(work / "old.bmp", std::string(500, 'x')); },
       0,
       {},
       [&](const Outcome&) {
         EXPECT_EQ(ReadBytes(work / "old.bmp"), picture);
         EXPECT_EQ(names(), Names{"old.bmp"});
       }},
      {"- is standard output, bytes as they are",
       [] { return std::string("-"); },
       0,
       {},
       [&](const Outcome& outcome) {
         EXPECT_EQ(Hex(outcome.outBytes), Hex(picture));
         EXPECT_EQ(names(), Names{});
       }},
      {"a directory is refused",
       [&] {
         fs::create_directory(work / "folder.bmp");
         return Utf8(work / "folder.bmp");
       },
       1,
       {"cannot write '", "folder.bmp': ", "Is a directory"},
       [&](const Outcome&) {
         EXPECT_TRUE(fs::is_directory(work / "folder.bmp"));
         EXPECT_EQ(names(), Names{"folder.bmp"});
       }},
      {"a missing folder: the system's reason, control characters escaped",
       [&] { return Utf8(work / "no\nfolder" / "x.bmp"); },
       1,
#ifdef _WIN32
       {"cannot write '", "no\\x0Afolder\\x.bmp': "},
#else
       {"cannot write '", "no\\x0Afolder/x.bmp': No such file or directory"},
#endif
       [&](const Outcome&) { EXPECT_EQ(names(), Names{}); }},
#ifndef _WIN32
      {"a replaced file keeps its permission bits",
       [&] {
         const std::string out = file(work / "kept.bmp", "old");
         fs::permissions(work / "kept.bmp", static_cast<fs::perms>(0604));
         return out;
       },
       0,
       {},
       [&](const Outcome&) {
         EXPECT_EQ(ReadBytes(work / "kept.bmp"), picture);
         EXPECT_EQ(PermissionBits(work / "kept.bmp"), 0604u);
       }},
      {"a file with two names is rewritten, not split",
       [&] {
         const std::string out = file(work / "one.bmp", "old");
         fs::create_hard_link(work / "one.bmp", work / "two.bmp");
         return out;
       },
       0,
       {},
       [&](const Outcome&) {
         EXPECT_EQ(ReadBytes(work / "two.bmp"), picture);
         EXPECT_EQ(fs::hard_link_count(work / "one.bmp"), 2u);
         EXPECT_EQ(names(), (Names{"one.bmp", "two.bmp"}));
       }},
      {"a symlink is followed and stays",
       [&] {
         file(work / "target.bmp", "old");
         fs::create_directory(work / "links");
         fs::create_symlink("../target.bmp", work / "links" / "link.bmp");
         return Utf8(work / "links" / "link.bmp");
       },
       0,
       {},
       [&](const Outcome&) {
         EXPECT_EQ(ReadBytes(work / "target.bmp"), picture);
         EXPECT_EQ(fs::read_symlink(work / "links" / "link.bmp"), "../target.bmp");
         EXPECT_EQ(names(), (Names{"links", "links/link.bmp", "target.bmp"}));
       }},
      {"a dangling symlink makes the file it names",
       [&] {
         fs::create_symlink("made.bmp", work / "dangling.bmp");
         return Utf8(work / "dangling.bmp");
       },
       0,
       {},
       [&](const Outcome&) {
         EXPECT_EQ(ReadBytes(work / "made.bmp"), picture);
         EXPECT_TRUE(fs::is_symlink(work / "dangling.bmp"));
         EXPECT_EQ(names(), (Names{"dangling.bmp", "made.bmp"}));
       }},
      {"a FIFO is written to, never replaced",
       [&] {
         ::mkfifo((work / "fifo").c_str(), 0644);
         // Open for reading first, so the renderer's open does not wait; the
         // small picture fits in the pipe.
         fifoReader = ::open((work / "fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
         return Utf8(work / "fifo");
       },
       0,
       {},
       [&](const Outcome&) {
         std::vector<std::uint8_t> got(4096);
         const ssize_t length = ::read(fifoReader, got.data(), got.size());
         got.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
         ::close(fifoReader);
         EXPECT_EQ(Hex(got), Hex(picture));
         EXPECT_EQ(fs::status(work / "fifo").type(), fs::file_type::fifo);
         EXPECT_EQ(names(), Names{"fifo"});
       }},
      {"a folder that takes no new file: an existing file is rewritten in place",
       [&] {
         fs::create_directory(work / "locked");
         const std::string out = file(work / "locked" / "kept.bmp", "old");
         return refuseNewFiles(work / "locked") ? out : "";
       },
       0,
       {"folder '", "locked' takes no new files (", "locked/kept.bmp' was rewritten in place"},
       [&](const Outcome&) {
         EXPECT_EQ(ReadBytes(work / "locked" / "kept.bmp"), picture);
         EXPECT_EQ(names(), (Names{"locked", "locked/kept.bmp"}));
       }},
      {"a folder that takes no new file: a new name is refused",
       [&] {
         fs::create_directory(work / "locked");
         return refuseNewFiles(work / "locked") ? Utf8(work / "locked" / "new.bmp") : "";
       },
       1,
       {"cannot write '", "locked/new.bmp': folder '", "locked' is read-only: "},
       [&](const Outcome&) { EXPECT_EQ(names(), Names{"locked"}); }},
#endif
  };

  for (const TargetCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(work)) fs::remove_all(entry.path(), ignored);
    const std::string out = c.make();
    if (out.empty()) {
      std::printf("skipped \"%s\": no way to make a folder refuse new files here\n", c.what);
      continue;
    }
    std::vector<std::string> withOut = args;
    withOut.back() = out;
    const Outcome outcome = Render(withOut);
    EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.err;
    if (c.mentions.empty()) {
      EXPECT_EQ(outcome.err, "");
    } else {
      EXPECT_EQ(outcome.err.rfind("huevane-render: ", 0), 0u) << outcome.err;
      EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << "not one line: " << outcome.err;
    }
    for (const std::string& mention : c.mentions) {
      EXPECT_NE(outcome.err.find(mention), std::string::npos)
          << "message: " << outcome.err << "lacks: " << mention;
    }
    if (c.exitCode == 1) {
      // The system's reason, as it words it, trimmed: "...': Reason\n".
      const std::size_t reason = outcome.err.rfind("': ") + 3;
      EXPECT_TRUE(reason + 1 < outcome.err.size() && std::isalpha(outcome.err[reason]) &&
                  std::isalpha(outcome.err[outcome.err.size() - 2]))
          << "no reason, or one not trimmed: " << outcome.err;
    }
    if (out != "-") {
      EXPECT_TRUE(outcome.outBytes.empty());
    }
    c.check(outcome);
#ifndef _WIN32
    readOnly.reset();
#endif
  }
}

#ifndef _WIN32
TEST_F(RenderCli, APictureTooLargeForTheMemoryExitsOne) {
  // 1.8 GB of pixels in a 256 MB address space.
  std::vector<std::string> args = {"-c", "ulimit -v 262144 && exec \"$0\" \"$@\"", Utf8(exe_)};
  for (const std::string& arg : Args("30000x20000", "1,2,3", "4,5,6", "0", Work() / "x.bmp")) {
    args.push_back(arg);
  }
  const Outcome outcome = RunProgram("/bin/sh", args, root_ / "io");
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_EQ(outcome.err.rfind("huevane-render: cannot make the picture: ", 0), 0u) << outcome.err;
  EXPECT_TRUE(WorkFiles().empty());
}
#endif

}  // namespace
