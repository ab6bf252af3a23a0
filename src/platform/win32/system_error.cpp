#include "platform/system_error.h"

#include <windows.h>

namespace vu::platform {

SystemError::SystemError(std::uint32_t code, const std::string& context)
    : std::runtime_error(context + ": " + ErrorText(code)), code_(code) {}

std::uint32_t LastErrorCode() noexcept { return GetLastError(); }

std::string ErrorText(std::uint32_t code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length != 0 ? std::string(text, length) : "system error " + std::to_string(code);
    if (text != nullptr) LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    return result;
}

void ThrowLastError(const std::string& context) { throw SystemError(GetLastError(), context); }

std::uint32_t OsErrorCode(OsError error) noexcept {
    switch (error) {
        case OsError::InvalidParameter: return ERROR_INVALID_PARAMETER;
        case OsError::AccessDenied: return ERROR_ACCESS_DENIED;
        case OsError::FileTooLarge: return ERROR_FILE_TOO_LARGE;
    }
    return ERROR_INVALID_PARAMETER;
}

}  // namespace vu::platform
