#pragma once
// Number formatting conventions of the user's locale.

#include <string>

namespace vu::platform {

// The decimal separator of the user's locale ("." or "," for most); "." when it cannot be read.
// Safe to call from any thread; never changes the process locale.
std::string DecimalSeparator();

}  // namespace vu::platform
