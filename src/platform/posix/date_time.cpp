#include "platform/date_time.h"

#include <ctime>

namespace vu::platform {

// POSIX has no system date format setting: the numeric ISO form stands in for it.
std::string LocalDateTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(text, length);
}

}  // namespace vu::platform
