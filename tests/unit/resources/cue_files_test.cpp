// The seven sound cues as committed in resources/cues: each has exactly the
// format the program ships, a layout every player accepts, and audio that is
// audible, unclipped and silent at both ends. Also the WAVE reader the
// checks rely on, against hand-built and damaged files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <ostream>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "support/cue_table.h"
#include "support/wave_info.h"

#ifndef HUEVANE_SOURCE_DIR
#error "HUEVANE_SOURCE_DIR must name the source tree that holds resources/cues"
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;
using cues::Cue;
using cues::kCues;
using cues::kPlain;
using Chunks = cues::Chunks;

// The seven predictor pairs every Microsoft ADPCM decoder knows.
const std::vector<std::pair<std::int16_t, std::int16_t>> kStandardPredictors = {
    {256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};

Bytes LoadCue(const std::string& name) {
  std::ifstream in(std::string(HUEVANE_SOURCE_DIR) + "/resources/cues/" + name + ".wav",
                   std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double Dbfs(int magnitude) { return 20 * std::log10(magnitude / 32768.0); }

class CueFile : public ::testing::TestWithParam<Cue> {
 protected:
  void SetUp() override {
    bytes_ = LoadCue(GetParam().name);
    ASSERT_FALSE(bytes_.empty()) << "cannot read " << GetParam().name << ".wav";
    wave::Parse parse = wave::ReadWave(bytes_);
    ASSERT_TRUE(parse.info) << parse.error;
    info_ = *parse.info;
  }

  Bytes bytes_;
  wave::Info info_;
};

TEST_P(CueFile, FormatMatchesTheCueTable) {
  const Cue& cue = GetParam();
  const wave::Format& f = info_.format;
  EXPECT_EQ(f.tag, cue.tag);
  EXPECT_EQ(f.channels, cue.channels);
  EXPECT_EQ(f.rate, cue.rate);
  EXPECT_EQ(f.bits, cue.bits);
  EXPECT_EQ(info_.data_size, cue.data_bytes);
  if (cue.tag == wave::kPcm) {
    EXPECT_EQ(info_.data_size / f.block_align, cue.samples);
    EXPECT_EQ(f.chunk_size, 16u) << "plain PCM carries no cbSize";
  } else {
    ASSERT_TRUE(info_.fact_samples);
    EXPECT_EQ(*info_.fact_samples, cue.samples);
  }
}

TEST_P(CueFile, HoldsExactlyItsChunksInOrder) {
  EXPECT_EQ(info_.chunks, GetParam().chunks);
}

TEST_P(CueFile, SizeFieldsAgree) {
  const wave::Format& f = info_.format;
  EXPECT_EQ(info_.riff_size, bytes_.size() - 8);
  EXPECT_EQ(info_.data_size % f.block_align, 0u) << "data must be whole blocks";
  if (f.tag == wave::kMsAdpcm) {
    ASSERT_TRUE(f.samples_per_block);
    EXPECT_EQ(f.byte_rate, f.rate * f.block_align / *f.samples_per_block);
  } else {
    EXPECT_EQ(f.block_align, f.channels * f.bits / 8);
    EXPECT_EQ(f.byte_rate, f.rate * f.block_align);
  }
}

// Loud enough to hear, quiet enough to sit under other sounds, and starting
// and ending at rest so that starting or cutting one off makes no click.
TEST_P(CueFile, IsModeratelyLoudUnclippedAndSilentAtBothEnds) {
  const Cue& cue = GetParam();
  const auto samples = wave::DecodeSamples(info_, bytes_);
  ASSERT_TRUE(samples);
  ASSERT_EQ(samples->size(), std::size_t{cue.samples} * cue.channels);

  const auto clipped = std::count_if(samples->begin(), samples->end(),
                                     [](int s) { return s <= -32767 || s >= 32767; });
  EXPECT_EQ(clipped, 0);
  int peak = 0;
  for (int s : *samples) peak = std::max(peak, std::abs(s));
  EXPECT_GT(Dbfs(peak), -13.0);
  EXPECT_LT(Dbfs(peak), -5.0);

  constexpr int kAtRest = 164;  // -46 dBFS
  const std::size_t last_frame = samples->size() - cue.channels;
  for (std::size_t c = 0; c < cue.channels; ++c) {
    EXPECT_LE(std::abs((*samples)[c]), kAtRest) << "first sample, channel " << c;
    EXPECT_LE(std::abs((*samples)[last_frame + c]), kAtRest) << "last sample, channel " << c;
  }
}

TEST_P(CueFile, EveryTruncationIsRejected) {
  for (std::size_t length = 0; length < bytes_.size(); ++length) {
    const wave::Parse parse = wave::ReadWave(std::span(bytes_.data(), length));
    ASSERT_FALSE(parse.info) << "accepted the first " << length << " bytes";
    ASSERT_FALSE(parse.error.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Cues, CueFile, ::testing::ValuesIn(kCues),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AdpcmCue, CarriesTheStandardBlockLayoutAndPredictors) {
  const Bytes bytes = LoadCue("RTICK");
  const wave::Parse parse = wave::ReadWave(bytes);
  ASSERT_TRUE(parse.info) << parse.error;
  const wave::Format& f = parse.info->format;
  EXPECT_EQ(f.block_align, 1024);
  EXPECT_EQ(f.extra_size, 32);
  // 14 header bytes carry two frames; each remaining byte carries one frame.
  EXPECT_EQ(f.samples_per_block, 1012);
  EXPECT_EQ(f.coefficients, kStandardPredictors);
}

TEST(MuLawCue, CarriesAnEmptyExtension) {
  const Bytes bytes = LoadCue("RSTRUM");
  const wave::Parse parse = wave::ReadWave(bytes);
  ASSERT_TRUE(parse.info) << parse.error;
  EXPECT_EQ(parse.info->format.chunk_size, 18u);
  EXPECT_EQ(parse.info->format.extra_size, 0);
}

// ---------------------------------------------------------------------------
// The reader itself, on files built here byte by byte.

void Put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

Bytes Chunk(const char* id, const Bytes& payload) {
  Bytes b(id, id + 4);
  Put32(b, static_cast<std::uint32_t>(payload.size()));
  b.insert(b.end(), payload.begin(), payload.end());
  if (payload.size() % 2 != 0) b.push_back(0);
  return b;
}

Bytes Riff(const std::vector<Bytes>& chunks) {
  Bytes body = {'W', 'A', 'V', 'E'};
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes b = {'R', 'I', 'F', 'F'};
  Put32(b, static_cast<std::uint32_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

Bytes Fmt(unsigned tag, unsigned channels, unsigned block_align, unsigned bits) {
  Bytes b;
  Put16(b, tag);
  Put16(b, channels);
  Put32(b, 8000);
  Put32(b, 8000 * block_align);
  Put16(b, block_align);
  Put16(b, bits);
  return b;
}

Bytes AdpcmFmt(unsigned channels, unsigned block_align, unsigned samples_per_block) {
  Bytes b = Fmt(wave::kMsAdpcm, channels, block_align, 4);
  Put16(b, 32);
  Put16(b, samples_per_block);
  Put16(b, 7);
  for (auto [c1, c2] : kStandardPredictors) {
    Put16(b, static_cast<std::uint16_t>(c1));
    Put16(b, static_cast<std::uint16_t>(c2));
  }
  return b;
}

Bytes Le32(std::uint32_t v) {
  Bytes b;
  Put32(b, v);
  return b;
}

const Bytes kPcmFmt = Fmt(wave::kPcm, 1, 2, 16);
const Bytes kTwoSamples = {0x34, 0x12, 0xFE, 0xFF};

TEST(WaveReader, ReadsAMinimalPcmFile) {
  const Bytes file = Riff({Chunk("fmt ", kPcmFmt), Chunk("data", kTwoSamples)});
  const wave::Parse parse = wave::ReadWave(file);
  ASSERT_TRUE(parse.info) << parse.error;
  EXPECT_EQ(parse.info->chunks, kPlain);
  EXPECT_EQ(parse.info->riff_size, file.size() - 8);
  EXPECT_EQ(parse.info->data_offset, file.size() - 4);
  EXPECT_EQ(parse.info->data_size, 4u);
  EXPECT_FALSE(parse.info->fact_samples);
  EXPECT_FALSE(parse.info->format.extra_size);
  EXPECT_EQ(wave::DecodeSamples(*parse.info, file), (std::vector<std::int16_t>{0x1234, -2}));
}

TEST(WaveReader, SkipsAnOddChunkWithItsPadByteAndKeepsItsId) {
  const Bytes file = Riff({Chunk("fmt ", kPcmFmt), Chunk("LIST", {'I', 'N', 'F'}),
                           Chunk("fact", Le32(2)), Chunk("data", kTwoSamples)});
  const wave::Parse parse = wave::ReadWave(file);
  ASSERT_TRUE(parse.info) << parse.error;
  EXPECT_EQ(parse.info->chunks, (Chunks{"fmt ", "LIST", "fact", "data"}));
  EXPECT_EQ(parse.info->fact_samples, 2u);
}

TEST(WaveReader, LeavesBytesAfterTheRiffExtentAlone) {
  Bytes file = Riff({Chunk("fmt ", kPcmFmt), Chunk("data", kTwoSamples)});
  const std::size_t size = file.size();
  file.insert(file.end(), {'j', 'u', 'n', 'k', 9, 9, 9, 9});
  const wave::Parse parse = wave::ReadWave(file);
  ASSERT_TRUE(parse.info) << parse.error;
  EXPECT_EQ(parse.info->riff_size, size - 8);
  EXPECT_EQ(parse.info->chunks, kPlain);
}

TEST(WaveReader, RejectsDamagedFiles) {
  const Bytes data = Chunk("data", kTwoSamples);
  const Bytes good = Riff({Chunk("fmt ", kPcmFmt), data});
  auto with_riff_size = [&](std::uint32_t size) {
    Bytes b = good;
    b[4] = static_cast<std::uint8_t>(size);
    b[5] = static_cast<std::uint8_t>(size >> 8);
    b[6] = b[7] = 0;
    return b;
  };
  Bytes short_fmt = kPcmFmt;
  short_fmt.resize(14);
  Bytes cb_size_too_big = kPcmFmt;
  Put16(cb_size_too_big, 4);
  Bytes adpcm_table_too_long = AdpcmFmt(1, 256, 500);
  adpcm_table_too_long[20] = 8;  // eight pairs declared, seven present
  Bytes adpcm_without_extension = Fmt(wave::kMsAdpcm, 1, 256, 4);
  Put16(adpcm_without_extension, 2);
  Put16(adpcm_without_extension, 500);
  const Bytes header_cut = [&] {
    Bytes b = good;
    b.resize(b.size() - data.size() + 4);  // "data" id, no size
    b[4] = static_cast<std::uint8_t>(b.size() - 8);
    return b;
  }();

  const struct {
    const char* what;
    Bytes file;
  } cases[] = {
      {"empty", {}},
      {"shorter than a RIFF header", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V'}},
      {"big-endian RIFX", [&] { Bytes b = good; b[3] = 'X'; return b; }()},
      {"not WAVE", [&] { Bytes b = good; b[8] = 'A'; return b; }()},
      {"RIFF size past the end", with_riff_size(static_cast<std::uint32_t>(good.size() - 7))},
      {"RIFF size below the form type", with_riff_size(3)},
      {"chunk header cut short", header_cut},
      {"chunk size past the extent",
       [&] { Bytes b = good; b[b.size() - 8] = 5; return b; }()},
      {"no format chunk", Riff({data})},
      {"no data chunk", Riff({Chunk("fmt ", kPcmFmt)})},
      {"data before format", Riff({data, Chunk("fmt ", kPcmFmt)})},
      {"format chunk too short", Riff({Chunk("fmt ", short_fmt), data})},
      {"two format chunks", Riff({Chunk("fmt ", kPcmFmt), Chunk("fmt ", kPcmFmt), data})},
      {"two data chunks", Riff({Chunk("fmt ", kPcmFmt), data, data})},
      {"fact too short", Riff({Chunk("fmt ", kPcmFmt), Chunk("fact", {1, 0}), data})},
      {"two fact chunks", Riff({Chunk("fmt ", kPcmFmt), Chunk("fact", Le32(2)),
                                Chunk("fact", Le32(2)), data})},
      {"no channels", Riff({Chunk("fmt ", Fmt(wave::kPcm, 0, 2, 16)), data})},
      {"block align 0", Riff({Chunk("fmt ", Fmt(wave::kPcm, 1, 0, 16)), data})},
      {"cbSize past the format chunk", Riff({Chunk("fmt ", cb_size_too_big), data})},
      {"ADPCM table past cbSize", Riff({Chunk("fmt ", adpcm_table_too_long), data})},
      {"ADPCM without its extension", Riff({Chunk("fmt ", adpcm_without_extension), data})},
  };
  ASSERT_TRUE(wave::ReadWave(good).info) << "the undamaged file must be accepted";
  for (const auto& c : cases) {
    const wave::Parse parse = wave::ReadWave(c.file);
    EXPECT_FALSE(parse.info) << c.what;
    EXPECT_FALSE(parse.error.empty()) << c.what;
  }
}

TEST(WaveReader, DecodesMuLaw) {
  Bytes fmt = Fmt(wave::kMuLaw, 1, 1, 8);
  Put16(fmt, 0);
  const Bytes file = Riff({Chunk("fmt ", fmt), Chunk("data", {0xFF, 0x7F, 0x80, 0x00, 0xF0, 0x70})});
  const wave::Parse parse = wave::ReadWave(file);
  ASSERT_TRUE(parse.info) << parse.error;
  EXPECT_EQ(wave::DecodeSamples(*parse.info, file),
            (std::vector<std::int16_t>{0, 0, 32124, -32124, 120, -120}));
}

// Expected values worked by hand from the predictor pair, the step and the
// adaptation table.
TEST(WaveReader, DecodesMsAdpcm) {
  auto header = [](std::initializer_list<int> predictors, std::initializer_list<int> deltas,
                   std::initializer_list<int> s1, std::initializer_list<int> s2) {
    Bytes b;
    for (int p : predictors) b.push_back(static_cast<std::uint8_t>(p));
    for (auto* list : {&deltas, &s1, &s2}) {
      for (int v : *list) Put16(b, static_cast<std::uint16_t>(v));
    }
    return b;
  };
  Bytes mono = header({1}, {16}, {100}, {50});
  mono.insert(mono.end(), {0x1F, 0x70});
  Bytes stereo = header({0, 0}, {16, 16}, {100, -100}, {10, -10});
  stereo.push_back(0x1F);

  const struct {
    const char* what;
    Bytes file;
    std::vector<std::int16_t> samples;
  } cases[] = {
      {"mono, second predictor", Riff({Chunk("fmt ", AdpcmFmt(1, 9, 6)), Chunk("data", mono)}),
       {50, 100, 166, 216, 378, 540}},
      {"mono, cut at the fact count",
       Riff({Chunk("fmt ", AdpcmFmt(1, 9, 6)), Chunk("fact", Le32(4)), Chunk("data", mono)}),
       {50, 100, 166, 216}},
      {"stereo: high nibble left, low nibble right",
       Riff({Chunk("fmt ", AdpcmFmt(2, 15, 3)), Chunk("data", stereo)}),
       {10, -10, 100, -100, 116, -116}},
  };
  for (const auto& c : cases) {
    const wave::Parse parse = wave::ReadWave(c.file);
    ASSERT_TRUE(parse.info) << c.what << ": " << parse.error;
    EXPECT_EQ(wave::DecodeSamples(*parse.info, c.file), c.samples) << c.what;
  }
}

TEST(WaveReader, RefusesToDecodeWhatItCannot) {
  Bytes bad_predictor = {7, 16, 0, 100, 0, 50, 0, 0x1F, 0x70};
  Bytes fact_too_big = {0, 16, 0, 100, 0, 50, 0, 0x1F, 0x70};
  const struct {
    const char* what;
    Bytes file;
  } cases[] = {
      {"8-bit PCM", Riff({Chunk("fmt ", Fmt(wave::kPcm, 1, 1, 8)), Chunk("data", {1, 2})})},
      {"ADPCM predictor outside the table",
       Riff({Chunk("fmt ", AdpcmFmt(1, 9, 6)), Chunk("data", bad_predictor)})},
      {"ADPCM fact beyond the blocks",
       Riff({Chunk("fmt ", AdpcmFmt(1, 9, 6)), Chunk("fact", Le32(7)), Chunk("data", fact_too_big)})},
      {"ADPCM samples per block beyond the block",
       Riff({Chunk("fmt ", AdpcmFmt(1, 9, 7)), Chunk("data", fact_too_big)})},
  };
  for (const auto& c : cases) {
    const wave::Parse parse = wave::ReadWave(c.file);
    ASSERT_TRUE(parse.info) << c.what << ": " << parse.error;
    EXPECT_FALSE(wave::DecodeSamples(*parse.info, c.file)) << c.what;
  }
}

// Overwrites each header byte of the compressed cues with extreme values:
// whatever the reader accepts must also decode without reading out of bounds
// (the sanitizer build turns any stray read or overflow into a failure).
TEST(WaveReader, SurvivesCorruptedHeaders) {
  for (const char* name : {"RTICK", "RSTRUM"}) {
    const Bytes original = LoadCue(name);
    ASSERT_GT(original.size(), 200u) << name;
    for (std::size_t at = 0; at < 200; ++at) {
      for (std::uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
        Bytes file = original;
        file[at] = value;
        const wave::Parse parse = wave::ReadWave(file);
        if (parse.info) {
          (void)wave::DecodeSamples(*parse.info, file);
        } else {
          EXPECT_FALSE(parse.error.empty()) << name << " byte " << at;
        }
      }
    }
  }
}

}  // namespace
