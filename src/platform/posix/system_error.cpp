#include "platform/system_error.h"

#include <cerrno>
#include <cstring>

namespace vu::platform {

SystemError::SystemError(std::uint32_t code, const std::string& context)
    : std::runtime_error(context + ": " + ErrorText(code)), code_(code) {}

std::uint32_t LastErrorCode() noexcept { return static_cast<std::uint32_t>(errno); }

std::string ErrorText(std::uint32_t code) { return std::strerror(static_cast<int>(code)); }

void ThrowLastError(const std::string& context) {
    throw SystemError(static_cast<std::uint32_t>(errno), context);
}

std::uint32_t OsErrorCode(OsError error) noexcept {
    switch (error) {
        case OsError::InvalidParameter: return EINVAL;
        case OsError::AccessDenied: return EACCES;
        case OsError::FileTooLarge: return EFBIG;
    }
    return EINVAL;
}

}  // namespace vu::platform
