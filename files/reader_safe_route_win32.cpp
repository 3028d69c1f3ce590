// Windows side of the reader-safe route: a spare file rewritten in place and
// swapped in, a picture a reader holds back kept pending, and the names of
// ours it leaves removed as soon as nobody holds them.

#include "files/reader_safe_route.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "files/hard_link.h"
#include "files/leftovers.h"
#include "files/replace_win32.h"
#include "files/sibling_names.h"
#include "win32/scoped.h"

namespace files {

using win32_files::NameExists;
using win32_files::RemoveName;
using win32_files::TotalSize;
using win32_files::WriteAll;
using win32_files::WriteTemporary;

namespace {

// A folder or a read-only file in the target's place takes no picture.
bool TakesNoPicture(const PathName& target) {
  const DWORD attributes = GetFileAttributesW(target.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0;
}

// The whole of a file of ours; empty when it cannot be read.
std::vector<std::uint8_t> ReadWhole(const PathName& file) {
  win32::ScopedHandle handle(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!handle.valid() || !GetFileSizeEx(handle.get(), &size) || size.HighPart != 0) return {};
  std::vector<std::uint8_t> bytes(size.LowPart);
  DWORD read = 0;
  if (!ReadFile(handle.get(), bytes.data(), size.LowPart, &read, nullptr) || read != size.LowPart) {
    return {};
  }
  return bytes;
}

// Writes the whole picture over `file`, which must be one of the same size
// with no other name: someone else's file (the wallpaper, say, or another
// copy's spare) that is this very file must not change. Nobody else may read
// it half-written, nor write it meanwhile.
bool RewriteInPlace(const PathName& file, std::span<const ByteRange> parts) {
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

}  // namespace

ReaderSafeRoute::ReaderSafeRoute(LinkMaker makeLink) noexcept
    : makeLink_(makeLink != nullptr ? makeLink : MakeHardLink) {}

ReaderSafeRoute::~ReaderSafeRoute() { Clear(); }

void ReaderSafeRoute::Clear() noexcept {
  Drop(pending_);
  Drop(oldName_);
  Drop(spare_);
  RemoveLeftovers();
  leftovers_.clear();
  target_.clear();
  pendingTarget_.clear();
  folderRefusals_ = 0;
}

void ReaderSafeRoute::Sweep(const PathName& target) noexcept { RemoveLeftoverSaves(target); }

bool ReaderSafeRoute::Write(const PathName& target, std::span<const ByteRange> parts) noexcept {
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
      // Asked only when no file of ours is at hand: a quiet desktop's saves
      // never pay for it.
      if (TakesNoPicture(target)) {
        target_.clear();
        return false;
      }
      written = WriteTemporary(target, parts);
      if (written.empty()) {
        // No new name to be had: the target itself, in place, as the last
        // resort (see Overwrite).
        const bool rewritten = RewriteInPlace(target, parts);
        if (rewritten) target_ = target;
        return rewritten;
      }
    }
    return MoveIn(std::move(written), target, parts,
                  target == target_ ? OldFile::kKeep : OldFile::kDrop);
  } catch (...) {
    return false;
  }
}

bool ReaderSafeRoute::Finish() noexcept {
  try {
    RemoveLeftovers();
    if (pending_.empty()) return false;
    // The picture's bytes are in its file: an overwrite reads them there.
    return MoveIn(std::exchange(pending_, {}), pendingTarget_, {}, OldFile::kDrop);
  } catch (...) {
    return false;
  }
}

// Moves the whole picture `written` over `target`, once, with no wait: a
// picture the target refuses stays pending (see Pend), and the caller tries
// again later. `parts` are its bytes; empty, they are read from `written`.
bool ReaderSafeRoute::MoveIn(PathName written, const PathName& target,
                             std::span<const ByteRange> parts, OldFile old) {
  // Made once: while the target is held, the name stays, and a picture that
  // lands later still leaves the old file as the spare.
  if (old == OldFile::kKeep && spare_.empty() && oldName_.empty()) oldName_ = SecondName(target);
  if (MoveFileExW(written.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return Landed(target);
  }
  switch (SortRefusal(target)) {
    case Refusal::kHeld: folderRefusals_ = 0; return Pend(std::move(written), target);
    case Refusal::kFolder:
      if (++folderRefusals_ < kFolderEvidence) return Pend(std::move(written), target);
      return Overwrite(std::move(written), target, parts);
    case Refusal::kOther: break;
  }
  // A picture that was pending stays so: the newest picture is never lost.
  if (parts.empty()) return Pend(std::move(written), target);
  Drop(oldName_);
  Drop(written);
  target_.clear();
  return false;
}

// A refused move has three causes, told apart by asking for the target
// alone: a reader holds it (the exclusive open is refused too), the folder
// takes no change although nobody holds it (the open succeeds), or anything
// else.
ReaderSafeRoute::Refusal ReaderSafeRoute::SortRefusal(const PathName& target) const {
  const DWORD refusal = GetLastError();
  if (refusal != ERROR_ACCESS_DENIED && refusal != ERROR_SHARING_VIOLATION) return Refusal::kOther;
  const win32::ScopedHandle alone(CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                              nullptr));
  if (alone.valid()) return Refusal::kFolder;
  return GetLastError() == ERROR_SHARING_VIOLATION ? Refusal::kHeld : Refusal::kOther;
}

bool ReaderSafeRoute::Landed(const PathName& target) {
  if (spare_.empty()) {
    spare_ = std::exchange(oldName_, {});
  } else {
    Drop(oldName_);
  }
  target_ = target;
  folderRefusals_ = 0;
  return true;
}

// Keeps the whole picture until the target is free; nothing is written again
// for it.
bool ReaderSafeRoute::Pend(PathName written, const PathName& target) {
  pending_ = std::move(written);
  pendingTarget_ = target;
  return false;
}

// The folder refuses every change: the target is rewritten in place. This
// route comes last because a rewrite cut short by a crash or a full disk
// would leave a torn picture, where every other route leaves the old one
// whole. Should that fail too, the picture stays pending.
bool ReaderSafeRoute::Overwrite(PathName written, const PathName& target,
                                std::span<const ByteRange> parts) {
  std::vector<std::uint8_t> kept;
  ByteRange whole{};
  if (parts.empty()) {
    kept = ReadWhole(written);
    if (kept.empty()) return Pend(std::move(written), target);
    whole = {kept.data(), kept.size()};
    parts = {&whole, 1};
  }
  // The target must have one name to be rewritten in place.
  Drop(oldName_);
  if (!RewriteInPlace(target, parts)) return Pend(std::move(written), target);
  // The folder keeps our picture's name: it stays as the spare.
  if (spare_.empty()) {
    spare_ = std::move(written);
  } else {
    Drop(written);
  }
  target_ = target;
  return true;
}

// A new name of our own for the file `existing` names; empty when the system
// refuses (no hard links, no such file, any error).
PathName ReaderSafeRoute::SecondName(const PathName& existing) {
  for (int attempt = 0; attempt < 32; ++attempt) {
    PathName name = TemporarySibling(existing, GetCurrentProcessId());
    if (makeLink_(name, existing)) return name;
    if (!NameExists(GetLastError())) break;
  }
  return {};
}

// Removes a name of ours now, or as soon as nobody holds it.
void ReaderSafeRoute::Drop(PathName& name) noexcept {
  if (name.empty()) return;
  try {
    if (!RemoveName(name)) leftovers_.push_back(name);
  } catch (...) {
  }
  name.clear();
}

void ReaderSafeRoute::RemoveLeftovers() noexcept {
  std::erase_if(leftovers_, [](const PathName& name) { return RemoveName(name); });
}

}  // namespace files
