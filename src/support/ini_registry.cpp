#include "support/ini_registry.h"

#include "platform/path_mapping.h"

namespace vu {

IniFileLease::~IniFileLease() {
    try {
        file_->Flush();
    } catch (...) {
        // Closing never raises; edits that cannot be saved are lost with the last user.
    }
    registry_.Release(key_);
}

IniRegistry::IniRegistry(IniClock clock) : clock_(std::move(clock)) {}

IniRegistry& IniRegistry::Process() {
    static IniRegistry registry;
    return registry;
}

IniFileLease IniRegistry::Open(const std::string& path) {
    std::string key = platform::PathIdentity(path);
    const std::lock_guard lock(mutex_);
    Entry& entry = files_[key];
    if (!entry.file) entry.file = std::make_shared<IniSharedFile>(path, clock_, counters_);
    ++entry.users;
    return IniFileLease(*this, std::move(key), entry.file);
}

void IniRegistry::Release(const std::string& key) {
    const std::lock_guard lock(mutex_);
    const auto found = files_.find(key);
    if (found != files_.end() && --found->second.users == 0) files_.erase(found);
}

IniStatistics IniRegistry::Statistics() const {
    return {counters_.loads.load(), counters_.saves.load()};
}

}  // namespace vu
