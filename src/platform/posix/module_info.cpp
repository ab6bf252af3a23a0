#include "platform/module_info.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

#include "platform/path_mapping.h"

namespace vu::platform {

std::string ModuleFilePath() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&ModuleFilePath), &info) == 0) return {};
    if (info.dli_fname == nullptr || info.dli_fname[0] == '\0') return {};
    // The main program may be reported by the relative name it was started with.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(info.dli_fname, error);
    if (error) return {};
    return CorePath(absolute.lexically_normal().string());
}

}  // namespace vu::platform
