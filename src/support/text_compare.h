#pragma once
// Comparing texts without regard to case, the way version texts from server lists are
// compared: byte by byte, with only the ASCII letters a to z folded to A to Z.

#include <string_view>

namespace vu {

// Negative, zero or positive as a sorts before, equal to or after b; a text that is a prefix of
// the other sorts first.
int CompareText(std::string_view a, std::string_view b);

}  // namespace vu
