#pragma once
// How core paths (backslash separators) meet the operating system's own paths.

#include <string>

namespace vu::platform {

// The OS form of a core path: unchanged on Windows, backslashes turned to slashes on POSIX.
std::string NativePath(const std::string& corePath);
// The core form of an OS path: unchanged on Windows, slashes turned to backslashes on POSIX.
std::string CorePath(const std::string& nativePath);
// A text that is equal for every spelling of one path: absolute, normalised, and case-folded
// where the file system ignores case. Does not touch the file.
std::string PathIdentity(const std::string& corePath);

}  // namespace vu::platform
