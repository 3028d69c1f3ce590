// Windows side of writing a file of ours beside a target, shared by the
// new-file route (replace_win32.cpp) and the reader-safe route
// (reader_safe_route_win32.cpp).
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

#include "files/replace.h"

namespace files::win32_files {

// Writes every range, in order, in a handful of large writes.
bool WriteAll(HANDLE file, std::span<const ByteRange> parts);

std::uint64_t TotalSize(std::span<const ByteRange> parts);

bool NameExists(DWORD error);

// Removes a name; true when it is gone (or never was).
bool RemoveName(const PathName& name);

// The whole new file beside `target`, written and closed; empty on failure,
// with nothing left behind.
PathName WriteTemporary(const PathName& target, std::span<const ByteRange> parts);

}  // namespace files::win32_files
