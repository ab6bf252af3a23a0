#include "support/ini_read_results.h"

#include <gtest/gtest.h>

namespace vu {
namespace {

using namespace std::string_literals;

TEST(IniReadResults, ValueCutsQuotesAndDefaults) {
    struct Case {
        std::optional<std::string> found;
        std::string defaultValue;
        std::size_t bufferSize;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"abcdefghij", "", 5, "abcd"},
        {"abcdefghij", "", 11, "abcdefghij"},
        {"abcdefghij", "", 1, ""},
        {"abcdefghij", "", 0, ""},
        {"\"abcdef\"", "", 9, "abcdef"},
        {"\"abcdef\"", "", 8, "abcdef"},
        // Just filling the buffer loses the last character instead of the closing quote.
        {"\"abcdef\"", "", 7, "abcde"},
        {"\"abcdef\"", "", 6, "abcde"},
        {"'x'", "", 50, "x"},
        {"\"\"", "", 50, ""},
        {"\"", "", 50, "\""},
        {"'x\"", "", 50, "'x\""},
        {std::nullopt, "def  ", 50, "def"},
        {std::nullopt, "   ", 50, " "},
        {std::nullopt, "  x  ", 50, "  x"},
        {std::nullopt, "'q'", 50, "q"},
        {std::nullopt, "\"ab\" ", 50, "ab"},
        {std::nullopt, "\t x\t", 50, "\t x\t"},
        {std::nullopt, "defaultlong", 4, "def"},
        {"", "default", 50, ""},
    };
    for (const Case& c : cases) {
        const std::optional<std::string_view> found =
            c.found ? std::optional<std::string_view>(*c.found) : std::nullopt;
        EXPECT_EQ(ProfileValue(found, c.defaultValue, c.bufferSize), c.expected)
            << c.found.value_or("(none)") << " / " << c.defaultValue << " / " << c.bufferSize;
    }
}

struct ListingCase {
    std::size_t bufferSize;
    std::size_t count;
    std::string bytes;  // through the count, and the NUL after it
};

// Adds the names to a block of each case's size until one does not fit, and checks the listing.
template <typename Block>
void ExpectListings(const std::vector<std::string>& names, const std::vector<ListingCase>& cases) {
    for (const ListingCase& c : cases) {
        Block block(c.bufferSize);
        for (const std::string& name : names)
            if (!block.Add(name)) break;
        const ProfileBlock listing = std::move(block).Finish();
        EXPECT_EQ(listing.count, c.count) << c.bufferSize;
        EXPECT_EQ(listing.bytes.substr(0, c.count + 1), c.bytes) << c.bufferSize;
        EXPECT_LE(listing.bytes.size(), c.bufferSize);
    }
}

TEST(IniReadResults, KeyListingsCutTheLastNameThatDoesNotFit) {
    const std::vector<std::string> names = {"v", "q", "long1", "long2"};
    const std::vector<ListingCase> cases = {
        {200, 16, "v\0q\0long1\0long2\0\0"s}, {4, 2, "v\0\0"s},  {7, 5, "v\0q\0l\0"s},
        {8, 6, "v\0q\0lo\0"s},                {13, 11, "v\0q\0long1\0l\0"s},
        {14, 12, "v\0q\0long1\0lo\0"s},       {2, 0, "\0"s},     {1, 0, "\0"s},
    };
    ExpectListings<KeyNameBlock>(names, cases);
    KeyNameBlock exact(6);
    exact.Add("k");
    exact.Add("K");
    EXPECT_EQ(NamesInBlock(std::move(exact).Finish()), (std::vector<std::string>{"k", "K"}));
}

TEST(IniReadResults, SectionListingsCutTheFirstNameWithoutRoomToSpare) {
    const std::vector<std::string> names = {"S", "Section1", "Section2", "Section3"};
    const std::vector<ListingCase> cases = {
        {3, 1, "S\0"s},  {5, 3, "S\0S\0"s}, {10, 8, "S\0Sectio\0"s}, {12, 10, "S\0Section1\0"s},
        {13, 11, "S\0Section1\0\0"s}, {2, 0, "\0"s}, {1, 0, "\0"s}, {100, 29, "S\0Section1\0Section2\0Section3\0\0"s},
    };
    ExpectListings<SectionNameBlock>(names, cases);
    SectionNameBlock cut(10);
    for (const std::string& name : names) cut.Add(name);
    EXPECT_EQ(NamesInBlock(std::move(cut).Finish()), (std::vector<std::string>{"S", "Sectio"}));
}

}  // namespace
}  // namespace vu
