#include "files/path_name.h"

namespace files {

#ifdef _WIN32
namespace {

// Where the last part of a name begins: after its last separator, or after
// the colon of a drive ("C:name").
std::size_t FileNameStart(const PathName& name) {
  const std::size_t last = name.find_last_of(L"\\/:");
  return last == PathName::npos ? 0 : last + 1;
}

}  // namespace

bool HasFileName(const PathName& name) { return FileNameStart(name) < name.size(); }

PathName WithFileName(const PathName& name, const PathName& file) {
  return name.substr(0, FileNameStart(name)) + file;
}

PathName FileNameOf(const PathName& name) { return name.substr(FileNameStart(name)); }
#else
bool HasFileName(const PathName& name) { return name.has_filename(); }

PathName WithFileName(const PathName& name, const PathName& file) {
  return PathName(name).replace_filename(file);
}

PathName FileNameOf(const PathName& name) { return name.filename(); }
#endif

}  // namespace files
