#pragma once
// The process-wide registry of open INI files: every open use of one path shares one in-memory
// document, so that objects on the same file see each other's writes at once. The document goes
// when its last user closes.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "support/ini_shared_file.h"

namespace vu {

struct IniStatistics {
    std::uint64_t fileLoads = 0;  // whole-file reads
    std::uint64_t fileSaves = 0;  // whole-file writes
};

class IniRegistry;

// One open use of an INI file. Closing it saves the file's waiting edits.
class IniFileLease {
public:
    IniFileLease(const IniFileLease&) = delete;
    IniFileLease& operator=(const IniFileLease&) = delete;
    ~IniFileLease();

    IniSharedFile& File() const { return *file_; }

private:
    friend class IniRegistry;
    IniFileLease(IniRegistry& registry, std::string key, std::shared_ptr<IniSharedFile> file)
        : registry_(registry), key_(std::move(key)), file_(std::move(file)) {}

    IniRegistry& registry_;
    std::string key_;
    std::shared_ptr<IniSharedFile> file_;
};

class IniRegistry {
public:
    explicit IniRegistry(IniClock clock = [] { return std::chrono::steady_clock::now(); });
    IniRegistry(const IniRegistry&) = delete;
    IniRegistry& operator=(const IniRegistry&) = delete;

    // The registry of the process.
    static IniRegistry& Process();

    // Opens a use of the file at path (core form); does not touch the file.
    IniFileLease Open(const std::string& path);
    IniStatistics Statistics() const;

private:
    friend class IniFileLease;
    void Release(const std::string& key);

    struct Entry {
        std::shared_ptr<IniSharedFile> file;
        std::size_t users = 0;
    };

    const IniClock clock_;
    IniCounters counters_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> files_;  // by platform::PathIdentity
};

}  // namespace vu
