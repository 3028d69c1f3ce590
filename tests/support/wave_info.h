// A small, strict reader of RIFF WAVE files held in memory: the chunk list,
// the format fields and the audio itself, for tests that check the sound cues
// as files and as resources of the built program.
//
// Every read is bounds-checked: damaged input of any length yields an error
// message, never a read outside the bytes given.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace wave {

inline constexpr std::uint16_t kPcm = 1;
inline constexpr std::uint16_t kMsAdpcm = 2;
inline constexpr std::uint16_t kMuLaw = 7;

struct Format {
  std::uint16_t tag = 0;
  std::uint16_t channels = 0;
  std::uint32_t rate = 0;
  std::uint32_t byte_rate = 0;
  std::uint16_t block_align = 0;
  std::uint16_t bits = 0;
  std::uint32_t chunk_size = 0;               // 16 for plain PCM, 18 and up with cbSize
  std::optional<std::uint16_t> extra_size;    // cbSize, when the chunk has one
  std::optional<std::uint16_t> samples_per_block;           // Microsoft ADPCM only
  std::vector<std::pair<std::int16_t, std::int16_t>> coefficients;  // Microsoft ADPCM only
};

struct Info {
  std::vector<std::string> chunks;  // chunk ids in file order, e.g. "fmt ", "data"
  std::uint32_t riff_size = 0;      // as stored; a well-formed file has file size - 8
  Format format;
  std::size_t data_offset = 0;      // of the data chunk's payload within the file
  std::uint32_t data_size = 0;
  std::optional<std::uint32_t> fact_samples;
};

struct Parse {
  std::optional<Info> info;  // empty when the bytes are not a usable WAVE file
  std::string error;         // why, when info is empty
};

namespace detail {

inline std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

inline std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(U16(b, at)) | static_cast<std::uint32_t>(U16(b, at + 2)) << 16;
}

inline std::string Id(std::span<const std::uint8_t> b, std::size_t at) {
  return std::string(reinterpret_cast<const char*>(b.data() + at), 4);
}

inline Parse Fail(std::string why) { return Parse{std::nullopt, std::move(why)}; }

// Fills `format` from a format chunk payload; returns an error message or "".
inline std::string ReadFormat(std::span<const std::uint8_t> fmt, Format& format) {
  if (fmt.size() < 16) return "format chunk shorter than 16 bytes";
  format.chunk_size = static_cast<std::uint32_t>(fmt.size());
  format.tag = U16(fmt, 0);
  format.channels = U16(fmt, 2);
  format.rate = U32(fmt, 4);
  format.byte_rate = U32(fmt, 8);
  format.block_align = U16(fmt, 12);
  format.bits = U16(fmt, 14);
  if (format.channels == 0) return "format declares no channels";
  if (format.block_align == 0) return "format declares a block align of 0";
  if (fmt.size() < 18) return "";
  format.extra_size = U16(fmt, 16);
  if (18u + *format.extra_size > fmt.size()) return "cbSize runs past the format chunk";
  if (format.tag != kMsAdpcm) return "";
  const auto extra = fmt.subspan(18, *format.extra_size);
  if (extra.size() < 4) return "ADPCM format without samples per block and coefficient count";
  format.samples_per_block = U16(extra, 0);
  const std::size_t count = U16(extra, 2);
  if (4 + 4 * count > extra.size()) return "ADPCM coefficient table runs past cbSize";
  for (std::size_t i = 0; i < count; ++i) {
    format.coefficients.emplace_back(static_cast<std::int16_t>(U16(extra, 4 + 4 * i)),
                                     static_cast<std::int16_t>(U16(extra, 6 + 4 * i)));
  }
  return "";
}

}  // namespace detail

// Walks the chunks within the extent the RIFF header declares. Requires one
// format chunk, one data chunk after it, and every chunk inside that extent;
// bytes after the extent are left alone (compare riff_size to notice them).
inline Parse ReadWave(std::span<const std::uint8_t> bytes) {
  using detail::Fail;
  if (bytes.size() < 12) return Fail("shorter than a RIFF header");
  if (detail::Id(bytes, 0) != "RIFF" || detail::Id(bytes, 8) != "WAVE") {
    return Fail("not a RIFF WAVE file");
  }
  Info info;
  info.riff_size = detail::U32(bytes, 4);
  if (info.riff_size < 4 || info.riff_size > bytes.size() - 8) {
    return Fail("RIFF size " + std::to_string(info.riff_size) + " does not fit the " +
                std::to_string(bytes.size()) + " bytes given");
  }
  const std::size_t end = std::size_t{info.riff_size} + 8;
  bool have_format = false, have_data = false;
  for (std::size_t at = 12; at < end;) {
    if (end - at < 8) return Fail("truncated chunk header at offset " + std::to_string(at));
    const std::string id = detail::Id(bytes, at);
    const std::uint32_t size = detail::U32(bytes, at + 4);
    if (size > end - at - 8) return Fail("chunk '" + id + "' runs past the RIFF extent");
    const auto payload = bytes.subspan(at + 8, size);
    info.chunks.push_back(id);
    if (id == "fmt ") {
      if (have_format) return Fail("second format chunk");
      if (auto error = detail::ReadFormat(payload, info.format); !error.empty()) return Fail(error);
      have_format = true;
    } else if (id == "data") {
      if (have_data) return Fail("second data chunk");
      if (!have_format) return Fail("data chunk before the format chunk");
      info.data_offset = at + 8;
      info.data_size = size;
      have_data = true;
    } else if (id == "fact") {
      if (info.fact_samples) return Fail("second fact chunk");
      if (size < 4) return Fail("fact chunk shorter than 4 bytes");
      info.fact_samples = detail::U32(payload, 0);
    }
    // An odd-sized chunk is followed by a pad byte; a writer may leave it off
    // the last chunk, so a missing final pad is tolerated.
    at += 8 + std::size_t{size};
    if (size % 2 != 0 && at < end) ++at;
  }
  if (!have_format) return Fail("no format chunk");
  if (!have_data) return Fail("no data chunk");
  return Parse{std::move(info), ""};
}

