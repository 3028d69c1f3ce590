// Replacing a file safely: the new bytes go to a file of our own beside the
// target, which takes the target's name only once it is whole, so the target
// always holds either the old file or the new one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "files/path_name.h"

namespace files {

struct ByteRange {
  const std::uint8_t* data;
  std::size_t size;
};

// Writes `parts`, in order, to a new uniquely named file in the folder of
// `target`, closes it, then moves it over `target`. On any failure the new
// file is removed and `target` is left as it was. Returns whether `target`
// now holds the new bytes.
bool WriteFileReplacing(const PathName& target, std::span<const ByteRange> parts) noexcept;

}  // namespace files
