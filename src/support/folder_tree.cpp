#include "support/folder_tree.h"

#include <algorithm>
#include <string_view>

#include "platform/file_system.h"
#include "support/path_helpers.h"

namespace vu {
namespace {

using platform::FolderEntry;

// Entries both walks leave alone: "." and "..", any other name beginning with a dot, and a
// volume label.
bool IsSkipped(const FolderEntry& entry) {
    return entry.name.empty() || entry.name.front() == '.' ||
           (entry.attributes & platform::kAttributeVolumeLabel) != 0;
}

bool IsFolder(const FolderEntry& entry) { return (entry.attributes & platform::kAttributeFolder) != 0; }
bool IsLink(const FolderEntry& entry) { return (entry.attributes & platform::kAttributeLink) != 0; }

// "C:" or "C:\": a drive, which is never removed.
bool IsDriveOrDriveRoot(const std::string& folder) {
    return (folder.size() == 2 && folder[1] == ':') || (folder.size() == 3 && folder[1] == ':' && folder[2] == '\\');
}

// A partly downloaded file: its name ends in ".temp", in any case.
bool IsPartialDownload(const FolderEntry& entry) {
    constexpr std::string_view kSuffix = ".temp";
    if (IsFolder(entry) || entry.name.size() < kSuffix.size()) return false;
    const std::string_view tail = std::string_view(entry.name).substr(entry.name.size() - kSuffix.size());
    return std::equal(tail.begin(), tail.end(), kSuffix.begin(),
                      [](char c, char lower) { return (c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) == lower; });
}

// Removes a link itself, whichever kind of object it points at.
bool RemoveLink(const std::string& path, const FolderEntry& entry) {
    return IsFolder(entry) ? platform::RemoveFolder(path) : platform::RemoveFile(path);
}

bool DeleteTreeFile(const std::string& path, const FolderEntry& entry) {
    if ((entry.attributes & platform::kAttributeReadOnly) != 0)
        platform::WriteAttributes(path, platform::kAttributeArchive);
    return platform::RemoveFile(path);
}

}  // namespace

bool DeleteFolderTree(const std::string& folder, bool removeFolders) {
    if (!platform::FolderExists(folder)) return false;
    const std::string prefix = AddTrailingBackslash(folder);
    const auto entries = platform::ListFolder(prefix);
    if (!entries) return false;
    bool result = true;
    for (const FolderEntry& entry : *entries) {
        if (IsSkipped(entry)) continue;
        const std::string path = prefix + entry.name;
        if (IsLink(entry)) {
            if (removeFolders || !IsFolder(entry)) result = RemoveLink(path, entry) && result;
        } else if (IsFolder(entry)) {
            result = DeleteFolderTree(path, removeFolders) && result;
        } else {
            result = DeleteTreeFile(path, entry) && result;
        }
    }
    if (removeFolders && result && !IsDriveOrDriveRoot(folder)) result = platform::RemoveFolder(folder);
    return result;
}

bool PruneEmptyFolders(const std::string& folder) {
    if (!platform::FolderExists(folder)) return false;
    const std::string prefix = AddTrailingBackslash(folder);
    const auto entries = platform::ListFolder(prefix);
    if (!entries) return false;
    bool holdsPartialDownload = false;
    for (const FolderEntry& entry : *entries) {
        if (IsPartialDownload(entry)) holdsPartialDownload = true;
        if (IsSkipped(entry) || !IsFolder(entry)) continue;
        const std::string path = prefix + entry.name;
        if (IsLink(entry)) {
            platform::RemoveFolder(path);
        } else {
            PruneEmptyFolders(path);
        }
    }
    if (holdsPartialDownload) return true;
    return IsDriveOrDriveRoot(folder) ? false : platform::RemoveFolder(folder);
}

}  // namespace vu
