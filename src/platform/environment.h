#pragma once
// Environment variables of the current process.

#include <optional>
#include <string>

namespace vu::platform {

// The value of the named environment variable; none when it is not set.
std::optional<std::string> EnvironmentVariable(const std::string& name);

}  // namespace vu::platform
