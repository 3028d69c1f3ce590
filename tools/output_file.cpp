#include "tools/output_file.h"

#include <cstdint>
#include <string_view>

#include "tools/render_args.h"

#ifdef _WIN32
#include <windows.h>

#include "win32/scoped.h"
#include "win32/text.h"
#else
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "files/replace_posix.h"
#endif

namespace output_file {
namespace {

using render_args::Quoted;

Result Written(std::string note = {}) { return {true, std::move(note)}; }

Result CannotWrite(std::string_view shown, std::string_view reason) {
  return {false, "cannot write " + Quoted(shown) + ": " + std::string(reason)};
}

Result CannotWriteStdout(std::string_view reason) {
  return {false, "cannot write to standard output: " + std::string(reason)};
}

}  // namespace

#ifndef _WIN32

namespace {

namespace fs = std::filesystem;

std::string Reason(int error) { return std::strerror(error); }

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

Result ToStdout(std::span<const files::ByteRange> parts) {
  const int error = files::WriteAllTo(STDOUT_FILENO, parts);
  return error == 0 ? Written() : CannotWriteStdout(Reason(error));
}

// Whether `file` is what our standard output already is. Such a name (e.g.
// /dev/stdout) may stand for a pipe or a socket that cannot be opened by
// name, so it is written through the descriptor we hold.
bool IsOurStdout(const struct stat& file) {
  struct stat out {};
  return ::fstat(STDOUT_FILENO, &out) == 0 && out.st_dev == file.st_dev &&
         out.st_ino == file.st_ino;
}

// Follows `name` through symlinks, each relative link read from its own
// folder, to the name where the chain ends: an existing non-link or nothing.
int FollowLinks(fs::path& name) {
  for (int links = 0; links < 40; ++links) {  // the kernel's own limit
    struct stat st {};
    if (::lstat(name.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
    if (!S_ISLNK(st.st_mode)) return 0;
    char target[PATH_MAX];
    const ssize_t length = ::readlink(name.c_str(), target, sizeof target);
    if (length < 0) return errno;
    if (static_cast<std::size_t>(length) == sizeof target) return ENAMETOOLONG;
    const fs::path next(std::string(target, static_cast<std::size_t>(length)));
    name = next.is_absolute() ? next : name.parent_path() / next;
  }
  return ELOOP;
}

// A socket is written to as a client of whoever listens on it.
int ConnectToSocket(const fs::path& name) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string& text = name.native();
  if (text.size() >= sizeof address.sun_path) return -ENAMETOOLONG;
  std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -errno;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    ::close(fd);
    return -error;
  }
  return fd;
}

// Devices, FIFOs and sockets: the bytes go straight in, the node stays.
Result Straight(const std::string& shown, const fs::path& path, const struct stat& st,
                std::span<const files::ByteRange> parts) {
  int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0 && errno == ENXIO && S_ISSOCK(st.st_mode)) {
    fd = ConnectToSocket(path);
    if (fd < 0) return CannotWrite(shown, Reason(-fd));
  }
  if (fd < 0) return CannotWrite(shown, Reason(errno));
  int error = files::WriteAllTo(fd, parts);
  if (::close(fd) != 0 && error == 0) error = errno;
  return error == 0 ? Written() : CannotWrite(shown, Reason(error));
}

// Rewrites an existing regular file under its own name: the whole new
// length is claimed first, so a full disk shows before any old byte changes.
int InPlace(const fs::path& file, std::span<const files::ByteRange> parts) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno;
  off_t total = 0;
  for (const files::ByteRange& part : parts) total += static_cast<off_t>(part.size);
  int error = 0;
#ifdef __linux__
  if (::fallocate(fd, 0, 0, total) != 0 && (errno == ENOSPC || errno == EDQUOT || errno == EFBIG)) {
    error = errno;
  }
#endif
  if (error == 0) error = files::WriteAllTo(fd, parts);
  if (error == 0 && ::ftruncate(fd, total) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  return error;
}

// How a folder says it takes no new files: its permissions, an immutable
// flag, or a read-only mount.
bool IsRefusal(int error) { return error == EACCES || error == EPERM || error == EROFS; }

// `file` is the end of any symlinks; `existing` its status when it exists.
Result IntoRegularFile(const std::string& shown, const fs::path& file, const struct stat* existing,
                       std::span<const files::ByteRange> parts) {
  files::KeptAttributes kept{};
  if (existing != nullptr) {
    // A file we may not write is not ours to replace either.
    if (::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0) {
      return CannotWrite(shown, Reason(errno));
    }
    if (existing->st_nlink > 1) {
      // A new file would leave the other names on the old picture.
      const int error = InPlace(file, parts);
      return error == 0 ? Written() : CannotWrite(shown, Reason(error));
    }
    kept = {existing->st_mode & 0777, existing->st_uid, existing->st_gid};
  }
  const files::ReplaceResult result =
      files::ReplaceFile(file, parts, existing != nullptr ? &kept : nullptr);
  if (result) return Written();
  if (result.failed != files::ReplaceResult::Step::Create || !IsRefusal(result.error)) {
    return CannotWrite(shown, Reason(result.error));
  }
  const std::string folder = Quoted(Utf8(files::FolderOf(file)));
  if (existing == nullptr) {
    return CannotWrite(shown, "folder " + folder + " is read-only: " + Reason(result.error));
  }
  const int error = InPlace(file, parts);
  if (error != 0) return CannotWrite(shown, Reason(error));
  return Written("folder " + folder + " takes no new files (" + Reason(result.error) + "), so " +
                 Quoted(shown) + " was rewritten in place");
}

}  // namespace

