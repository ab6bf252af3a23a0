#pragma once
// A fresh folder for one benchmark run, removed with everything in it when the object goes.

#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/path_mapping.h"

namespace vu::bench {

class ScratchFolder {
public:
    // A new folder named after the prefix inside parent (the system's temporary folder when
    // parent is empty).
    explicit ScratchFolder(const std::string& prefix, std::filesystem::path parent = {}) {
        if (parent.empty()) parent = std::filesystem::temp_directory_path();
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        native_ = parent / (prefix + "-" + std::to_string(stamp));
        std::filesystem::create_directories(native_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(native_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Native() const { return native_; }
    std::string Name() const { return native_.filename().string(); }
    // The folder in the core's form: backslash separators and a trailing backslash.
    std::string Core() const { return platform::CorePath(native_.string()) + "\\"; }

private:
    std::filesystem::path native_;
};

}  // namespace vu::bench
