#include "platform/file.h"

#include <windows.h>

#include <utility>

#include "platform/system_error.h"

namespace vu::platform {
namespace {

HANDLE AsHandle(File::Handle handle) { return reinterpret_cast<HANDLE>(handle); }

DWORD AccessFlags(FileAccess access) {
    switch (access) {
        case FileAccess::Read: return GENERIC_READ;
        case FileAccess::Write: return GENERIC_WRITE;
        case FileAccess::ReadWrite: return GENERIC_READ | GENERIC_WRITE;
    }
    return 0;
}

DWORD ShareFlags(FileShare share) {
    switch (share) {
        case FileShare::None: return 0;
        case FileShare::Read: return FILE_SHARE_READ;
        case FileShare::ReadWrite: return FILE_SHARE_READ | FILE_SHARE_WRITE;
    }
    return 0;
}

DWORD CreationFlags(FileCreation creation) {
    switch (creation) {
        case FileCreation::OpenExisting: return OPEN_EXISTING;
        case FileCreation::OpenAlways: return OPEN_ALWAYS;
        case FileCreation::CreateAlways: return CREATE_ALWAYS;
    }
    return OPEN_EXISTING;
}

}  // namespace

std::optional<File> File::TryOpen(const std::string& path, FileAccess access, FileShare share,
                                  FileCreation creation, std::uint32_t& error) {
    const HANDLE handle = CreateFileA(path.c_str(), AccessFlags(access), ShareFlags(share), nullptr,
                                      CreationFlags(creation), FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return std::nullopt;
    }
    error = 0;
    return File(reinterpret_cast<Handle>(handle), path);
}

void File::Release() noexcept {
    if (handle_ != -1) CloseHandle(AsHandle(std::exchange(handle_, -1)));
}

std::int64_t File::Size() {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(AsHandle(handle_), &size)) ThrowLastError("Cannot read the size of " + path_);
    return size.QuadPart;
}

std::int64_t File::Position() {
    LARGE_INTEGER zero{};
    LARGE_INTEGER position;
    if (!SetFilePointerEx(AsHandle(handle_), zero, &position, FILE_CURRENT))
        ThrowLastError("Cannot read the position in " + path_);
    return position.QuadPart;
}

void File::Seek(std::int64_t position) {
    LARGE_INTEGER target;
    target.QuadPart = position;
    if (!SetFilePointerEx(AsHandle(handle_), target, nullptr, FILE_BEGIN))
        ThrowLastError("Cannot seek in " + path_);
}

void File::SeekToEnd() {
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(AsHandle(handle_), zero, nullptr, FILE_END))
        ThrowLastError("Cannot seek in " + path_);
}

std::size_t File::Read(void* buffer, std::size_t count) {
    DWORD done = 0;
    if (!ReadFile(AsHandle(handle_), buffer, static_cast<DWORD>(count), &done, nullptr))
        ThrowLastError("Cannot read " + path_);
    return done;
}

void File::Write(const void* buffer, std::size_t count) {
    const auto* bytes = static_cast<const char*>(buffer);
    while (count > 0) {
        DWORD done = 0;
        if (!WriteFile(AsHandle(handle_), bytes, static_cast<DWORD>(count), &done, nullptr))
            ThrowLastError("Cannot write " + path_);
        bytes += done;
        count -= done;
    }
}

void File::Sync() {
    if (!FlushFileBuffers(AsHandle(handle_))) ThrowLastError("Cannot flush " + path_);
}

void File::Close() {
    if (handle_ == -1) return;
    if (!CloseHandle(AsHandle(std::exchange(handle_, -1)))) ThrowLastError("Cannot close " + path_);
}

}  // namespace vu::platform
