// What a killed run left beside the wallpaper: files of our naming whose
// writer is gone, swept before this process saves there.
#pragma once

#ifdef _WIN32

#include <cstdint>

#include "files/path_name.h"

namespace files {

// Before this process saves anything there: removes the files of our
// naming beside `target` that a killed run left. A file whose writer
// still runs, or that is open, is left alone.
void RemoveLeftoverSaves(const PathName& target) noexcept;

// Whether the process with that id runs now and may have written a file last
// written at `lastWrite` (a FILETIME, in 100 ns units since 1601; 0 for any
// time): one that started after the file was written has only taken the id
// of the dead writer.
bool WriterIsRunning(std::uint32_t processId, std::uint64_t lastWrite = 0) noexcept;

}  // namespace files

#endif
