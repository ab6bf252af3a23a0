#pragma once
// Whole INI files on disk: read at once, replaced at once.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace vu {

// Largest INI file read; a record of 100,000 keys takes a few megabytes.
constexpr std::int64_t kMaxIniFileSize = 64 * 1024 * 1024;

struct IniFileContent {
    std::string text;
    platform::FileStamp stamp;  // of the file as it was before reading
    std::uint32_t error = 0;    // the file exists but cannot be read, or is over the size cap
};

// The file's bytes; a missing file (or folder) reads as empty without error.
IniFileContent ReadIniFile(const std::string& path);

// Replaces the file's content in one step: writes a temporary file beside it, makes it durable
// and renames it over the file, so the file always holds either its old or its new content.
// Returns 0 or the OS error code; on failure the file is untouched and the temporary file gone.
// A read-only file is refused, as the system refuses to write it.
std::uint32_t ReplaceIniFile(const std::string& path, std::string_view text);

}  // namespace vu
