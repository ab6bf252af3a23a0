#pragma once
// Text operations on local paths: trailing separators and the two slash directions.

#include <string>

namespace vu {

// The path with a trailing backslash: empty text stays empty, a path ending in a colon or a
// backslash is returned as it is, a single letter becomes that drive's root ("C" gives "C:\"),
// and any other path gains a backslash.
std::string AddTrailingBackslash(const std::string& path);

std::string BackslashToSlash(const std::string& text);
std::string SlashToBackslash(const std::string& text);

// The folder part of a path: everything up to and including its last backslash or colon; empty
// when it holds neither.
std::string FolderOfPath(const std::string& path);

}  // namespace vu
