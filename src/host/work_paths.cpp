#include "host/work_paths.h"

#include <cstring>
#include <mutex>

#include "platform/file_system.h"
#include "platform/module_info.h"
#include "platform/process.h"
#include "support/ansi_charset.h"

namespace vu {

std::atomic<std::int32_t> LimitSpeed{kNoSpeedLimit};
std::atomic<double> CurrentSpeed{0.0};

namespace {

std::mutex pathsLock;
WorkPathValues paths;

// Reads one value under the lock.
std::string Read(std::string WorkPathValues::*field) {
    const std::lock_guard lock(pathsLock);
    return paths.*field;
}

// Offset of the file name part: just after the last "\" or ":" that is a character of its own
// (in a two-byte code page a second byte may be 0x5C).
std::size_t FileNameStart(const std::string& path) {
    const AnsiCharset charset = AnsiCharset::System();
    std::size_t start = 0;
    for (std::size_t offset = 0; offset < path.size();) {
        const std::size_t length = charset.CharLength(path, offset);
        if (length == 1 && (path[offset] == '\\' || path[offset] == ':')) start = offset + 1;
        offset += length;
    }
    return start;
}

std::string FileNamePart(const std::string& path) { return path.substr(FileNameStart(path)); }
std::string FolderPart(const std::string& path) { return path.substr(0, FileNameStart(path)); }

std::string WithTrailingBackslash(const std::string& folder) {
    return !folder.empty() && folder.back() == '\\' ? folder : folder + '\\';
}

bool IsDotsAndSpaces(const std::string& component) {
    return !component.empty() && component.find_first_not_of(". ") == std::string::npos;
}

}  // namespace

WorkPathValues CurrentWorkPaths() {
    const std::lock_guard lock(pathsLock);
    return paths;
}

std::string ModulePath() { return Read(&WorkPathValues::modulePath); }
std::string ModuleUpdatePath() { return Read(&WorkPathValues::moduleUpdatePath); }
std::string HostUpdatePath() { return Read(&WorkPathValues::hostUpdatePath); }
std::string BaseWorkDir() { return Read(&WorkPathValues::baseWorkDir); }
std::string WorkDir() { return Read(&WorkPathValues::workDir); }
std::string WorkSubDir() { return Read(&WorkPathValues::workSubDir); }
std::string BaseCacheDir() { return Read(&WorkPathValues::baseCacheDir); }
std::string CacheDir() { return Read(&WorkPathValues::cacheDir); }

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
    const std::size_t nameStart = FileNameStart(path);
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return path + extension;
    return path.substr(0, dot) + extension;
}

void InitializeWorkPaths(const std::string& modulePath, const std::string& hostExecutablePath) {
    WorkPathValues values;
    if (!modulePath.empty()) {
        values.modulePath = modulePath;
        values.workDir = FolderPart(modulePath);
    } else {
        values.workDir = FolderPart(hostExecutablePath);
        values.modulePath = values.workDir + kModuleFileName;
    }
    values.moduleUpdatePath = ReplaceExtension(values.modulePath, kUpdateExtension);
    values.cacheDir = values.workDir + kCacheFolderName;
    values.baseWorkDir = values.workDir;
    values.baseCacheDir = values.cacheDir;
    values.hostPath = hostExecutablePath;
    values.hostUpdatePath = ReplaceExtension(hostExecutablePath, kUpdateExtension);
    {
        const std::lock_guard lock(pathsLock);
        paths = std::move(values);
    }
    LimitSpeed.store(kNoSpeedLimit);
    CurrentSpeed.store(0.0);
}

void InitializeWorkPaths() {
    InitializeWorkPaths(platform::ModuleFilePath(), platform::HostExecutablePath());
}

void FinalizeWorkPaths() {
    WorkPathValues emptied;
    const std::lock_guard lock(pathsLock);
    std::swap(paths, emptied);
}

void ResetWorkPaths() {
    const std::lock_guard lock(pathsLock);
    paths.workDir = paths.baseWorkDir;
    paths.cacheDir = paths.baseCacheDir;
}

void SetBaseWorkDir(const std::string& folder) {
    std::string base = WithTrailingBackslash(folder);
    const std::lock_guard lock(pathsLock);
    paths.baseWorkDir = std::move(base);
}

void ApplyWorkSubDir(const UpdateRequest& request) {
    const std::string listUrl(request.ListUrl, strnlen(request.ListUrl, sizeof request.ListUrl));
    const std::size_t hash = listUrl.rfind('#');
    if (hash == std::string::npos) return;
    std::string subDir = listUrl.substr(hash + 1);
    for (char& c : subDir) {
        if (c == '*') c = '\\';
    }
    // A subfolder leading out of the working folder is treated as none.
    if (!IsContainedRelativePath(subDir)) subDir.clear();

    std::string workDir;
    {
        const std::lock_guard lock(pathsLock);
        paths.workSubDir = subDir;
        if (subDir.empty()) return;
        paths.workDir = WithTrailingBackslash(paths.workDir + subDir);
        paths.cacheDir = paths.workDir + kCacheFolderName;
        workDir = paths.workDir;
    }
    // A failure shows later, when the job's file operations fail in the missing folder.
    if (!platform::FolderExists(workDir)) platform::MakeFolders(workDir);
}

bool ReplacementTargetName(const std::string& name, std::string& target) {
    if (name.empty()) return false;
    const WorkPathValues current = CurrentWorkPaths();
    if (AnsiCharset::System().SameName(name, FileNamePart(current.hostUpdatePath))) {
        target = FileNamePart(current.hostPath);
        return true;
    }
    if (AnsiCharset::System().SameName(name, FileNamePart(current.moduleUpdatePath))) {
        target = FileNamePart(current.modulePath);
        return true;
    }
    return false;
}

bool StartsWithPkg(const std::string& name) {
    return name.size() >= 3 && AnsiCharset::System().SameName(name.substr(0, 3), "pkg");
}

bool IsContainedRelativePath(const std::string& path) {
    if (!path.empty() && (path.front() == '\\' || path.front() == '/')) return false;
    if (path.find(':') != std::string::npos) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find_first_of("\\/", start);
        if (IsDotsAndSpaces(path.substr(start, end - start))) return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

}  // namespace vu
