#include "support/integer_text.h"

namespace vu {

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The length of the hexadecimal prefix at the start of digits, 0 when there is none.
std::size_t HexPrefixLength(std::string_view digits) {
    if (digits.empty()) return 0;
    if (digits[0] == '$' || digits[0] == 'x' || digits[0] == 'X') return 1;
    if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) return 2;
    return 0;
}

std::optional<std::uint32_t> ParseHex(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

// The magnitude of a decimal number, none when it is not one or exceeds the given limit.
std::optional<std::uint32_t> ParseDecimal(std::string_view digits, std::uint32_t limit) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > limit) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace

std::optional<std::int32_t> ParseInteger32(std::string_view text) {
    std::size_t position = text.find_first_not_of(' ');
    if (position == std::string_view::npos) return std::nullopt;
    bool negative = false;
    if (text[position] == '+' || text[position] == '-') {
        negative = text[position] == '-';
        ++position;
    }
    const std::string_view digits = text.substr(position);
    std::uint32_t bits = 0;
    if (const std::size_t prefix = HexPrefixLength(digits)) {
        const auto value = ParseHex(digits.substr(prefix));
        if (!value) return std::nullopt;
        bits = *value;
    } else {
        const auto value = ParseDecimal(digits, negative ? 0x80000000u : 0x7FFFFFFFu);
        if (!value) return std::nullopt;
        bits = *value;
    }
    // Two's complement negation in unsigned arithmetic, so -2147483648 and "-$80000000" are
    // well defined.
    if (negative) bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
}

}  // namespace vu
