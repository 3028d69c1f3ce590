// A save that fails part-way (here: a file-size limit standing in for a full
// disk) must leave the previous wallpaper file whole and no temporary behind.
#if !defined(_WIN32)

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <fstream>
#include <iterator>

#include "render/bmp.h"
#include "render/surface.h"
#include "support/bmp_bytes.h"
#include "support/temp_folder.h"

namespace {

// Limits the size of files this process may write, for one scope.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = signal(SIGXFSZ, SIG_IGN);  // fail the write, don't kill us
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t previousHandler_;
};

TEST(SaveToBmp, AWriteThatFailsPartWayKeepsThePreviousFile) {
  test::TempFolder folder;
  const auto path = folder.path() / "Huevane.Bmp";
  TWin first(4, 4), second(64, 64);
  first.FillGradient(255, 0, 0, 0, 0, 255, 0, 128, -1, 0, 0, 0);
  second.FillGradient(0, 255, 0, 0, 0, 0, 3, 128, -1, 0, 0, 0);
  first.SaveToBmp(path);
  {
    FileSizeLimit limit(4096);  // the second file needs 12,342 bytes
    second.SaveToBmp(path);
  }
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> kept{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(kept, EncodeBmp(first));
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Huevane.Bmp"}));
}

}  // namespace

#endif
