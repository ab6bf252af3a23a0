#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/file.h"
#include "platform/path_mapping.h"

namespace vu::platform {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};

// Windows-style attributes from a file's own status: folders carry the folder bit, files the
// archive bit, and a missing owner write permission is the read-only bit.
std::uint32_t AttributesFrom(const std::string& native, const struct stat& own) {
    std::uint32_t attributes = 0;
    if (S_ISLNK(own.st_mode)) {
        attributes |= kAttributeLink;
        struct stat target {};
        if (::stat(native.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) attributes |= kAttributeFolder;
    } else if (S_ISDIR(own.st_mode)) {
        attributes |= kAttributeFolder;
    }
    if ((attributes & kAttributeFolder) == 0) attributes |= kAttributeArchive;
    if ((own.st_mode & S_IWUSR) == 0 && !S_ISLNK(own.st_mode)) attributes |= kAttributeReadOnly;
    return attributes;
}

}  // namespace

std::optional<std::uint32_t> ReadAttributes(const std::string& path) {
    const std::string native = NativePath(path);
    struct stat own {};
    if (::lstat(native.c_str(), &own) != 0) return std::nullopt;
    return AttributesFrom(native, own);
}

bool WriteAttributes(const std::string& path, std::uint32_t attributes) {
    const std::string native = NativePath(path);
    struct stat own {};
    if (::lstat(native.c_str(), &own) != 0) return false;
    if (S_ISLNK(own.st_mode)) return true;
    mode_t mode = own.st_mode & 07777;
    mode = (attributes & kAttributeReadOnly) != 0 ? mode & ~(S_IWUSR | S_IWGRP | S_IWOTH) : mode | S_IWUSR;
    return ::chmod(native.c_str(), mode) == 0;
}

bool RemoveFile(const std::string& path) {
    const std::string native = NativePath(path);
    struct stat own {};
    if (::lstat(native.c_str(), &own) != 0) return false;
    if (S_ISDIR(own.st_mode)) {
        errno = EISDIR;
        return false;
    }
    return ::unlink(native.c_str()) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
    return ::renameat2(AT_FDCWD, NativePath(from).c_str(), AT_FDCWD, NativePath(to).c_str(),
                       RENAME_NOREPLACE) == 0;
}

bool RenameOver(const std::string& from, const std::string& to) {
    return ::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

bool CopyFileTo(const std::string& from, const std::string& to, bool overwrite) {
    if (!overwrite && ReadAttributes(to)) {
        errno = EEXIST;
        return false;
    }
    std::uint32_t error = 0;
    auto source = File::TryOpen(from, FileAccess::Read, FileShare::Read, FileCreation::OpenExisting, error);
    if (!source) return false;
    auto target = File::TryOpen(to, FileAccess::Write, FileShare::None, FileCreation::CreateAlways, error);
    if (!target) {
        errno = static_cast<int>(error);
        return false;
    }
    try {
        char buffer[65536];
        for (std::size_t count; (count = source->Read(buffer, sizeof buffer)) > 0;) target->Write(buffer, count);
        target->Close();
    } catch (...) {
        return false;
    }
    // The copy keeps the source's permissions, as the system copy keeps attributes: a copied
    // program stays runnable.
    struct stat status {};
    if (::stat(NativePath(from).c_str(), &status) == 0) {
        ::chmod(NativePath(to).c_str(), status.st_mode & 07777);
    }
    return true;
}

bool MakeFolder(const std::string& path) { return ::mkdir(NativePath(path).c_str(), 0755) == 0; }

bool MakeFolders(const std::string& path) {
    std::string folder = path;
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    if (folder.empty() || FolderExists(folder)) return !folder.empty();
    const auto cut = folder.find_last_of("\\/");
    if (cut != std::string::npos && cut > 0 && !MakeFolders(folder.substr(0, cut))) return false;
    return MakeFolder(folder) || FolderExists(folder);
}

bool RemoveFolder(const std::string& path) {
    const std::string native = NativePath(path);
    struct stat own {};
    if (::lstat(native.c_str(), &own) != 0) return false;
    if (S_ISLNK(own.st_mode)) return ::unlink(native.c_str()) == 0;
    return ::rmdir(native.c_str()) == 0;
}

std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder) {
    std::string native = folder.empty() ? std::string(".") : NativePath(folder);
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(native.c_str()));
    if (!dir) return std::nullopt;
    if (native.back() != '/') native += '/';
    std::vector<FolderEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr) {
            if (errno != 0) return std::nullopt;
            break;
        }
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat own {};
        if (::lstat((native + name).c_str(), &own) != 0) continue;
        entries.push_back({name, AttributesFrom(native + name, own)});
    }
    return entries;
}

FileStamp StampOf(const std::string& path) {
    struct stat info {};
    if (::stat(NativePath(path).c_str(), &info) != 0) return {};
    return {info.st_size, static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
            (static_cast<std::uint64_t>(info.st_dev) << 40) ^ static_cast<std::uint64_t>(info.st_ino)};
}

}  // namespace vu::platform
