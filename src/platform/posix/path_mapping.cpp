#include "platform/path_mapping.h"

#include <algorithm>

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

}  // namespace vu::platform
