// How version texts from server lists are read: as signed 32-bit integers in the forms the lists
// use, and otherwise compared as texts with only ASCII letters folded.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/integer_text.h"
#include "support/text_compare.h"

namespace vu {
namespace {

TEST(ParseInteger32, AcceptsTheListFormsAndNothingElse) {
    struct Case {
        std::string text;
        std::optional<std::int32_t> value;
    };
    const std::vector<Case> cases = {
        {"10", 10},
        {"00012", 12},
        {"   -5", -5},
        {"+7", 7},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"$FF", 255},
        {"x10", 16},
        {"X10", 16},
        {"0x1f", 31},
        {"0X1F", 31},
        {"-$10", -16},
        {"0xFFFFFFFF", -1},
        {"$80000000", INT32_MIN},
        // Out of range.
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"$100000000", std::nullopt},
        // Not integers at all.
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"1.0", std::nullopt},
        {"16 ", std::nullopt},
        {"1e3", std::nullopt},
        {"\t16", std::nullopt},
        {"0x-1", std::nullopt},
        {"--1", std::nullopt},
        {"$G", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseInteger32(c.text), c.value) << '"' << c.text << '"';
    }
}

int Sign(int value) { return (value > 0) - (value < 0); }

TEST(ParseInteger64, ReadsSizesAndPositionsBeyondThirtyTwoBits) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> value;
    };
    const std::vector<Case> cases = {
        {"2147483648", 2147483648LL},
        {"4294967296", 4294967296LL},
        {"-1", -1},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
        {"$7FFFFFFFFFFFFFFF", INT64_MAX},
        {"0xFFFFFFFFFFFFFFFF", -1},
        {"$0000000000000000001", 1},
        {"9223372036854775808", std::nullopt},
        {"-9223372036854775809", std::nullopt},
        {"18446744073709551616", std::nullopt},
        {"$10000000000000000", std::nullopt},
        {"12 ", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseInteger64(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(CompareText, FoldsOnlyAsciiLettersAndSortsPrefixesFirst) {
    struct Case {
        std::string a, b;
        int sign;
    };
    const std::vector<Case> cases = {
        {"ClientA", "clienta", 0},
        {"1.10", "1.9", -1},
        {"1.0.10", "1.0.9", -1},
        {"1.0", "1.0.1", -1},
        {"b", "A", 1},
        {"", "", 0},
        {"", "a", -1},
        // "_" lies between the upper- and the lower-case letters: after folding it sorts last.
        {"_", "a", 1},
        // Bytes above 0x7F are not folded.
        {"\xC4", "\xE4", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Sign(CompareText(c.a, c.b)), c.sign) << c.a << " vs " << c.b;
        EXPECT_EQ(Sign(CompareText(c.b, c.a)), -c.sign) << c.b << " vs " << c.a;
    }
}

}  // namespace
}  // namespace vu
