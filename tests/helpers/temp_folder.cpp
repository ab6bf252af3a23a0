#include "helpers/temp_folder.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/file_system.h"
#include "platform/path_mapping.h"
#include "platform/process.h"

namespace vu::test {
namespace {

std::filesystem::path NativeOf(const std::string& corePath) {
    return std::filesystem::path(platform::NativePath(corePath));
}

void MakeWritableTree(const std::filesystem::path& root) {
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_symlink()) platform::WriteAttributes(platform::CorePath(it->path().string()), 0);
    }
}

}  // namespace

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const auto native = std::filesystem::temp_directory_path() /
                        ("vu-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(native);
    path_ = platform::CorePath(native.string()) + "\\";
}

TempFolder::~TempFolder() {
    const auto native = NativeOf(path_);
    MakeWritableTree(native);
    std::error_code error;
    std::filesystem::remove_all(native, error);
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(NativeOf(path), std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(NativeOf(path), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string ProgramFolder() {
    const std::string path = platform::HostExecutablePath();
    return path.substr(0, path.find_last_of('\\') + 1);
}

}  // namespace vu::test
