#include "support/ini_shared_file.h"

#include <utility>

#include "platform/system_error.h"
#include "support/ini_storage.h"

namespace vu {

IniSharedFile::IniSharedFile(std::string path, IniClock clock, IniCounters& counters)
    : path_(std::move(path)),
      clock_(std::move(clock)),
      counters_(counters),
      charset_(AnsiCharset::System()),
      document_({}, charset_) {}

std::string IniSharedFile::ReadValue(std::string_view section, std::string_view key,
                                     std::string_view defaultValue, std::size_t bufferSize) {
    const std::lock_guard lock(mutex_);
    Refresh();
    return ProfileValue(document_.FindValue(section, key), defaultValue, bufferSize);
}

ProfileBlock IniSharedFile::ListKeyNames(std::string_view section, std::size_t bufferSize) {
    const std::lock_guard lock(mutex_);
    Refresh();
    KeyNameBlock block(bufferSize);
    document_.ListKeyNames(section, block);
    return std::move(block).Finish();
}

ProfileBlock IniSharedFile::ListSectionNames(std::size_t bufferSize) {
    const std::lock_guard lock(mutex_);
    Refresh();
    SectionNameBlock block(bufferSize);
    document_.ListSectionNames(block);
    return std::move(block).Finish();
}

std::uint32_t IniSharedFile::WriteValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::lock_guard lock(mutex_);
    Refresh();
    if (loadError_ != 0) return loadError_;
    return Commit(document_.SetValue(section, key, value));
}

std::uint32_t IniSharedFile::RemoveKey(std::string_view section, std::string_view key) {
    const std::lock_guard lock(mutex_);
    Refresh();
    if (loadError_ != 0) return loadError_;
    return Commit(document_.RemoveKey(section, key));
}

std::uint32_t IniSharedFile::RemoveSection(std::string_view section) {
    const std::lock_guard lock(mutex_);
    Refresh();
    if (loadError_ != 0) return loadError_;
    return Commit(document_.RemoveSection(section));
}

std::uint32_t IniSharedFile::Flush() {
    const std::lock_guard lock(mutex_);
    return unsaved_ ? Save(clock_()) : 0;
}

void IniSharedFile::Refresh() {
    if (unsaved_) {
        const auto now = clock_();
        if (now - *lastSave_ >= kSaveInterval) Save(now);
        return;
    }
    if (!loaded_ || loadError_ != 0 || platform::StampOf(path_) != stamp_) Load();
}

void IniSharedFile::Load() {
    IniFileContent content = ReadIniFile(path_);
    ++counters_.loads;
    loaded_ = true;
    stamp_ = content.stamp;
    loadError_ = content.error;
    document_ = IniDocument(content.text, charset_);
}

std::uint32_t IniSharedFile::Save(std::chrono::steady_clock::time_point now) {
    const std::string text = document_.Text();
    lastSave_ = now;
    const std::uint32_t error = ReplaceIniFile(path_, text);
    lastSaveFailed_ = error != 0;
    if (error != 0) return error;
    ++counters_.saves;
    unsaved_ = false;
    stamp_ = platform::StampOf(path_);
    // Tombstones cost memory and time once they make up much of the document: start afresh.
    if (document_.RemovedLineCount() > 0 && document_.RemovedLineCount() * 2 >= document_.LineCount())
        document_ = IniDocument(text, charset_);
    return 0;
}

std::uint32_t IniSharedFile::Commit(std::optional<IniUndo> edit) {
    if (!edit) return platform::OsErrorCode(platform::OsError::InvalidParameter);
    if (!edit->Changed()) return 0;
    const auto now = clock_();
    const bool saveNow = !lastSave_ || lastSaveFailed_ || now - *lastSave_ >= kSaveInterval;
    const bool unsavedBefore = std::exchange(unsaved_, true);
    if (!saveNow) return 0;
    const std::uint32_t error = Save(now);
    if (error != 0) {
        document_.Undo(std::move(*edit));
        unsaved_ = unsavedBefore;
    }
    return error;
}

}  // namespace vu
