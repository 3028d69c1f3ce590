// Native side of replacing a file: a new file put in place only once it is
// whole.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <string>
#include <system_error>

#include "files/replace_posix.h"
#include "files/sibling_names.h"

namespace files {

// With as few system calls as the kernel's gather limit allows.
int WriteAllTo(int fd, std::span<const ByteRange> parts) noexcept {
#ifdef IOV_MAX
  constexpr std::size_t kBatch = IOV_MAX < 1024 ? IOV_MAX : 1024;
#else
  constexpr std::size_t kBatch = 1024;
#endif
  iovec batch[kBatch];
  std::size_t next = 0;     // first range not yet in a batch
  std::size_t skipped = 0;  // bytes of parts[next] already written
  while (next < parts.size()) {
    std::size_t count = 0;
    for (std::size_t i = next; i < parts.size() && count < kBatch; ++i, ++count) {
      const std::size_t offset = i == next ? skipped : 0;
      batch[count].iov_base = const_cast<std::uint8_t*>(parts[i].data + offset);
      batch[count].iov_len = parts[i].size - offset;
    }
    const ssize_t written = ::writev(fd, batch, static_cast<int>(count));
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (written == 0) return EIO;  // a device that takes nothing more
    // Step past what went out, which may end inside a range.
    std::size_t left = static_cast<std::size_t>(written);
    while (next < parts.size() && left >= parts[next].size - skipped) {
      left -= parts[next].size - skipped;
      skipped = 0;
      ++next;
    }
    skipped += left;
  }
  return 0;
}

PathName FolderOf(const PathName& file) {
  PathName folder = file.parent_path();
  return folder.empty() ? PathName(".") : folder;
}

namespace {

constexpr int kNameAttempts = 100;

// Gives the new file the replaced file's owner, where the system allows,
// then its permission bits (a change of owner may clear some).
int ApplyKept(int fd, const KeptAttributes* kept) {
  if (kept == nullptr) return 0;
  struct stat now {};
  if (::fstat(fd, &now) != 0) return errno;
  if ((now.st_uid != kept->owner || now.st_gid != kept->group) &&
      ::fchown(fd, kept->owner, kept->group) != 0) {
    // Only root may give a file away; a member may still hand it the group.
    [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), kept->group);
  }
  if (::fchmod(fd, kept->mode & 0777) != 0) return errno;
  return 0;
}

ReplaceResult Failed(ReplaceResult::Step step, int error) { return {step, error}; }

#ifdef O_TMPFILE
// Gives the unnamed file open at `fd` the name `name`; EEXIST when the name
// is taken. Through /proc first, which needs no privilege; AT_EMPTY_PATH
// where /proc is missing.
int LinkAs(int fd, const PathName& name) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  if (errno != ENOENT) return errno;
  if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
  return errno;
}

// The unnamed route. Sets `unsupported` instead of failing where the file
// system or the kernel offers no unnamed files, or they cannot be linked.
ReplaceResult ReplaceThroughUnnamedFile(const PathName& target, std::span<const ByteRange> parts,
                                        const KeptAttributes* kept, bool& unsupported) {
  const int fd = ::open(FolderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) {
    // Kernels without O_TMPFILE take it as O_DIRECTORY: EISDIR.
    unsupported = errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL;
    return Failed(ReplaceResult::Step::Create, errno);
  }
  // No close() check: the file systems that report write errors only there
  // (network ones) offer no unnamed files.
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  int error = WriteAllTo(fd, parts);
  if (error == 0) error = ApplyKept(fd, kept);
  if (error != 0) return Failed(ReplaceResult::Step::Write, error);

  error = LinkAs(fd, target);
  if (error == 0) return {};
  if (error != EEXIST) {
    std::error_code ignored;
    unsupported = error == ENOENT && std::filesystem::is_directory(FolderOf(target), ignored);
    return Failed(ReplaceResult::Step::Move, error);
  }
  // The name is taken: link under a fresh name and rename that over it. Only
  // between these two calls does the new file have a name of its own.
  PathName temporary;
  for (int attempt = 0; attempt < kNameAttempts && error == EEXIST; ++attempt) {
    temporary = TemporarySibling(target, static_cast<std::uint32_t>(::getpid()));
    error = LinkAs(fd, temporary);
  }
  if (error != 0) return Failed(ReplaceResult::Step::Move, error);
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    error = errno;
    ::unlink(temporary.c_str());
    return Failed(ReplaceResult::Step::Move, error);
  }
  return {};
}
#endif

// The named route: a uniquely named file beside the target, renamed over it.
ReplaceResult ReplaceThroughNamedFile(const PathName& target, std::span<const ByteRange> parts,
                                      const KeptAttributes* kept) {
  int fd = -1;
  PathName temporary;
  for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
    temporary = TemporarySibling(target, static_cast<std::uint32_t>(::getpid()));
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return Failed(ReplaceResult::Step::Create, errno);
  }
  if (fd < 0) return Failed(ReplaceResult::Step::Create, EEXIST);
  int error = WriteAllTo(fd, parts);
  if (error == 0) error = ApplyKept(fd, kept);
  if (::close(fd) != 0 && error == 0) error = errno;
  ReplaceResult::Step step = ReplaceResult::Step::Write;
  if (error == 0) {
    if (::rename(temporary.c_str(), target.c_str()) == 0) return {};
    error = errno;
    step = ReplaceResult::Step::Move;
  }
  ::unlink(temporary.c_str());
  return Failed(step, error);
}

}  // namespace

ReplaceResult ReplaceFile(const PathName& target, std::span<const ByteRange> parts,
                          const KeptAttributes* kept) noexcept {
  try {
    if (!target.has_filename()) return Failed(ReplaceResult::Step::Create, EISDIR);
#ifdef O_TMPFILE
    bool unsupported = false;
    const ReplaceResult result = ReplaceThroughUnnamedFile(target, parts, kept, unsupported);
    if (!unsupported) return result;
#endif
    return ReplaceThroughNamedFile(target, parts, kept);
  } catch (...) {
    return Failed(ReplaceResult::Step::Create, ENOMEM);
  }
}

bool WriteFileReplacing(const PathName& target, std::span<const ByteRange> parts) noexcept {
  return static_cast<bool>(ReplaceFile(target, parts, nullptr));
}

}  // namespace files
