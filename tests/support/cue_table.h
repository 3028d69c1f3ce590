// The seven cues as the program ships them: name, encoding and sizes.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "support/wave_info.h"

namespace cues {

using Chunks = std::vector<std::string>;

struct Cue {
  const char* name;
  std::uint16_t tag;
  std::uint16_t channels;
  std::uint32_t rate;
  std::uint16_t bits;
  std::uint32_t data_bytes;
  std::uint32_t samples;  // per channel
  Chunks chunks;
};

// Failure messages name the cue rather than dumping the row's bytes.
inline void PrintTo(const Cue& cue, std::ostream* os) { *os << cue.name; }

inline const Chunks kPlain = {"fmt ", "data"};
inline const Chunks kDescribed = {"fmt ", "fact", "LIST", "data"};

// In cue-number order.
inline const Cue kCues[] = {
    {"RSTART", wave::kPcm, 1, 44100, 16, 30616, 15308, kPlain},
    {"RCLICK", wave::kPcm, 1, 44100, 16, 1216, 608, kPlain},
    {"RTICK", wave::kMsAdpcm, 2, 22050, 4, 1024, 679, kDescribed},
    {"RPOP", wave::kPcm, 1, 44100, 16, 2622, 1311, kPlain},
    {"RSTRUM", wave::kMuLaw, 1, 22050, 8, 4150, 4150, kDescribed},
    {"REXIT", wave::kPcm, 1, 44100, 16, 176402, 88201, kPlain},
    {"RAIR", wave::kPcm, 1, 44100, 16, 52524, 26262, kPlain},
};

}  // namespace cues
