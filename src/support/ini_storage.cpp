#include "support/ini_storage.h"

#include <atomic>
#include <chrono>
#include <cstdio>

#include "platform/file.h"
#include "platform/system_error.h"

namespace vu {
namespace {

// A name beside the file that no other writer in this or another process picks at the same time.
std::string TemporaryPathBeside(const std::string& path) {
    static std::atomic<std::uint32_t> counter{0};
    const auto ticks = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const auto unique = static_cast<std::uint32_t>(ticks ^ (ticks >> 32)) ^ (++counter * 0x9E3779B9u);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".~%08X", static_cast<unsigned>(unique));
    return path + suffix;
}

}  // namespace

IniFileContent ReadIniFile(const std::string& path) {
    IniFileContent content;
    content.stamp = platform::StampOf(path);
    std::uint32_t error = 0;
    auto file = platform::File::TryOpen(path, platform::FileAccess::Read, platform::FileShare::ReadWrite,
                                        platform::FileCreation::OpenExisting, error);
    if (!file) {
        if (platform::FileExists(path)) content.error = error;
        return content;
    }
    try {
        char buffer[65536];
        for (std::size_t count; (count = file->Read(buffer, sizeof buffer)) > 0;) {
            if (static_cast<std::int64_t>(content.text.size() + count) > kMaxIniFileSize) {
                content.text.clear();
                content.error = platform::OsErrorCode(platform::OsError::FileTooLarge);
                return content;
            }
            content.text.append(buffer, count);
        }
    } catch (const platform::SystemError& failure) {
        content.text.clear();
        content.error = failure.Code();
    }
    return content;
}

std::uint32_t ReplaceIniFile(const std::string& path, std::string_view text) {
    const auto attributes = platform::ReadAttributes(path);
    if (attributes && (*attributes & platform::kAttributeReadOnly) != 0)
        return platform::OsErrorCode(platform::OsError::AccessDenied);

    const std::string temporary = TemporaryPathBeside(path);
    std::uint32_t error = 0;
    bool written = false;
    {
        auto file = platform::File::TryOpen(temporary, platform::FileAccess::Write, platform::FileShare::None,
                                            platform::FileCreation::CreateAlways, error);
        if (!file) return error;
        try {
            file->Write(text.data(), text.size());
            file->Sync();
            file->Close();
            written = true;
        } catch (const platform::SystemError& failure) {
            error = failure.Code();
        }
    }
    if (written && !platform::RenameOver(temporary, path)) {
        error = platform::LastErrorCode();
        written = false;
    }
    if (!written) platform::RemoveFile(temporary);
    return written ? 0 : error;
}

}  // namespace vu
