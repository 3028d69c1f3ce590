// Native-only file routes behind WriteFileReplacing, for callers that must
// tell the user why a write failed: each returns 0 or the errno value.
#pragma once

#if !defined(_WIN32)

#include <sys/types.h>

#include <filesystem>
#include <span>

#include "files/replace.h"

namespace files {

// Writes every range, in order, from the descriptor's current position.
int WriteAllTo(int fd, std::span<const ByteRange> parts) noexcept;

// The folder a file name lies in, "." for a bare name.
std::filesystem::path FolderOf(const std::filesystem::path& file);

// What a replacement carries over from the file it replaces.
struct KeptAttributes {
  mode_t mode;  // permission bits (0777)
  uid_t owner;
  gid_t group;
};

struct ReplaceResult {
  enum class Step { Done, Create, Write, Move };
  Step failed = Step::Done;  // Create: the folder did not take a new file
  int error = 0;             // errno of the failed step

  explicit operator bool() const noexcept { return failed == Step::Done; }
};

// Writes `parts` to a new file in the folder of `target` and puts it in
// place under that name, replacing what was there (a symlink there is
// replaced, not followed: resolve it first). Prefers an unnamed file
// (O_TMPFILE) that gets its name only once it is whole, so a run killed part
// way leaves nothing behind; elsewhere a uniquely named file beside the
// target, removed again on failure. With `kept`, the new file takes those
// permission bits and, where the system allows, that owner before it goes in
// place. On failure `target` is as it was.
ReplaceResult ReplaceFile(const std::filesystem::path& target, std::span<const ByteRange> parts,
                          const KeptAttributes* kept) noexcept;

}  // namespace files

#endif