Result WriteOutput(const std::string& shown, const files::PathName& path,
                   std::span<const files::ByteRange> parts) {
  if (shown == "-") return ToStdout(parts);
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists) {
    if (IsOurStdout(st)) return ToStdout(parts);
    if (S_ISDIR(st.st_mode)) return CannotWrite(shown, Reason(EISDIR));
    if (!S_ISREG(st.st_mode)) return Straight(shown, path, st, parts);
  } else if (errno != ENOENT) {
    return CannotWrite(shown, Reason(errno));
  }
  // A regular file, or nothing yet (perhaps at the end of a dangling link).
  fs::path file = path;
  if (const int error = FollowLinks(file); error != 0) return CannotWrite(shown, Reason(error));
  return IntoRegularFile(shown, file, exists ? &st : nullptr, parts);
}

#else  // _WIN32

namespace {

// The system's text for a Win32 error code, on one line without the period.
std::string Reason(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring reason(text != nullptr ? text : L"", length);
  LocalFree(text);
  while (!reason.empty() && (reason.back() == L'\r' || reason.back() == L'\n' ||
                             reason.back() == L' ' || reason.back() == L'.')) {
    reason.pop_back();
  }
  for (wchar_t& c : reason) {
    if (c == L'\r' || c == L'\n') c = L' ';
  }
  if (reason.empty()) return "system error " + std::to_string(error);
  return win32::Narrow(reason, CP_UTF8);
}

DWORD WriteParts(HANDLE file, std::span<const files::ByteRange> parts) {
  for (const files::ByteRange& part : parts) {
    const std::uint8_t* data = part.data;
    std::size_t left = part.size;
    while (left > 0) {
      const DWORD want = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
      DWORD done = 0;
      if (!WriteFile(file, data, want, &done, nullptr)) return GetLastError();
      if (done == 0) return ERROR_WRITE_FAULT;
      data += done;
      left -= done;
    }
  }
  return ERROR_SUCCESS;
}

}  // namespace

Result WriteOutput(const std::string& shown, const files::PathName& path,
                   std::span<const files::ByteRange> parts) {
  if (shown == "-") {
    // The handle itself: no C runtime text mode turns LF into CR LF.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
      return CannotWriteStdout(Reason(ERROR_INVALID_HANDLE));
    }
    const DWORD error = WriteParts(out, parts);
    return error == ERROR_SUCCESS ? Written() : CannotWriteStdout(Reason(error));
  }
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return CannotWrite(shown, "Is a directory");
  }
  // Devices and pipes are written to directly. Opening a pipe takes one of
  // its instances, so the handle that found it is the one that writes.
  win32::ScopedHandle existing(CreateFileW(path.c_str(), GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!existing.valid()) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return CannotWrite(shown, Reason(error));
  } else if (GetFileType(existing.get()) != FILE_TYPE_DISK) {
    DWORD error = WriteParts(existing.get(), parts);
    // Closing may still report an error that the writes did not.
    if (!existing.close() && error == ERROR_SUCCESS) error = GetLastError();
    return error == ERROR_SUCCESS ? Written() : CannotWrite(shown, Reason(error));
  } else {
    existing.reset();
  }
  SetLastError(ERROR_SUCCESS);
  if (files::WriteFileReplacing(path, parts)) return Written();
  const DWORD error = GetLastError();
  return CannotWrite(shown, Reason(error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT));
}

#endif

}  // namespace output_file
