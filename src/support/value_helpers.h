#pragma once
// Choosing between values.

#include <cstdint>
#include <string>
#include <vector>

namespace vu {

// valueIfTrue when flag is set, otherwise valueIfFalse.
std::int32_t SelectValue(bool flag, std::int32_t valueIfTrue, std::int32_t valueIfFalse);

// The list's item at index when 0 <= index < its size, otherwise fallback.
std::string ListItemOrDefault(const std::vector<std::string>& list, std::int32_t index,
                              const std::string& fallback);

}  // namespace vu
