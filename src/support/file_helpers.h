#pragma once
// File operations the job stages share: sizes, the read-only attribute, replacing a file through
// a backup name, and copying a log aside. Failures are reported by results, never raised.

#include <cstdint>
#include <string>

namespace vu {

// Size in bytes of the file at path, opened for reading while readers and writers may share it;
// -1 when it cannot be opened (missing, a folder, locked).
std::int64_t FileSizeOf(const std::string& path);

// Clears the read-only attribute of the file or folder at path when it carries it, keeping every
// other attribute. Failures are ignored.
void ClearReadOnly(const std::string& path);

// Puts the source file in the target's place, moving the old target aside to target + ".bak"
// first and deleting that backup once the source is in place. Results:
//    1  done;
//    0  no source file (nothing changes);
//   -1  the source could not be renamed to the target; a target that had been moved aside is
//       renamed back, so it keeps its old content;
//   -3  the old target could be neither moved aside nor deleted (the source is untouched).
std::int32_t MoveFileOver(const std::string& source, const std::string& target);

// When a file exists at path and lowerBound < its size < upperBound, copies it to path + ".bk"
// (overwriting, read-only attributes cleared first) and returns true whether or not the copy
// succeeded. Otherwise returns false and changes nothing.
bool BackupIfInSizeRange(const std::string& path, std::int64_t lowerBound, std::int64_t upperBound);

}  // namespace vu
