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
bool RemoveName(const std::filesystem::path& name) {
  if (DeleteFileW(name.c_str())) return true;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The whole new file beside `target`, written and closed; empty on failure,
// with nothing left behind.
std::filesystem::path WriteTemporary(const std::filesystem::path& target,
                                     std::span<const ByteRange> parts) {
  win32::ScopedHandle file;
  std::filesystem::path temporary;
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
bool SystemHardLink(const std::filesystem::path& link, const std::filesystem::path& existing) {
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

bool WriteFileReplacing(const std::filesystem::path& target,
                        std::span<const ByteRange> parts) noexcept {
  try {
    if (!target.has_filename()) return false;
    const std::filesystem::path temporary = WriteTemporary(target, parts);
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
  DropSpare();
  RemoveLeftovers();
}

bool SpareRoute::Write(const std::filesystem::path& target,
                       std::span<const ByteRange> parts) noexcept {
  try {
    RemoveLeftovers();
    if (!target.has_filename()) return false;
    if (target != target_) {
      // Another target: the spare, made for the old one, is of no use.
      DropSpare();
      target_.clear();
    }
    if (!spare_.empty()) {
      if (RewriteSpare(target, parts)) return true;
      DropSpare();
    }
    const bool keepOld = !target_.empty();
    target_.clear();
    if (!WriteFresh(target, parts, keepOld)) return false;
    target_ = target;
    return true;
  } catch (...) {
    return false;
  }
}

// The spare route proper. False when any step is refused; the target is
// then as it was, and the caller drops the spare.
bool SpareRoute::RewriteSpare(const std::filesystem::path& target,
                              std::span<const ByteRange> parts) {
  // Nobody else may read it half-written, nor write it meanwhile.
  win32::ScopedHandle file(CreateFileW(spare_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  BY_HANDLE_FILE_INFORMATION facts{};
  // A second name would mean that someone else's file (the wallpaper, say,
  // or another copy's spare) is this very file: it must not change.
  const bool fits =
      GetFileInformationByHandle(file.get(), &facts) && facts.nNumberOfLinks == 1 &&
      (facts.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0 &&
      ((static_cast<std::uint64_t>(facts.nFileSizeHigh) << 32) | facts.nFileSizeLow) ==
          TotalSize(parts);
  const bool written = fits && WriteAll(file.get(), parts);
  const bool closed = file.close();
  if (!written || !closed) return false;
  // The spare is whole now. Where the old file can get no second name, it
  // goes when the spare replaces it, and the next save writes a new file.
  const std::filesystem::path next = SecondName(target);
  if (!MoveFileExW(spare_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    if (!next.empty() && !RemoveName(next)) leftovers_.push_back(next);
    return false;
  }
  spare_ = next;
  return true;
}

// Today's route: a new temporary file moved over the target. With `keepOld`
// the file it replaces stays, under a second name, as the next spare.
bool SpareRoute::WriteFresh(const std::filesystem::path& target, std::span<const ByteRange> parts,
                            bool keepOld) {
  const std::filesystem::path temporary = WriteTemporary(target, parts);
  if (temporary.empty()) return false;
  const std::filesystem::path old = keepOld ? SecondName(target) : std::filesystem::path();
  if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(temporary.c_str());
    if (!old.empty() && !RemoveName(old)) leftovers_.push_back(old);
    return false;
  }
  spare_ = old;
  return true;
}

// A new name of our own for the file `existing` names; empty when the system
// refuses (no hard links, no such file, any error).
std::filesystem::path SpareRoute::SecondName(const std::filesystem::path& existing) {
  for (int attempt = 0; attempt < 32; ++attempt) {
    std::filesystem::path name = TemporarySibling(existing, GetCurrentProcessId());
    if (makeLink_(name, existing)) return name;
    if (!NameExists(GetLastError())) break;
  }
  return {};
}

void SpareRoute::DropSpare() noexcept {
  if (spare_.empty()) return;
  try {
    if (!RemoveName(spare_)) leftovers_.push_back(spare_);
  } catch (...) {
  }
  spare_.clear();
}

void SpareRoute::RemoveLeftovers() noexcept {
  std::erase_if(leftovers_, [](const std::filesystem::path& name) { return RemoveName(name); });
}

bool ProcessIsRunning(std::uint32_t processId) noexcept {
  const win32::ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  if (!process.valid()) {
    // One we may not open exists all the same.
    return GetLastError() == ERROR_ACCESS_DENIED;
  }
  return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

void RemoveLeftoverSaves(const std::filesystem::path& target) noexcept {
  try {
    if (!target.has_filename()) return;
    std::filesystem::path pattern = target;
    pattern.replace_filename(L"~hv*");
    std::vector<std::filesystem::path> found;
    WIN32_FIND_DATAW entry;
    {
      const win32::ScopedFind search(FindFirstFileW(pattern.c_str(), &entry));
      if (!search.valid()) return;
      do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
          std::filesystem::path name = target;
          name.replace_filename(entry.cFileName);
          found.push_back(std::move(name));
        }
      } while (FindNextFileW(search.get(), &entry));
    }
    const DWORD self = GetCurrentProcessId();
    for (const std::filesystem::path& name : found) {
      const std::optional<std::uint32_t> owner = SiblingOwner(name);
      if (!owner) continue;
      // Our own id can only be a dead run's that had it before us. A file
      // still open, whoever holds it, refuses to go.
      if (*owner != self && ProcessIsRunning(*owner)) continue;
      DeleteFileW(name.c_str());
    }
  } catch (...) {
  }
}

}  // namespace platform
