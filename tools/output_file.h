// Where huevane-render puts the finished file. Only a regular file (or a
// name that does not exist yet) is ever replaced, and only once the new file
// is whole:
//   - "-" and our own standard output: the bytes go to standard output;
//   - a symlink is followed, and what it ends at is written; the link stays;
//   - a regular file is replaced through a new file in its folder, keeping
//     its permission bits; one with several hard links is rewritten in
//     place, so every name still shows the same file;
//   - a device, FIFO or socket is written to directly, never renamed over;
//   - a directory is refused;
//   - where the folder takes no new file, an existing writable file is
//     rewritten in place, and the message says so.
// On Windows: "-", devices and pipes, directories, and regular files.
#pragma once

#include <span>
#include <string>

#include "files/replace.h"

namespace output_file {

struct Result {
  bool written = false;
  // One line for the user without the program's prefix: why it failed, or a
  // note on how it was written. Empty when there is nothing to say.
  std::string message;
};

// `shown` is the --out value as the user gave it (UTF-8), `path` the same
// name as the platform's path.
Result WriteOutput(const std::string& shown, const files::PathName& path,
                   std::span<const files::ByteRange> parts);

}  // namespace output_file
