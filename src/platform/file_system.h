#pragma once
// Files and folders by path. Paths are ANSI texts with backslash separators; the POSIX backend
// maps them to slashes. Operations report failure by their result and leave the OS error code
// for LastErrorCode().

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vu::platform {

// File attribute bits, with the Windows values.
constexpr std::uint32_t kAttributeReadOnly = 0x1;
constexpr std::uint32_t kAttributeVolumeLabel = 0x8;
constexpr std::uint32_t kAttributeFolder = 0x10;
constexpr std::uint32_t kAttributeArchive = 0x20;
constexpr std::uint32_t kAttributeLink = 0x400;  // symbolic link or junction (reparse point)

// Attributes of the file or folder at path (a link's own, not its target's); none when absent.
std::optional<std::uint32_t> ReadAttributes(const std::string& path);
bool WriteAttributes(const std::string& path, std::uint32_t attributes);

bool FileExists(const std::string& path);    // a file, not a folder
bool FolderExists(const std::string& path);  // a folder, or a link to one

bool RemoveFile(const std::string& path);
// Renames a file or folder; fails when the target exists.
bool RenameFile(const std::string& from, const std::string& to);
// Renames a file over an existing one in a single step, so readers see the old or the new file.
bool RenameOver(const std::string& from, const std::string& to);
bool CopyFileTo(const std::string& from, const std::string& to, bool overwrite);

bool MakeFolder(const std::string& path);
// Creates the folder and every missing folder above it.
bool MakeFolders(const std::string& path);
// Removes an empty folder, or a link to a folder (never the link's target).
bool RemoveFolder(const std::string& path);

struct FolderEntry {
    std::string name;
    std::uint32_t attributes;
};

// The entries of a folder (without "." and ".."), in the system's order. None when the folder
// cannot be listed; an entry that vanishes while listing is left out.
std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder);

// Identity of a file's content on disk: changes whenever the file is written or replaced.
struct FileStamp {
    std::int64_t size = -1;
    std::int64_t modified = 0;
    std::uint64_t identity = 0;
    bool operator==(const FileStamp&) const = default;
};
// The stamp of the file at path; a missing file has size -1.
FileStamp StampOf(const std::string& path);

}  // namespace vu::platform
