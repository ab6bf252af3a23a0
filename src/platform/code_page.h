#pragma once
// The system's ANSI code page and conversions from it.

#include <cstdint>
#include <string>

namespace vu::platform {

// The ANSI code page number (1252, 936, ...). On POSIX it follows the locale variables the way
// Wine does: zh_CN gives 936, zh_TW 950, ja 932, ko 949, anything else 1252.
std::uint32_t AnsiCodePage();

// Converts ANSI text to UTF-8; bytes that do not convert become U+FFFD.
std::string AnsiToUtf8(const std::string& ansi);

}  // namespace vu::platform
