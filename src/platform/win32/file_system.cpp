#include "platform/file_system.h"

#include <windows.h>

#include <memory>

namespace vu::platform {
namespace {

struct FindCloser {
    void operator()(HANDLE handle) const noexcept { FindClose(handle); }
};
using FindHandle = std::unique_ptr<void, FindCloser>;

std::int64_t Combine(DWORD high, DWORD low) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

}  // namespace

std::optional<std::uint32_t> ReadAttributes(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return attributes;
}

bool WriteAttributes(const std::string& path, std::uint32_t attributes) {
    return SetFileAttributesA(path.c_str(), attributes) != 0;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool RenameFile(const std::string& from, const std::string& to) {
    return MoveFileA(from.c_str(), to.c_str()) != 0;
}

bool RenameOver(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool CopyFileTo(const std::string& from, const std::string& to, bool overwrite) {
    return CopyFileA(from.c_str(), to.c_str(), overwrite ? FALSE : TRUE) != 0;
}

bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool MakeFolders(const std::string& path) {
    std::string folder = path;
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    if (folder.empty() || FolderExists(folder)) return !folder.empty();
    const auto cut = folder.find_last_of("\\/");
    if (cut != std::string::npos && cut > 0 && folder[cut - 1] != ':' && !MakeFolders(folder.substr(0, cut)))
        return false;
    return MakeFolder(folder) || FolderExists(folder);
}

bool RemoveFolder(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder) {
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
    pattern += "*.*";
    WIN32_FIND_DATAA data;
    const HANDLE first = FindFirstFileA(pattern.c_str(), &data);
    if (first == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return std::vector<FolderEntry>{};
        return std::nullopt;
    }
    const FindHandle find(first);
    std::vector<FolderEntry> entries;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        entries.push_back({name, data.dwFileAttributes});
    } while (FindNextFileA(find.get(), &data));
    if (GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
    return entries;
}

FileStamp StampOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return {};
    return {Combine(data.nFileSizeHigh, data.nFileSizeLow),
            Combine(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime),
            static_cast<std::uint64_t>(
                Combine(data.ftCreationTime.dwHighDateTime, data.ftCreationTime.dwLowDateTime))};
}

}  // namespace vu::platform
