// The wallpaper file format: an uncompressed 24-bit bottom-up BMP with a
// 14-byte file header and a 40-byte info header, no colour table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "files/replace.h"

class TWin;

constexpr std::size_t kBmpHeaderBytes = 54;

// The 54 header bytes for an image of the given size, little-endian field by
// field. Width, height and stride are those of a valid surface.
std::array<std::uint8_t, kBmpHeaderBytes> EncodeBmpHeader(std::int32_t width, std::int32_t height,
                                                          std::int32_t stride);
// The header of `surface`'s own file.
std::array<std::uint8_t, kBmpHeaderBytes> EncodeBmpHeader(const TWin& surface);

// The file SaveToBmp writes as byte ranges over `header` and the surface's
// own rows (bottom row first), so it can be written without a copy. Valid
// while both live.
std::vector<files::ByteRange> BmpFileParts(const TWin& surface,
                                           const std::array<std::uint8_t, kBmpHeaderBytes>& header);

// Writes the file SaveToBmp writes, the same safe way, and says whether
// `path` now holds it. (SaveToBmp itself reports nothing.)
bool WriteBmpFile(const TWin& surface, const files::PathName& path);
