// The cues embedded in huevane.exe are the committed files, byte for byte,
// and each has the format of the cue table; the icon is there too.

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "support/cue_table.h"
#include "support/wave_info.h"

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
    HRSRC found = FindResourceExA(module_, type, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (found == nullptr) return {};
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(module_, found)));
    return {data, SizeofResource(module_, found)};
  }

  HMODULE module_ = nullptr;
};

TEST_F(ProgramResources, EveryCueIsEmbeddedAsTheCommittedFileWithItsFormat) {
  for (const cues::Cue& cue : cues::kCues) {
    const std::span<const std::uint8_t> bytes = Resource(cue.name, "WAVE");
    ASSERT_FALSE(bytes.empty()) << cue.name << " is not a US English WAVE resource";

    std::ifstream in(std::string(HUEVANE_SOURCE_DIR) + "/resources/cues/" + cue.name + ".wav",
                     std::ios::binary);
    const std::vector<std::uint8_t> committed{std::istreambuf_iterator<char>(in), {}};
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), committed.begin(), committed.end()))
        << cue.name;

    const wave::Parse parse = wave::ReadWave(bytes);
    ASSERT_TRUE(parse.info) << cue.name << ": " << parse.error;
    const wave::Info& info = *parse.info;
    EXPECT_EQ(info.format.tag, cue.tag) << cue.name;
    EXPECT_EQ(info.format.channels, cue.channels) << cue.name;
    EXPECT_EQ(info.format.rate, cue.rate) << cue.name;
    EXPECT_EQ(info.format.bits, cue.bits) << cue.name;
    EXPECT_EQ(info.data_size, cue.data_bytes) << cue.name;
    EXPECT_EQ(info.chunks, cue.chunks) << cue.name;
    const std::uint32_t samples = cue.tag == wave::kPcm ? info.data_size / info.format.block_align
                                                        : info.fact_samples.value_or(0);
    EXPECT_EQ(samples, cue.samples) << cue.name;
  }
}

TEST_F(ProgramResources, TheProgramIconIsThere) {
  EXPECT_NE(FindResourceW(module_, L"MAINICON", RT_GROUP_ICON), nullptr);
}

}  // namespace
