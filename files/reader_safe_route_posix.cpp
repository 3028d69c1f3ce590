// Native side of the reader-safe route. A rename never waits for a reader,
// so every save writes a new file: there is never a spare, nothing is ever
// pending, and no run leaves a name behind.

#include "files/reader_safe_route.h"

namespace files {

ReaderSafeRoute::ReaderSafeRoute(LinkMaker makeLink) noexcept : makeLink_(makeLink) {}

ReaderSafeRoute::~ReaderSafeRoute() = default;

bool ReaderSafeRoute::Write(const PathName& target, std::span<const ByteRange> parts) noexcept {
  return WriteFileReplacing(target, parts);
}

bool ReaderSafeRoute::Finish() noexcept { return false; }

void ReaderSafeRoute::Clear() noexcept {}

void ReaderSafeRoute::Sweep(const PathName&) noexcept {}

}  // namespace files
