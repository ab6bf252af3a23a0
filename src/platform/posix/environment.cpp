#include "platform/environment.h"

#include <cstdlib>

namespace vu::platform {

std::optional<std::string> EnvironmentVariable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

}  // namespace vu::platform
