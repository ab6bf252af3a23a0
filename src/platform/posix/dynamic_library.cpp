#include "platform/dynamic_library.h"

#include <dlfcn.h>

#include <string_view>
#include <utility>

#include "platform/path_mapping.h"
#include "platform/process.h"

namespace vu::platform {
namespace {

bool HasFolder(const std::string& name) { return name.find_first_of("\\/") != std::string::npos; }

void* Open(const std::string& nativePath) {
    return ::dlopen(nativePath.c_str(), RTLD_NOW | RTLD_LOCAL);
}

}  // namespace

std::string LibraryFileName(const std::string& name) {
    constexpr std::string_view kWindowsSuffix = ".dll";
    if (HasFolder(name) || name.size() <= kWindowsSuffix.size()) return name;
    const std::string stem = name.substr(0, name.size() - kWindowsSuffix.size());
    std::string suffix = name.substr(stem.size());
    for (char& c : suffix) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return suffix == kWindowsSuffix ? "lib" + stem + ".so" : name;
}

std::optional<DynamicLibrary> DynamicLibrary::Load(const std::string& name) {
    void* handle = nullptr;
    if (HasFolder(name)) {
        handle = Open(NativePath(name));
    } else {
        const std::string fileName = LibraryFileName(name);
        const std::string program = HostExecutablePath();
        const std::string programFolder = program.substr(0, program.find_last_of('\\') + 1);
        if (!programFolder.empty()) handle = Open(NativePath(programFolder + fileName));
        if (handle == nullptr) handle = Open(fileName);
    }
    if (handle == nullptr) return std::nullopt;
    return DynamicLibrary(handle);
}

void DynamicLibrary::Release() noexcept {
    if (handle_ != nullptr) ::dlclose(std::exchange(handle_, nullptr));
}

void* DynamicLibrary::Symbol(const std::string& name) const {
    return ::dlsym(handle_, name.c_str());
}

}  // namespace vu::platform
