#pragma once
// The one exception type for operating-system failures: the OS error code read at the failure
// point, and a message naming what was attempted.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vu::platform {

class SystemError : public std::runtime_error {
public:
    SystemError(std::uint32_t code, const std::string& context);
    std::uint32_t Code() const noexcept { return code_; }

private:
    std::uint32_t code_;
};

// The calling thread's last OS error code (GetLastError on Windows, errno elsewhere).
std::uint32_t LastErrorCode() noexcept;

// The system's text for an OS error code.
std::string ErrorText(std::uint32_t code);

// Raises SystemError with the last OS error code; read it before anything can change it.
[[noreturn]] void ThrowLastError(const std::string& context);

// Failures the core detects itself, reported with the OS code the system uses for them.
enum class OsError { InvalidParameter, AccessDenied, FileTooLarge };
std::uint32_t OsErrorCode(OsError error) noexcept;

}  // namespace vu::platform
