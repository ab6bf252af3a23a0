#include "support/file_helpers.h"

#include <exception>

#include "platform/file.h"
#include "platform/file_system.h"

namespace vu {

std::int64_t FileSizeOf(const std::string& path) {
    std::uint32_t error = 0;
    auto file = platform::File::TryOpen(path, platform::FileAccess::Read, platform::FileShare::ReadWrite,
                                        platform::FileCreation::OpenExisting, error);
    if (!file) return -1;
    try {
        return file->Size();
    } catch (const std::exception&) {
        return -1;
    }
}

void ClearReadOnly(const std::string& path) {
    const auto attributes = platform::ReadAttributes(path);
    if (!attributes || (*attributes & platform::kAttributeReadOnly) == 0) return;
    platform::WriteAttributes(path, *attributes & ~platform::kAttributeReadOnly);
}

std::int32_t MoveFileOver(const std::string& source, const std::string& target) {
    const std::string backup = target + ".bak";
    if (!platform::FileExists(source)) return 0;
    ClearReadOnly(source);
    if (platform::FileExists(backup)) {
        ClearReadOnly(backup);
        platform::RemoveFile(backup);
    }
    ClearReadOnly(target);
    bool movedAside = false;
    if (platform::FileExists(target)) {
        movedAside = platform::RenameFile(target, backup);
        if (!movedAside && !platform::RemoveFile(target)) return -3;
    }
    if (!platform::RenameFile(source, target)) {
        // Put the old content back under its own name rather than leave it as a stray backup.
        if (movedAside) platform::RenameFile(backup, target);
        return -1;
    }
    platform::RemoveFile(backup);
    return 1;
}

bool BackupIfInSizeRange(const std::string& path, std::int64_t lowerBound, std::int64_t upperBound) {
    if (!platform::FileExists(path)) return false;
    const std::int64_t size = FileSizeOf(path);
    if (size < 0 || size <= lowerBound || size >= upperBound) return false;
    const std::string backup = path + ".bk";
    ClearReadOnly(backup);
    ClearReadOnly(path);
    platform::CopyFileTo(path, backup, true);
    return true;
}

}  // namespace vu
