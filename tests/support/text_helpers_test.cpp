// The one-line text helpers of paths, URLs and values.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/path_helpers.h"
#include "support/url_helpers.h"
#include "support/value_helpers.h"

namespace vu {
namespace {

TEST(TextHelpers, TransformTheirInputAsDocumented) {
    using Transform = std::function<std::string(const std::string&)>;
    const struct {
        const char* name;
        Transform transform;
        std::string input;
        std::string expected;
    } cases[] = {
        {"AddTrailingBackslash", AddTrailingBackslash, "C", "C:\\"},
        {"AddTrailingBackslash", AddTrailingBackslash, "d", "d:\\"},
        {"AddTrailingBackslash", AddTrailingBackslash, "7", "7\\"},
        {"AddTrailingBackslash", AddTrailingBackslash, "C:", "C:"},
        {"AddTrailingBackslash", AddTrailingBackslash, "D:\\apps", "D:\\apps\\"},
        {"AddTrailingBackslash", AddTrailingBackslash, "D:\\apps\\", "D:\\apps\\"},
        {"AddTrailingBackslash", AddTrailingBackslash, "", ""},
        {"BackslashToSlash", BackslashToSlash, "a\\b\\\\c/", "a/b//c/"},
        {"SlashToBackslash", SlashToBackslash, "a/b//c\\", "a\\b\\\\c\\"},
        {"FolderOfPath", FolderOfPath, "C:\\Game\\bin\\run.exe", "C:\\Game\\bin\\"},
        {"FolderOfPath", FolderOfPath, "C:run.exe", "C:"},
        {"FolderOfPath", FolderOfPath, "run.exe", ""},
        {"MakeUrlFolder", MakeUrlFolder, "a\\b", "a/b/"},
        {"MakeUrlFolder", MakeUrlFolder, "a/b/", "a/b/"},
        {"MakeUrlFolder", MakeUrlFolder, "", ""},
        {"ExtractUrlPath", ExtractUrlPath, "http://host/a/b/c.zip", "http://host/a/b/"},
        {"ExtractUrlPath", ExtractUrlPath, "http://host/a/b/", "http://host/a/b/"},
        {"ExtractUrlPath", ExtractUrlPath, "c.zip", "c.zip"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.transform(c.input), c.expected) << c.name << "(" << c.input << ")";
}

TEST(TextHelpers, SelectAValueOrAListItem) {
    EXPECT_EQ(SelectValue(true, 0x0E000101, 7), 0x0E000101);
    EXPECT_EQ(SelectValue(false, 0x0E000101, 7), 7);
    const std::vector<std::string> list = {"zero", "one"};
    EXPECT_EQ(ListItemOrDefault(list, 0, "none"), "zero");
    EXPECT_EQ(ListItemOrDefault(list, 1, "none"), "one");
    EXPECT_EQ(ListItemOrDefault(list, 2, "none"), "none");
    EXPECT_EQ(ListItemOrDefault(list, -1, "none"), "none");
    EXPECT_EQ(ListItemOrDefault({}, 0, "none"), "none");
}

}  // namespace
}  // namespace vu
