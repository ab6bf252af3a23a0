// The parts of File that are the same on every system.
#include "platform/file.h"

#include <utility>

#include "platform/system_error.h"

namespace vu::platform {

File File::Open(const std::string& path, FileAccess access, FileShare share, FileCreation creation) {
    std::uint32_t error = 0;
    auto file = TryOpen(path, access, share, creation, error);
    if (!file) throw SystemError(error, "Cannot open file " + path);
    return std::move(*file);
}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Release();
        handle_ = std::exchange(other.handle_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

File::~File() { Release(); }

}  // namespace vu::platform
