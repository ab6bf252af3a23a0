#include "platform/module_info.h"

#include <windows.h>

#include <array>

namespace vu::platform {

std::string ModuleFilePath() {
    HMODULE module = nullptr;
    const DWORD flags =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!GetModuleHandleExA(flags, reinterpret_cast<LPCSTR>(&ModuleFilePath), &module)) return {};
    std::array<char, MAX_PATH> buffer{};
    const DWORD length =
        GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    // A length equal to the buffer size means the name was cut: a wrong path is worse than none.
    if (length == 0 || length >= buffer.size()) return {};
    return std::string(buffer.data(), length);
}

}  // namespace vu::platform
