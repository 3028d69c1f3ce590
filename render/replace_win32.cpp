// Windows side of replacing a file: a uniquely named file in the same folder
// moved over the target with MoveFileExW, or a spare file rewritten in place
// and swapped in; and, at start-up, the sweep of what a killed run left.

#include <windows.h>

#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "render/platform.h"
#include "win32/scoped.h"

namespace platform {

namespace {

// Rows are a few KB each; they are gathered into chunks of this size so that
// the file goes out in a handful of large writes, never row by row.
constexpr std::size_t kChunkBytes = 256 * 1024;

bool WriteBlock(HANDLE file, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD done = 0;
    if (!WriteFile(file, data, want, &done, nullptr) || done == 0) return false;
    data += done;
    size -= done;
  }
  return true;
}

bool WriteAll(HANDLE file, std::span<const ByteRange> parts) {
  std::unique_ptr<std::uint8_t[]> chunk(new (std::nothrow) std::uint8_t[kChunkBytes]);
  std::size_t used = 0;
  auto flush = [&] {
    const bool ok = WriteBlock(file, chunk.get(), used);
    used = 0;
    return ok;
  };
  for (const ByteRange& part : parts) {
    if (!chunk || part.size >= kChunkBytes / 2) {
      if (used > 0 && !flush()) return false;
      if (!WriteBlock(file, part.data, part.size)) return false;
      continue;
    }
    if (used + part.size > kChunkBytes && !flush()) return false;
    std::memcpy(chunk.get() + used, part.data, part.size);
    used += part.size;
  }
  return used == 0 || flush();
}

std::uint64_t TotalSize(std::span<const ByteRange> parts) {
  std::uint64_t total = 0;
  for (const ByteRange& part : parts) total += part.size;
  return total;
}

bool NameExists(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

// Removes a name; true when it is gone (or never was).
bool RemoveName(const PathName& name) {
  if (DeleteFileW(name.c_str())) return true;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The whole new file beside `target`, written and closed; empty on failure,
// with nothing left behind.
PathName WriteTemporary(const PathName& target,
                                     std::span<const ByteRange> parts) {
  win32::ScopedHandle file;
  PathName temporary;
  for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
    temporary = TemporarySibling(target, GetCurrentProcessId());
    file.reset(CreateFileW(temporary.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() && !NameExists(GetLastError())) return {};
  }
  if (!file.valid()) return {};
  const bool written = WriteAll(file.get(), parts);
  // A write may fail only when the file is closed.
  const bool closed = file.close();
  if (written && closed) return temporary;
  DeleteFileW(temporary.c_str());
  return {};
}

using CreateHardLinkCall = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPSECURITY_ATTRIBUTES);

// CreateHardLinkW, looked up at run time: the systems before Windows 2000
// have none, and the program must still start there.
bool SystemHardLink(const PathName& link, const PathName& existing) {
  static const CreateHardLinkCall create = [] {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const FARPROC found = kernel != nullptr ? GetProcAddress(kernel, "CreateHardLinkW") : nullptr;
    return reinterpret_cast<CreateHardLinkCall>(reinterpret_cast<void (*)()>(found));
  }();
  if (create == nullptr) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return false;
  }
  return create(link.c_str(), existing.c_str(), nullptr) != 0;
}

}  // namespace

bool WriteFileReplacing(const PathName& target,
                        std::span<const ByteRange> parts) noexcept {
  try {
    if (!HasFileName(target)) return false;
    const PathName temporary = WriteTemporary(target, parts);
    if (temporary.empty()) return false;
    if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    DeleteFileW(temporary.c_str());
    return false;
  } catch (...) {
    return false;
  }
}

SpareRoute::SpareRoute(LinkMaker makeLink) noexcept
    : makeLink_(makeLink != nullptr ? makeLink : SystemHardLink) {}

SpareRoute::~SpareRoute() {
  Drop(pending_);
  Drop(oldName_);
  Drop(spare_);
  RemoveLeftovers();
}

