#include "files/sibling_names.h"

#include <atomic>
#include <string>

namespace files {

namespace {

std::atomic<unsigned> temporaryCounter{0};

// Lower case only: the names are made here, so anything else is not ours.
constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuv";
constexpr char kPrefix[] = "~hv";
constexpr std::size_t kPrefixLength = sizeof(kPrefix) - 1;
constexpr int kProcessDigits = 7;  // 35 bits: any 32-bit id

// Works on the system's own characters (UTF-16 on Windows): no conversion,
// so no name can make it fail.
int DigitValue(PathName::value_type c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'v') return static_cast<int>(c - 'a') + 10;
  return -1;
}

}  // namespace

PathName TemporarySibling(const PathName& target, std::uint32_t processId) {
  PathChars name(kPrefix, kPrefix + kPrefixLength);
  for (int digit = kProcessDigits - 1; digit >= 0; --digit) {
    name += static_cast<PathName::value_type>(kDigits[(processId >> (5 * digit)) & 31u]);
  }
  name += static_cast<PathName::value_type>(kDigits[temporaryCounter.fetch_add(1) & 31u]);
  return WithFileName(target, name);
}

std::optional<std::uint32_t> SiblingOwner(const PathName& name) {
  const PathChars text = FileNameOf(name);
  if (text.size() != kSiblingNameLength) return std::nullopt;
  for (std::size_t i = 0; i < kPrefixLength; ++i) {
    if (text[i] != static_cast<PathName::value_type>(kPrefix[i])) {
      return std::nullopt;
    }
  }
  std::uint64_t id = 0;
  for (std::size_t i = kPrefixLength; i < text.size(); ++i) {
    const int value = DigitValue(text[i]);
    if (value < 0) return std::nullopt;
    if (i < kPrefixLength + kProcessDigits) id = id * 32 + static_cast<std::uint64_t>(value);
  }
  if (id > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<std::uint32_t>(id);
}

}  // namespace files
