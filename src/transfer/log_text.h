#pragma once
// Log files as lists of lines: read back split at any line break, written with CR LF, and
// replaced in one step so that a failed write never leaves a shortened log.

#include <string>
#include <string_view>
#include <vector>

namespace vu {

// Splits at CR LF, CR or LF; a break at the very end starts no further line.
std::vector<std::string> SplitLines(std::string_view text);

// Each entry followed by CR LF. An entry that holds line breaks itself becomes several lines.
std::string JoinLines(const std::vector<std::string>& lines);

// The whole file; raises platform::SystemError when it cannot be read.
std::string ReadLogFile(const std::string& path);

// Replaces the file's content in one step; raises platform::SystemError on failure, leaving the
// old content in place.
void ReplaceLogFile(const std::string& path, std::string_view text);

}  // namespace vu