// The audio as 16-bit samples, channels interleaved, for 16-bit PCM, G.711
// mu-law and 4-bit Microsoft ADPCM. ADPCM stops at the fact chunk's count when
// there is one (the last block is padded). Empty for other encodings or for
// blocks that do not fit the format.
inline std::optional<std::vector<std::int16_t>> DecodeSamples(const Info& info,
                                                              std::span<const std::uint8_t> bytes) {
  if (info.data_offset > bytes.size() || info.data_size > bytes.size() - info.data_offset) {
    return std::nullopt;
  }
  const auto data = bytes.subspan(info.data_offset, info.data_size);
  const Format& f = info.format;
  std::vector<std::int16_t> out;
  if (f.tag == kPcm && f.bits == 16) {
    for (std::size_t at = 0; at + 1 < data.size(); at += 2) {
      out.push_back(static_cast<std::int16_t>(detail::U16(data, at)));
    }
    return out;
  }
  if (f.tag == kMuLaw && f.bits == 8) {
    for (std::uint8_t code : data) {
      const int u = ~code & 0xFF;
      const int magnitude = ((((u & 0x0F) << 3) + 0x84) << ((u >> 4) & 7)) - 0x84;
      out.push_back(static_cast<std::int16_t>(u & 0x80 ? -magnitude : magnitude));
    }
    return out;
  }
  if (f.tag != kMsAdpcm || f.bits != 4 || !f.samples_per_block) return std::nullopt;

  static constexpr int kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                          768, 614, 512, 409, 307, 230, 230, 230};
  static constexpr int kMaxDelta = 0x7FFFFFFF / 768;
  const std::size_t channels = f.channels;
  const std::size_t block = f.block_align;
  const std::size_t per_block = *f.samples_per_block;
  if (channels == 0 || channels > 2 || block < 7 * channels || per_block < 2 ||
      (per_block - 2) * channels > (block - 7 * channels) * 2) {
    return std::nullopt;
  }
  const std::size_t blocks = (data.size() + block - 1) / block;
  const std::size_t wanted = info.fact_samples.value_or(blocks * per_block);
  if (wanted > blocks * per_block) return std::nullopt;
  out.reserve(wanted * channels);
  for (std::size_t b = 0; b < blocks && out.size() < wanted * channels; ++b) {
    const auto bytes_of_block = data.subspan(b * block, std::min(block, data.size() - b * block));
    if (bytes_of_block.size() < 7 * channels) return std::nullopt;
    int coef1[2], coef2[2], delta[2], s1[2], s2[2];
    for (std::size_t c = 0; c < channels; ++c) {
      const std::size_t predictor = bytes_of_block[c];
      if (predictor >= f.coefficients.size()) return std::nullopt;
      coef1[c] = f.coefficients[predictor].first;
      coef2[c] = f.coefficients[predictor].second;
      delta[c] = static_cast<std::int16_t>(detail::U16(bytes_of_block, channels + 2 * c));
      s1[c] = static_cast<std::int16_t>(detail::U16(bytes_of_block, 3 * channels + 2 * c));
      s2[c] = static_cast<std::int16_t>(detail::U16(bytes_of_block, 5 * channels + 2 * c));
    }
    // The header carries the block's first two frames, the older one stored last.
    std::vector<std::int16_t> frames;
    for (std::size_t c = 0; c < channels; ++c) frames.push_back(static_cast<std::int16_t>(s2[c]));
    for (std::size_t c = 0; c < channels; ++c) frames.push_back(static_cast<std::int16_t>(s1[c]));
    std::size_t c = 0;
    for (std::size_t at = 7 * channels; at < bytes_of_block.size(); ++at) {
      for (int nibble : {bytes_of_block[at] >> 4, bytes_of_block[at] & 0x0F}) {
        const int signed_nibble = nibble >= 8 ? nibble - 16 : nibble;
        // 64-bit: a damaged coefficient table may hold any 16-bit values.
        const std::int64_t prediction =
            (std::int64_t{s1[c]} * coef1[c] + std::int64_t{s2[c]} * coef2[c]) >> 8;
        int sample = static_cast<int>(prediction) + signed_nibble * delta[c];
        sample = std::clamp(sample, -32768, 32767);
        s2[c] = s1[c];
        s1[c] = sample;
        // Damaged data can make the step grow every nibble; capping it keeps
        // the arithmetic in range (the sample is clamped anyway).
        delta[c] = std::clamp((kAdaptation[nibble] * delta[c]) >> 8, 16, kMaxDelta);
        frames.push_back(static_cast<std::int16_t>(sample));
        c = (c + 1) % channels;
      }
    }
    frames.resize(std::min(frames.size(), per_block * channels));
    const std::size_t take = std::min(frames.size(), wanted * channels - out.size());
    out.insert(out.end(), frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(take));
  }
  if (out.size() != wanted * channels) return std::nullopt;
  return out;
}

}  // namespace wave
