#pragma once
// One INI file's document, shared by every open use of that file in the process, and the policy
// that brings its edits to disk.
//
// Edits change the document in memory and reach disk through an atomic replace of the file:
// - at once when no save happened yet, when the last save is 250 ms old or more, or when the last
//   save failed; if that save fails, the edit is taken back and the OS error code returned;
// - otherwise later: the next operation on the file saves once 250 ms have passed since the last
//   save, and Flush saves at once. There is no background thread.
// While no edit waits to be saved, each operation first reloads the document if the file changed
// on disk. A file that exists but cannot be read reads as empty and refuses edits, so that a save
// never replaces content that was not read.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "support/ansi_charset.h"
#include "support/ini_document.h"
#include "support/ini_read_results.h"

namespace vu {

using IniClock = std::function<std::chrono::steady_clock::time_point()>;

// Process-wide counts of whole-file reads and writes.
struct IniCounters {
    std::atomic<std::uint64_t> loads{0};
    std::atomic<std::uint64_t> saves{0};
};

class IniSharedFile {
public:
    static constexpr std::chrono::milliseconds kSaveInterval{250};

    // Does not touch the file; the first operation reads it.
    IniSharedFile(std::string path, IniClock clock, IniCounters& counters);
    IniSharedFile(const IniSharedFile&) = delete;
    IniSharedFile& operator=(const IniSharedFile&) = delete;

    std::string ReadValue(std::string_view section, std::string_view key, std::string_view defaultValue,
                          std::size_t bufferSize);
    ProfileBlock ListKeyNames(std::string_view section, std::size_t bufferSize);
    ProfileBlock ListSectionNames(std::size_t bufferSize);

    // Each returns 0 or the OS error code; after a failure the document and the file are as
    // before. A value or name the file cannot hold fails with the invalid-parameter code.
    std::uint32_t WriteValue(std::string_view section, std::string_view key, std::string_view value);
    std::uint32_t RemoveKey(std::string_view section, std::string_view key);
    std::uint32_t RemoveSection(std::string_view section);
    // Saves waiting edits now; 0 or the OS error code (the edits keep waiting then).
    std::uint32_t Flush();

private:
    void Refresh();
    void Load();
    std::uint32_t Save(std::chrono::steady_clock::time_point now);
    std::uint32_t Commit(std::optional<IniUndo> edit);

    const std::string path_;
    const IniClock clock_;
    IniCounters& counters_;
    const AnsiCharset charset_;

    std::mutex mutex_;
    IniDocument document_;
    bool loaded_ = false;
    platform::FileStamp stamp_;   // of the file as last loaded or saved
    std::uint32_t loadError_ = 0;
    bool unsaved_ = false;        // the document holds edits the file lacks
    bool lastSaveFailed_ = false;
    std::optional<std::chrono::steady_clock::time_point> lastSave_;  // time of the last attempt
};

}  // namespace vu
