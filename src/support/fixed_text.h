#pragma once
// Text fields of fixed width in records: read up to the first NUL or the full width.

#include <cstddef>
#include <cstring>
#include <string>

namespace vu {

template <std::size_t Width>
std::string FixedFieldText(const char (&field)[Width]) {
    const void* end = std::memchr(field, 0, Width);
    return std::string(field, end ? static_cast<const char*>(end) - field : Width);
}

}  // namespace vu
