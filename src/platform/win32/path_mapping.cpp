#include "platform/path_mapping.h"

namespace vu::platform {

std::string NativePath(const std::string& corePath) { return corePath; }
std::string CorePath(const std::string& nativePath) { return nativePath; }

}  // namespace vu::platform
