// The cues embedded in huevane.exe are the committed files, byte for byte,
// and each header declares the format of the cue table; the icons, the
// pictures and the agreement are there too.

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

// A cue as the program ships it. The PCM cues hold a format and a data
// chunk only; the compressed ones also carry their length in samples in a
// fact chunk, and a descriptive list chunk.
struct Cue {
  const char* name;
  std::uint16_t encoding;  // 1 PCM, 2 Microsoft ADPCM, 7 G.711 mu-law
  std::uint16_t channels;
  std::uint32_t rate;
  std::uint16_t bits;
  std::uint32_t dataBytes;
  std::uint32_t samples;  // per channel
};

// In cue-number order.
constexpr Cue kCues[] = {
    {"RSTART", 1, 1, 44100, 16, 30616, 15308}, {"RCLICK", 1, 1, 44100, 16, 1216, 608},
    {"RTICK", 2, 2, 22050, 4, 1024, 679},      {"RPOP", 1, 1, 44100, 16, 2622, 1311},
    {"RSTRUM", 7, 1, 22050, 8, 4150, 4150},    {"REXIT", 1, 1, 44100, 16, 176402, 88201},
    {"RAIR", 1, 1, 44100, 16, 52524, 26262},
};
static_assert(std::size(kCues) == app::kCueCount);

std::uint32_t Little(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = size; i-- > 0;) value = value << 8 | bytes[at + i];
  return value;
}

using Chunks = std::vector<std::pair<std::string, std::span<const std::uint8_t>>>;

// The chunks of a RIFF WAVE file in stored order; empty unless the file
// starts "RIFF" size "WAVE" with the size of the rest, and every chunk lies
// inside it.
Chunks ReadChunks(std::span<const std::uint8_t> file) {
  if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 ||
      std::memcmp(file.data() + 8, "WAVE", 4) != 0 || Little(file, 4, 4) != file.size() - 8) {
    return {};
  }
  Chunks chunks;
  for (std::size_t at = 12; at < file.size();) {
    if (file.size() - at < 8) return {};
    const std::uint32_t size = Little(file, at + 4, 4);
    if (size > file.size() - at - 8) return {};
    chunks.emplace_back(std::string(reinterpret_cast<const char*>(file.data() + at), 4),
                        file.subspan(at + 8, size));
    at += 8 + size + size % 2;
  }
  return chunks;
}

TEST_F(ProgramResources, EveryCueIsEmbeddedAsTheCommittedFileWithItsFormat) {
  for (const Cue& cue : kCues) {
    SCOPED_TRACE(cue.name);
    // The number the program plays it by names this resource.
    EXPECT_STREQ(app::CueName(static_cast<std::int32_t>(&cue - kCues)), cue.name);
    const std::span<const std::uint8_t> bytes = Resource(cue.name, "WAVE");
    ASSERT_FALSE(bytes.empty()) << "not a US English WAVE resource";

    const std::vector<std::uint8_t> committed = Committed("cues/" + std::string(cue.name) + ".wav");
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), committed.begin(), committed.end()));

    const Chunks chunks = ReadChunks(bytes);
    std::vector<std::string> ids;
    for (const auto& chunk : chunks) ids.push_back(chunk.first);
    const bool pcm = cue.encoding == 1;
    const std::vector<std::string> plain = {"fmt ", "data"};
    const std::vector<std::string> described = {"fmt ", "fact", "LIST", "data"};
    ASSERT_EQ(ids, pcm ? plain : described);

    const std::span<const std::uint8_t> format = chunks.front().second;
    ASSERT_EQ(format.size(), pcm ? 16u : cue.encoding == 2 ? 50u : 18u);
    EXPECT_EQ(Little(format, 0, 2), cue.encoding);
    EXPECT_EQ(Little(format, 2, 2), cue.channels);
    EXPECT_EQ(Little(format, 4, 4), cue.rate);
    EXPECT_EQ(Little(format, 14, 2), cue.bits);
    const std::uint32_t blockAlign = Little(format, 12, 2);
    ASSERT_NE(blockAlign, 0u);
    if (pcm) {
      EXPECT_EQ(blockAlign, cue.channels * cue.bits / 8u);
      EXPECT_EQ(Little(format, 8, 4), cue.rate * blockAlign) << "bytes per second";
    }
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(chunks.back().second.size());
    EXPECT_EQ(dataBytes, cue.dataBytes);
    EXPECT_EQ(dataBytes % blockAlign, 0u) << "whole blocks";
    if (pcm) {
      EXPECT_EQ(dataBytes / blockAlign, cue.samples);
    } else {
      ASSERT_EQ(chunks[1].second.size(), 4u) << "the fact chunk";
      EXPECT_EQ(Little(chunks[1].second, 0, 4), cue.samples);
    }
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
