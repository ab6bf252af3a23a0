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

// The bits of a hexadecimal number of at most `bits` bits; none for any other text.
std::optional<std::uint64_t> ParseHex(std::string_view digits, unsigned bits) {
    if (digits.empty()) return std::nullopt;
    const std::uint64_t highestNibble = std::uint64_t{0xF} << (bits - 4);
    std::uint64_t value = 0;
    for (const char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0 || (value & highestNibble) != 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    return value;
}

// The magnitude of a decimal number, none when it is not one or exceeds the given limit.
std::optional<std::uint64_t> ParseDecimal(std::string_view digits, std::uint64_t limit) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (limit - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// The rule both widths share; Unsigned is the width's unsigned type.
template <typename Signed, typename Unsigned>
std::optional<Signed> ParseSigned(std::string_view text) {
    constexpr unsigned kBits = sizeof(Unsigned) * 8;
    constexpr std::uint64_t kMaxPositive = (std::uint64_t{1} << (kBits - 1)) - 1;
    std::size_t position = text.find_first_not_of(' ');
    if (position == std::string_view::npos) return std::nullopt;
    bool negative = false;
    if (text[position] == '+' || text[position] == '-') {
        negative = text[position] == '-';
        ++position;
    }
    const std::string_view digits = text.substr(position);
    std::optional<std::uint64_t> value;
    if (const std::size_t prefix = HexPrefixLength(digits)) {
        value = ParseHex(digits.substr(prefix), kBits);
    } else {
        value = ParseDecimal(digits, negative ? kMaxPositive + 1 : kMaxPositive);
    }
    if (!value) return std::nullopt;
    auto bits = static_cast<Unsigned>(*value);
    // Two's complement negation in unsigned arithmetic, so the most negative value and its
    // hexadecimal forms are well defined.
    if (negative) bits = static_cast<Unsigned>(Unsigned{0} - bits);
    return static_cast<Signed>(bits);
}

}  // namespace

std::optional<std::int32_t> ParseInteger32(std::string_view text) {
    return ParseSigned<std::int32_t, std::uint32_t>(text);
}

std::optional<std::int64_t> ParseInteger64(std::string_view text) {
    return ParseSigned<std::int64_t, std::uint64_t>(text);
}

}  // namespace vu
