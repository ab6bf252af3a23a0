#pragma once
// One line of a package list: fields separated by TAB, checked before anything acts on them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vu {

struct PackageLine {
    std::string entryName;  // field 1, with its marker characters
    std::string digest;     // field 2, as listed
    std::int64_t size = -1; // field 3; -1 when missing or not a number
};

// The fields of the line after blanks and control characters around it are trimmed; none when
// it holds fewer than two fields.
std::optional<PackageLine> ParsePackageLine(std::string_view line);

// True for 32 hexadecimal digits of either case.
bool IsDigestText(std::string_view text);

// True when a local name joined to a folder names a file inside it: not empty, no empty
// component (so no trailing separator), none that leads out of the folder (a root, a drive, a
// stream, "..", see IsContainedRelativePath), no control character and no component that
// Windows takes for a device (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$,
// with any extension).
bool IsSafeLocalName(std::string_view localName);

}  // namespace vu
