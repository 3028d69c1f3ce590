// A file's name as the system spells it.
#pragma once

#include <string>
#ifndef _WIN32
#include <filesystem>
#endif

namespace files {

#ifdef _WIN32
// UTF-16, as the wide calls take it. Not std::filesystem::path: its library
// code converts through the C++ locales, and would bring over half a
// megabyte of locale machinery into every program for conversions that
// nothing here makes.
using PathName = std::wstring;
#else
using PathName = std::filesystem::path;
#endif
// A name's characters as a plain string, on either system.
using PathChars = std::basic_string<PathName::value_type>;

// Whether `name` ends in a file's name rather than a separator (or nothing).
bool HasFileName(const PathName& name);

// `name` with its last part, after the last separator, replaced by `file`.
PathName WithFileName(const PathName& name, const PathName& file);

// The last part of `name`, after the last separator.
PathName FileNameOf(const PathName& name);

}  // namespace files
