// The parts of the file system service that are the same on every system.
#include "platform/file_system.h"

namespace vu::platform {

bool FileExists(const std::string& path) {
    const auto attributes = ReadAttributes(path);
    return attributes && (*attributes & kAttributeFolder) == 0;
}

bool FolderExists(const std::string& path) {
    const auto attributes = ReadAttributes(path);
    return attributes && (*attributes & kAttributeFolder) != 0;
}

}  // namespace vu::platform
