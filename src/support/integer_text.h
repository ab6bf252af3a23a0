#pragma once
// Reading signed integers from text, as numbers in server lists and records are read.

#include <cstdint>
#include <optional>
#include <string_view>

namespace vu {

// The value of text made of optional leading spaces, an optional "+" or "-", and then either
// decimal digits whose value fits a signed 32-bit integer, or a hexadecimal number introduced by
// "$", "x", "X", "0x" or "0X" whose value fits in 32 bits (taken as the bits of a signed value,
// then negated for "-"). Nothing may follow. None for any other text.
std::optional<std::int32_t> ParseInteger32(std::string_view text);
// The same rule for signed 64-bit integers (hexadecimal numbers of up to 64 bits).
std::optional<std::int64_t> ParseInteger64(std::string_view text);

}  // namespace vu