bool SpareRoute::Write(const PathName& target,
                       std::span<const ByteRange> parts) noexcept {
  try {
    RemoveLeftovers();
    if (!HasFileName(target)) return false;
    if (target != target_) {
      // Another target: the spare, made for the old one, is of no use.
      Drop(spare_);
      target_.clear();
    }
    if (pendingTarget_ != target) {
      Drop(pending_);
      Drop(oldName_);
    }
    // A picture that waits for the target is ours, whole and of the right
    // size: rewritten, it is the one to move in, and no other is made.
    PathName written = std::exchange(pending_, {});
    if (!written.empty() && !RewriteInPlace(written, parts)) Drop(written);
    if (written.empty() && !spare_.empty()) {
      written = std::exchange(spare_, {});
      if (!RewriteInPlace(written, parts)) Drop(written);
    }
    if (written.empty()) {
      // A folder of that name is no wallpaper: nothing to write.
      const DWORD attributes = GetFileAttributesW(target.c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        target_.clear();
        return false;
      }
      written = WriteTemporary(target, parts);
      if (written.empty()) {
        // No new name to be had: the target itself, in place, as the last
        // resort (see MoveIn).
        const bool rewritten = RewriteInPlace(target, parts);
        if (rewritten) target_ = target;
        return rewritten;
      }
    }
    return MoveIn(std::move(written), target, parts, target == target_, true);
  } catch (...) {
    return false;
  }
}

bool SpareRoute::Finish(bool wait) noexcept {
  try {
    RemoveLeftovers();
    if (pending_.empty()) return false;
    return MoveIn(std::exchange(pending_, {}), pendingTarget_, {}, false, wait);
  } catch (...) {
    return false;
  }
}

// Writes the whole picture over `file`, which must be one of the same size
// with no other name: someone else's file (the wallpaper, say, or another
// copy's spare) that is this very file must not change. Nobody else may read
// it half-written, nor write it meanwhile.
bool SpareRoute::RewriteInPlace(const PathName& file,
                                std::span<const ByteRange> parts) {
  win32::ScopedHandle handle(CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.valid()) return false;
  BY_HANDLE_FILE_INFORMATION facts{};
  const bool fits =
      GetFileInformationByHandle(handle.get(), &facts) && facts.nNumberOfLinks == 1 &&
      (facts.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0 &&
      ((static_cast<std::uint64_t>(facts.nFileSizeHigh) << 32) | facts.nFileSizeLow) ==
          TotalSize(parts);
  const bool written = fits && WriteAll(handle.get(), parts);
  // A write may fail only when the file is closed.
  return handle.close() && written;
}

// Moves the whole picture `written` over `target`. With `keepOld` the file it
// replaces stays, under a second name, as the next spare.
//
// A refused move has three causes, told apart by asking for the target
// alone: a reader holds it (the exclusive open is refused too), the folder
// takes no change although nobody holds it (the open succeeds), or anything
// else. A reader is waited for, up to kHeldTries tries with `wait`; after
// that the picture stays pending and nothing is written again. Only where
// the folder refuses is the target rewritten in place: that route comes
// last because a rewrite cut short by a crash or a full disk would leave a
// torn picture, where every other route leaves the old one whole.
bool SpareRoute::MoveIn(PathName written, const PathName& target,
                        std::span<const ByteRange> parts, bool keepOld, bool wait) {
  // Ten tries over about a quarter of a second: a scanner's look at a new
  // file is over by then, and the program is not kept from its window long.
  constexpr int kHeldTries = 10;
  constexpr DWORD kHeldPauseMs = 25;
  // Made once: while the target is held, the name stays, and a picture that
  // lands later still leaves the old file as the spare.
  if (keepOld && spare_.empty() && oldName_.empty()) oldName_ = SecondName(target);
  // A reader may let go between the refused move and the look at the
  // target: a target found free is given one more move before the folder
  // is taken to refuse it.
  bool lookedAgain = false;
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExW(written.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      if (spare_.empty()) {
        spare_ = std::exchange(oldName_, {});
      } else {
        Drop(oldName_);
      }
      target_ = target;
      return true;
    }
    const DWORD refusal = GetLastError();
    if (refusal != ERROR_ACCESS_DENIED && refusal != ERROR_SHARING_VIOLATION) break;
    win32::ScopedHandle alone(CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!alone.valid() && GetLastError() == ERROR_SHARING_VIOLATION) {
      if (wait && attempt < kHeldTries) {
        Sleep(kHeldPauseMs);
        continue;
      }
      pending_ = std::move(written);
      pendingTarget_ = target;
      return false;
    }
    if (!alone.valid()) break;
    alone.reset();
    if (!lookedAgain) {
      lookedAgain = true;
      continue;
    }
    // The target must have one name to be rewritten in place.
    Drop(oldName_);
    if (!RewriteInPlace(target, parts)) break;
    // The folder keeps our picture's name: it stays as the spare.
    if (spare_.empty()) {
      spare_ = std::move(written);
    } else {
      Drop(written);
    }
    target_ = target;
    return true;
  }
  Drop(oldName_);
  Drop(written);
  target_.clear();
  return false;
}

