#include "platform/path_mapping.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vu::platform {

std::string NativePath(const std::string& corePath) {
    std::string path = corePath;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string CorePath(const std::string& nativePath) {
    std::string path = nativePath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string PathIdentity(const std::string& corePath) {
    const std::filesystem::path native(NativePath(corePath));
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(native, error);
    return (error ? native : absolute).lexically_normal().string();
}

}  // namespace vu::platform
