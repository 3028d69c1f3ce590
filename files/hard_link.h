// A second name for a file: the system's hard link, where there is one.
#pragma once

#ifdef _WIN32

#include "files/path_name.h"

namespace files {

// Makes `link` a second name for `existing`; false, with the system's error
// set, when refused: on a file system without hard links (FAT32), and on
// the systems before Windows 2000, which have no call for it at all.
bool MakeHardLink(const PathName& link, const PathName& existing);

}  // namespace files

#endif
