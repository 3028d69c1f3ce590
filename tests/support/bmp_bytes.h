// The whole file SaveToBmp writes for a surface, built in memory, for tests
// to compare files with.
#pragma once

#include <cstdint>
#include <vector>

#include "files/replace.h"
#include "render/bmp.h"
#include "render/surface.h"

inline std::vector<std::uint8_t> EncodeBmp(const TWin& surface) {
  const auto header = EncodeBmpHeader(surface);
  std::vector<std::uint8_t> file;
  file.reserve(header.size() + surface.PixelBytes());
  for (const files::ByteRange& part : BmpFileParts(surface, header)) {
    file.insert(file.end(), part.data, part.data + part.size);
  }
  return file;
}
