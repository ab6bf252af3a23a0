#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/path_mapping.h"
#include "platform/system_error.h"

namespace vu::platform {
namespace {

int OpenFlags(FileAccess access, FileCreation creation) {
    int flags = O_CLOEXEC;
    switch (access) {
        case FileAccess::Read: flags |= O_RDONLY; break;
        case FileAccess::Write: flags |= O_WRONLY; break;
        case FileAccess::ReadWrite: flags |= O_RDWR; break;
    }
    switch (creation) {
        case FileCreation::OpenExisting: break;
        case FileCreation::OpenAlways: flags |= O_CREAT; break;
        case FileCreation::CreateAlways: flags |= O_CREAT | O_TRUNC; break;
    }
    return flags;
}

}  // namespace

std::optional<File> File::TryOpen(const std::string& path, FileAccess access, FileShare /*share*/,
                                  FileCreation creation, std::uint32_t& error) {
    const int fd = ::open(NativePath(path).c_str(), OpenFlags(access, creation), 0644);
    if (fd < 0) {
        error = static_cast<std::uint32_t>(errno);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        error = EISDIR;
        return std::nullopt;
    }
    error = 0;
    return File(fd, path);
}

void File::Release() noexcept {
    if (handle_ != -1) ::close(static_cast<int>(std::exchange(handle_, -1)));
}

std::int64_t File::Size() {
    struct stat info {};
    if (::fstat(static_cast<int>(handle_), &info) != 0) ThrowLastError("Cannot read the size of " + path_);
    return info.st_size;
}

std::int64_t File::Position() {
    const off_t position = ::lseek(static_cast<int>(handle_), 0, SEEK_CUR);
    if (position < 0) ThrowLastError("Cannot read the position in " + path_);
    return position;
}

void File::Seek(std::int64_t position) {
    if (::lseek(static_cast<int>(handle_), position, SEEK_SET) < 0) ThrowLastError("Cannot seek in " + path_);
}

void File::SeekToEnd() {
    if (::lseek(static_cast<int>(handle_), 0, SEEK_END) < 0) ThrowLastError("Cannot seek in " + path_);
}

std::size_t File::Read(void* buffer, std::size_t count) {
    for (;;) {
        const ssize_t done = ::read(static_cast<int>(handle_), buffer, count);
        if (done >= 0) return static_cast<std::size_t>(done);
        if (errno != EINTR) ThrowLastError("Cannot read " + path_);
    }
}

void File::Write(const void* buffer, std::size_t count) {
    const auto* bytes = static_cast<const char*>(buffer);
    while (count > 0) {
        const ssize_t done = ::write(static_cast<int>(handle_), bytes, count);
        if (done < 0) {
            if (errno == EINTR) continue;
            ThrowLastError("Cannot write " + path_);
        }
        bytes += done;
        count -= static_cast<std::size_t>(done);
    }
}

void File::Sync() {
    if (::fsync(static_cast<int>(handle_)) != 0) ThrowLastError("Cannot flush " + path_);
}

void File::Close() {
    if (handle_ == -1) return;
    if (::close(static_cast<int>(std::exchange(handle_, -1))) != 0) ThrowLastError("Cannot close " + path_);
}

}  // namespace vu::platform
