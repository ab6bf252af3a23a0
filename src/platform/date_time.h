#pragma once
// Local date and time as the system shows it.

#include <string>

namespace vu::platform {

// The current local date and time: the system's short date format, a space, its long time format.
std::string LocalDateTimeText();

}  // namespace vu::platform
