// End to end: runs the built huevane-render, which lies beside this test
// binary, and checks its exit status, its messages and the bytes it writes.
// The expected files are built here field by field, independently of the
// renderer's own encoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int exit_code = -1;
  std::string out;  // stdout, with CR LF turned into LF
  std::string err;  // stderr, likewise
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
    outcome.exit_code = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);
  outcome.out = ReadText(io / L"stdout.txt");
  outcome.err = ReadText(io / L"stderr.txt");
  return outcome;
}
#else
Outcome RunProgram(const fs::path& exe, const std::vector<std::string>& args, const fs::path& io) {
  const std::string out_path = io / "stdout.txt";
  const std::string err_path = io / "stderr.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
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
    outcome.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  outcome.out = ReadText(out_path);
  outcome.err = ReadText(err_path);
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
    root_ = fs::temp_directory_path() /
            ("huevane-cli-" + std::string(test->name()) + "-" +
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
                              const std::string& end, const std::string& style,
                              const fs::path& out, std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"--size",  size,  "--start", start,    "--end",
                                   end,       "--style", style, "--out", Utf8(out)};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// ------------------------------------------------------- tests

TEST_F(RenderCli, HelpPrintsTheUsageOnStdoutAndExitsZero) {
  const Outcome outcome = Render({"--help"});
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(outcome.err, "");
  EXPECT_NE(outcome.out.find("Usage: huevane-render --size WxH"), std::string::npos)
      << outcome.out;
  EXPECT_NE(outcome.out.find("--rect L,T,R,B"), std::string::npos) << outcome.out;
  EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(RenderCli, TwoByTwoRedToBlueIsExactlyTheseBytes) {
  // Whole surface, style 0: columns 0, 1, 2 with red 255 - 127.5 i and blue
  // 127.5 i; column 1 gets (128, 0, 128) and then column 2, clamped onto it,
  // (0, 0, 255). Rows of 8 bytes: B G R B G R and 2 bytes of padding.
  const std::vector<std::uint8_t> expected = {
      'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // "BM", size, reserved, offset
      40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,             // info size, width, height
      1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0,            // planes, bits, BI_RGB, image size
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // resolution, colours
      0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0, 0,        // bottom row: red, blue, padding
      0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0, 0,        // top row
  };
  const fs::path out = Work() / "red-blue.bmp";
  const Outcome outcome = Render(Args("2x2", "255,0,0", "0,0,255", "0", out));
  ASSERT_EQ(outcome.exit_code, 0) << outcome.err;
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
  for (const PictureCase& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path out = Work() / "picture.bmp";
    const std::vector<std::string> args =
        Args(std::to_string(c.width) + "x" + std::to_string(c.height), c.start, c.end, c.style,
             out, c.extra);
    const Outcome outcome = Render(args);
    ASSERT_EQ(outcome.exit_code, 0) << Joined(args) << "\n" << outcome.err;
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
    EXPECT_EQ(outcome.exit_code, 1);
    EXPECT_EQ(outcome.err, c.message + "\n");
    EXPECT_EQ(outcome.out, "");
    EXPECT_TRUE(WorkFiles().empty());
  }
}

TEST_F(RenderCli, FillErrorLeavesAnExistingFileAlone) {
  const fs::path out = Work() / "kept.bmp";
  std::ofstream(out, std::ios::binary) << "previous contents";
  const Outcome outcome =
      Render(Args("4x4", "1,0,0", "2,0,0", "0", out, {"--rect", "0,0,0,5"}));
  EXPECT_EQ(outcome.exit_code, 1);
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
      {Args("2147483647x2147483647", "1,2,3", "4,5,6", "3", out), {"--size"}},
      // An astronomically long walk is refused before anything is made.
      {Args("2x2", "1,2,3", "4,5,6", "0", out, {"--rect", "0,0,2147483647,0"}),
       {"--rect", "'0,0,2147483647,0'", "limit"}},
      {Args("2x2", "1,2,3", "4,5,6", "5", out, {"--rect", "0,-2147483648,1,2147483647"}),
       {"--rect", "limit"}},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(Joined(c.args));
    const Outcome outcome = Render(c.args);
    EXPECT_EQ(outcome.exit_code, 2);
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

TEST_F(RenderCli, UnwritableOutputSaysCannotWriteAndExitsOne) {
  const fs::path folder = Work() / "a folder";
  fs::create_directory(folder);
  const std::vector<fs::path> unwritable = {
      Work() / "missing folder" / "out.bmp",  // no such folder
      folder,                                 // a folder, not a file
  };
  for (const fs::path& out : unwritable) {
    SCOPED_TRACE(Utf8(out));
    const Outcome outcome = Render(Args("3x2", "1,2,3", "4,5,6", "0", out));
    EXPECT_EQ(outcome.exit_code, 1);
    EXPECT_EQ(outcome.err, "cannot write " + Utf8(out) + "\n");
    EXPECT_EQ(WorkFiles(), std::set<fs::path>{folder});
    EXPECT_TRUE(fs::is_directory(folder));
  }
}

TEST_F(RenderCli, WritesToANonAsciiPath) {
  const fs::path folder = Work() / Utf8Path("Grüße, 世界");
  fs::create_directory(folder);
  const fs::path out = folder / Utf8Path("ünïcødé 🌈 picture.bmp");
  const Outcome outcome = Render(Args("2x2", "255,0,0", "0,0,255", "0", out));
  ASSERT_EQ(outcome.exit_code, 0) << outcome.err;
  const auto blue_right = [](int x, int) { return x == 0 ? Rgb{255, 0, 0} : Rgb{0, 0, 255}; };
  EXPECT_EQ(Hex(ReadBytes(out)), Hex(ExpectedBmp(2, 2, blue_right)));
  EXPECT_EQ(WorkFiles(), (std::set<fs::path>{folder, out}));
}

TEST_F(RenderCli, ReplacesAnExistingFileWhole) {
  const fs::path out = Work() / "again.bmp";
  std::ofstream(out, std::ios::binary) << std::string(500, 'x');
  const Outcome outcome = Render(Args("1x1", "1,2,3", "1,2,3", "3", out));
  ASSERT_EQ(outcome.exit_code, 0) << outcome.err;
  EXPECT_EQ(Hex(ReadBytes(out)), Hex(ExpectedBmp(1, 1, [](int, int) { return Rgb{1, 2, 3}; })));
}

}  // namespace
