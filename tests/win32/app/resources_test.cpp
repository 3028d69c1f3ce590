// The cues embedded in huevane.exe are the committed files, byte for byte;
// the icons, the pictures and the agreement are there too.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "app/sound.h"

namespace {

std::wstring ProgramPath() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"huevane.exe";
}

class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr) << "cannot open huevane.exe beside the tests";
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  std::span<const std::uint8_t> Resource(const char* name, const char* type) {
    HRSRC found =
        FindResourceExA(module_, type, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (found == nullptr) return {};
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(module_, found)));
    return {data, SizeofResource(module_, found)};
  }

  HMODULE module_ = nullptr;
};

// A file of the source tree's resources/ folder, as committed.
std::vector<std::uint8_t> Committed(const std::string& relative) {
  std::ifstream in(std::string(HUEVANE_SOURCE_DIR) + "/resources/" + relative, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Each cue's format, and the names of the program's table and the resource
// script, are held to the cue table by tools/make_cues.py --check; here the
// program's number for each cue finds the committed file, embedded whole.
TEST_F(ProgramResources, EveryCueIsEmbeddedAsTheCommittedFile) {
  for (std::int32_t cue = 0; cue < app::kCueCount; ++cue) {
    const char* name = app::CueName(cue);
    ASSERT_NE(name, nullptr) << cue;
    SCOPED_TRACE(name);
    const std::span<const std::uint8_t> bytes = Resource(name, "WAVE");
    ASSERT_FALSE(bytes.empty()) << "not a US English WAVE resource";
    const std::vector<std::uint8_t> committed = Committed("cues/" + std::string(name) + ".wav");
    EXPECT_FALSE(committed.empty());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), committed.begin(), committed.end()));
  }
}

// An icon group's images as (size, bits per pixel), in stored order.
std::vector<std::pair<int, int>> IconImages(std::span<const std::uint8_t> group) {
  std::vector<std::pair<int, int>> images;
  if (group.size() < 6) return images;
  const int count = group[4] | group[5] << 8;
  for (int i = 0; i < count && 6 + 14 * (i + 1) <= static_cast<int>(group.size()); ++i) {
    const std::uint8_t* entry = group.data() + 6 + 14 * i;
    const int size = entry[0] == 0 ? 256 : entry[0];
    images.emplace_back(size, entry[6] | entry[7] << 8);
  }
  return images;
}

TEST_F(ProgramResources, TheIconsHaveTheirImages) {
  using Images = std::vector<std::pair<int, int>>;
  Images icon = IconImages(Resource("MAINICON", MAKEINTRESOURCEA(14)));  // RT_GROUP_ICON
  std::sort(icon.begin(), icon.end());
  EXPECT_EQ(icon,
            (Images{{16, 8}, {16, 24}, {32, 8}, {32, 24}, {48, 8}, {48, 24}, {64, 8}, {64, 24}}));
}

TEST_F(ProgramResources, ThePicturesAndTheAgreementAreTheCommittedFiles) {
  // A BITMAP resource is the file without its 14-byte file header.
  for (const auto& [name, file] : {std::pair{"BANNER", "pictures/banner.bmp"},
                                   std::pair{"HELPPICTURE", "pictures/help.bmp"}}) {
    const std::span<const std::uint8_t> bytes = Resource(name, MAKEINTRESOURCEA(2));
    const std::vector<std::uint8_t> committed = Committed(file);
    ASSERT_GT(committed.size(), 14u) << file;
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), committed.begin() + 14, committed.end()))
        << name;
  }
  const std::span<const std::uint8_t> agreement = Resource("AGREEMENT", MAKEINTRESOURCEA(10));
  const std::vector<std::uint8_t> committed = Committed("agreement.txt");
  EXPECT_FALSE(committed.empty());
  EXPECT_TRUE(std::equal(agreement.begin(), agreement.end(), committed.begin(), committed.end()));
  for (std::uint8_t c : committed) ASSERT_LT(c, 0x80) << "the agreement is plain Western text";
}

}  // namespace
