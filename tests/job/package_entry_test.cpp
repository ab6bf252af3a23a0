// Package list lines and entries: the fields read from a line, the names made from an entry name,
// the flags of its markers, and the checks that keep listed names inside the working folder.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job/file_info.h"
#include "job/package_line.h"

namespace vu {
namespace {

TEST(MarkerFilter, MakesTheLocalAndTheRecordName) {
    struct Case {
        const char* entry;
        const char* local;
        const char* record;
    };
    const std::vector<Case> cases = {
        {"!@tools\\setup.zip", "tools\\setup.zip", "tools\\setup.zip"},
        {"res|res105.pat", "res\\res105.pat", "res|res105.pat"},
        {"*/~?:a.dll", "a.dll", "a.dll"},
        {"a|\\b", "a\\b", "a|\\b"},          // the bar's backslash and the next collapse
        {"a\\\\\\b", "a\\\\b", "a\\\\\\b"},  // one pass: three backslashes leave two
        {"x||y", "x\\y", "x||y"},
        {"plain\\name.txt", "plain\\name.txt", "plain\\name.txt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LocalNameOf(c.entry), c.local) << c.entry;
        EXPECT_EQ(RecordNameOf(c.entry), c.record) << c.entry;
    }
    EXPECT_EQ(MarkerFilter("!@*/~?:|", 0xFF), "!@*/~?:|");
    EXPECT_EQ(MarkerFilter("!@*/~?:", 0b0000101), "!*");
}

TEST(TFileInfo, TakesItsFlagsFromTheMarkersOfTheEntryName) {
    const TFileInfo all("!@*/~?:res|a.pat", "res\\a.pat", "D", 7);
    EXPECT_EQ(all.Name, "res|a.pat");
    EXPECT_EQ(all.LocalName, "res\\a.pat");
    EXPECT_TRUE(all.IsArchive && all.RunAfter && all.AlwaysVerify && all.RunOnce &&
                all.IsRemoval && all.IsOptional && all.HasColon && all.IsPatch);
    EXPECT_EQ(all.Size, 7);
    EXPECT_FALSE(all.Downloaded);

    const TFileInfo none("data\\a.pak", "data\\a.pak", "D", -1);
    EXPECT_FALSE(none.IsArchive || none.RunAfter || none.AlwaysVerify || none.RunOnce ||
                 none.IsRemoval || none.IsOptional || none.HasColon || none.IsPatch);
    const TFileInfo archive("!pkg.zip", "pkg.zip", "D", -1);
    EXPECT_TRUE(archive.IsArchive);
    EXPECT_FALSE(archive.RunAfter);
}

TEST(PatchSourceName, IsThePartBeforeTheBarWithoutItsExtension) {
    struct Case {
        const char* entry;
        const char* source;
    };
    const std::vector<Case> cases = {
        {"res.dat|res105.pat", "res"},
        {"data\\game.pak|p1.pat", "data\\game"},
        {"data.v2\\game|p1.pat", "data.v2\\game"},  // a dot in a folder is no extension
        {"a.b.c|x|y", "a.b"},
        {"plain.dll", ""},
    };
    for (const auto& c : cases) {
        const TFileInfo entry(c.entry, LocalNameOf(c.entry), "D", -1);
        EXPECT_EQ(PatchSourceName(entry), c.source) << c.entry;
    }
}

TEST(ParsePackageLine, ReadsTheFieldsAndSkipsLinesWithoutTwo) {
    struct Case {
        std::string line;
        bool parsed;
        const char* name;
        const char* digest;
        std::int64_t size;
    };
    const std::vector<Case> cases = {
        {"a.dll\tD41D8CD98F00B204E9800998ECF8427E\t45056", true, "a.dll",
         "D41D8CD98F00B204E9800998ECF8427E", 45056},
        {"  \x01 a.dll\tD\t12\t\x02  ", true, "a.dll", "D", 12},
        {"a.dll\tD", true, "a.dll", "D", -1},
        {"a.dll\tD\tlots", true, "a.dll", "D", -1},
        {"a.dll\tD\t12 bytes", true, "a.dll", "D", -1},
        {"big.pak\tD\t5368709120", true, "big.pak", "D", 5368709120LL},
        {"a.dll\tD\t-1\textra\tfields", true, "a.dll", "D", -1},
        {"a.dll\t\t7", true, "a.dll", "", 7},
        {"a.dll\tD\t\t", true, "a.dll", "D", -1},
        {"name only", false, "", "", 0},
        {"", false, "", "", 0},
        {"\t\t", false, "", "", 0},
        {std::string(100000, 'x') + "\tD\t1", true, "", "D", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 40));
        const auto parsed = ParsePackageLine(c.line);
        ASSERT_EQ(parsed.has_value(), c.parsed);
        if (!parsed) continue;
        if (c.line.size() < 1000) {
            EXPECT_EQ(parsed->entryName, c.name);
        }
        EXPECT_EQ(parsed->digest, c.digest);
        EXPECT_EQ(parsed->size, c.size);
    }
}

TEST(IsDigestText, AcceptsThirtyTwoHexDigitsOfEitherCase) {
    EXPECT_TRUE(IsDigestText("D41D8CD98F00B204E9800998ECF8427E"));
    EXPECT_TRUE(IsDigestText("d41d8cd98f00b204e9800998ecf8427e"));
    EXPECT_FALSE(IsDigestText("D41D8CD98F00B204E9800998ECF8427"));
    EXPECT_FALSE(IsDigestText("D41D8CD98F00B204E9800998ECF8427EE"));
    EXPECT_FALSE(IsDigestText("G41D8CD98F00B204E9800998ECF8427E"));
    EXPECT_FALSE(IsDigestText("D41D8CD98F00B204E9800998ECF842]="));
    EXPECT_FALSE(IsDigestText(""));
}

TEST(IsSafeLocalName, RefusesEveryNameThatLeavesTheFolderOrNamesADevice) {
    struct Case {
        const char* name;
        bool safe;
    };
    const std::vector<Case> cases = {
        {"a.dll", true},
        {"data\\sub\\a.pak", true},
        {"..a\\b..", true},
        {"console.txt", true},
        {"COM10", true},
        {"LPT0.txt", true},
        {"", false},
        {"..\\evil.dll", false},
        {"data\\..\\..\\evil.dll", false},
        {"data\\ .. \\evil.dll", false},
        {"\\Windows\\evil.dll", false},
        {"\\\\server\\share\\evil.dll", false},
        {"\\.\\PhysicalDrive0", false},
        {"C:evil.dll", false},
        {"data\\", false},
        {"data\\\\a.dll", false},
        {"CON", false},
        {"con.txt", false},
        {"data\\NUL", false},
        {"Aux .log", false},
        {"com1", false},
        {"LPT9.dat", false},
        {"CONOUT$", false},
        {"bad\x01name.dll", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsSafeLocalName(c.name), c.safe) << c.name;
}

}  // namespace
}  // namespace vu
