#include "platform/dynamic_library.h"

#include <windows.h>

#include <utility>

namespace vu::platform {

std::optional<DynamicLibrary> DynamicLibrary::Load(const std::string& name) {
    HMODULE const module = LoadLibraryA(name.c_str());
    if (module == nullptr) return std::nullopt;
    return DynamicLibrary(reinterpret_cast<void*>(module));
}

void DynamicLibrary::Release() noexcept {
    if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(std::exchange(handle_, nullptr)));
}

void* DynamicLibrary::Symbol(const std::string& name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name.c_str()));
}

std::string LibraryFileName(const std::string& name) { return name; }

}  // namespace vu::platform