// A new name of our own for the file `existing` names; empty when the system
// refuses (no hard links, no such file, any error).
PathName SpareRoute::SecondName(const PathName& existing) {
  for (int attempt = 0; attempt < 32; ++attempt) {
    PathName name = TemporarySibling(existing, GetCurrentProcessId());
    if (makeLink_(name, existing)) return name;
    if (!NameExists(GetLastError())) break;
  }
  return {};
}

// Removes a name of ours now, or as soon as nobody holds it.
void SpareRoute::Drop(PathName& name) noexcept {
  if (name.empty()) return;
  try {
    if (!RemoveName(name)) leftovers_.push_back(name);
  } catch (...) {
  }
  name.clear();
}

void SpareRoute::RemoveLeftovers() noexcept {
  std::erase_if(leftovers_, [](const PathName& name) { return RemoveName(name); });
}

namespace {

std::uint64_t Ticks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

bool WriterIsRunning(std::uint32_t processId, std::uint64_t lastWrite) noexcept {
  const win32::ScopedHandle process(
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process.valid()) {
    // One we may not open exists all the same; when it started is unknown.
    return GetLastError() == ERROR_ACCESS_DENIED;
  }
  if (WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT) return false;
  FILETIME created, exited, kernel, user;
  if (lastWrite == 0 || !GetProcessTimes(process.get(), &created, &exited, &kernel, &user)) {
    return true;
  }
  // FAT keeps the time of a write to 2 seconds: a writer that started within
  // them may show as started after its own write.
  constexpr std::uint64_t kFileTimeGrain = 2 * 10'000'000ull;
  return Ticks(created) <= lastWrite + kFileTimeGrain;
}

void RemoveLeftoverSaves(const PathName& target) noexcept {
  try {
    if (!HasFileName(target)) return;
    const PathName pattern = WithFileName(target, L"~hv*");
    std::vector<std::pair<PathName, std::uint64_t>> found;
    WIN32_FIND_DATAW entry;
    {
      const win32::ScopedFind search(FindFirstFileW(pattern.c_str(), &entry));
      if (!search.valid()) return;
      do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
          found.emplace_back(WithFileName(target, entry.cFileName), Ticks(entry.ftLastWriteTime));
        }
      } while (FindNextFileW(search.get(), &entry));
    }
    const DWORD self = GetCurrentProcessId();
    for (const auto& [name, lastWrite] : found) {
      const std::optional<std::uint32_t> owner = SiblingOwner(name);
      if (!owner) continue;
      // Our own id can only be a dead run's that had it before us. A file
      // still open, whoever holds it, refuses to go.
      if (*owner != self && WriterIsRunning(*owner, lastWrite)) continue;
      DeleteFileW(name.c_str());
    }
  } catch (...) {
  }
}

}  // namespace platform
