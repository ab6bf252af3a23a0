#include "platform/environment.h"

#include <windows.h>

#include <vector>

namespace vu::platform {

std::optional<std::string> EnvironmentVariable(const std::string& name) {
    // The value may change between the size query and the read: ask again until it fits.
    std::vector<char> buffer(256);
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableA(name.c_str(), buffer.data(),
                                                     static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            return std::string();
        }
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.assign(length + 1, '\0');
    }
}

}  // namespace vu::platform
