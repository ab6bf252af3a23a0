#include "platform/locale_format.h"

#include <windows.h>

#include <array>

namespace vu::platform {

std::string DecimalSeparator() {
    std::array<char, 8> buffer{};  // the system allows at most four characters and the NUL
    const int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer.data(),
                                      static_cast<int>(buffer.size()));
    if (length <= 1) return ".";
    return std::string(buffer.data(), static_cast<std::size_t>(length - 1));
}

}  // namespace vu::platform
