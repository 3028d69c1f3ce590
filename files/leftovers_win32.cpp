// Windows side of the start-up sweep: the files of our naming that a killed
// run left beside the wallpaper, removed unless their writer still runs.

#include "files/leftovers.h"

#include <windows.h>

#include <optional>
#include <utility>
#include <vector>

#include "files/sibling_names.h"
#include "win32/scoped.h"

namespace files {

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

}  // namespace files
