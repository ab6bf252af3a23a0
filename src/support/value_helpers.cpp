#include "support/value_helpers.h"

namespace vu {

std::int32_t SelectValue(bool flag, std::int32_t valueIfTrue, std::int32_t valueIfFalse) {
    return flag ? valueIfTrue : valueIfFalse;
}

std::string ListItemOrDefault(const std::vector<std::string>& list, std::int32_t index,
                              const std::string& fallback) {
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return fallback;
    return list[static_cast<std::size_t>(index)];
}

}  // namespace vu
