// The names of our own files beside a target: the new files the replacement
// writes and the route's spare.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "files/path_name.h"

namespace files {

// Our own files beside a target are named "~hv", then the writer's process
// id in seven base-32 digits, then one base-32 digit that keeps apart the
// names one process uses at once: 11 characters, never more, so they are
// never longer than "Huevane.Bmp". A folder that can hold the wallpaper's
// path can hold theirs.
constexpr std::size_t kSiblingNameLength = 11;

// A name for a new file beside `target` (temporary or spare) of that form,
// for `processId`. Successive calls cycle through its 32 last digits, so the
// caller still creates it exclusively and tries the next on a clash.
PathName TemporarySibling(const PathName& target, std::uint32_t processId);

// The process id in a name of that form; nothing for any other name.
std::optional<std::uint32_t> SiblingOwner(const PathName& name);

}  // namespace files
