#include <atomic>
#include <string>

#include "render/platform.h"

namespace platform {

namespace {
std::atomic<unsigned> temporaryCounter{0};
}

std::filesystem::path TemporarySibling(const std::filesystem::path& target,
                                       std::uint32_t processId) {
  std::string suffix = ".";
  suffix += std::to_string(processId);
  suffix += '-';
  suffix += std::to_string(temporaryCounter.fetch_add(1));
  suffix += ".tmp";
  std::filesystem::path name = target;
  name += suffix;
  return name;
}

}  // namespace platform
