// The version query over a saved list: the section and entry it picks, how versions compare,
// exactly which bytes of the caller's record it writes, and when it refuses a list that is
// missing or was changed after it was saved.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "helpers/temp_folder.h"
#include "job/version_catalogue.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/system_error.h"

namespace vu {
namespace {

// Output fields start filled with this byte, so that a test sees which bytes were written.
constexpr char kUntouched = '~';

const std::string kExampleList =
    "[Default]\r\n"
    "Version=120\r\n"
    "-1=121|full/list.txt|fallback\r\n"
    "[ClientA]\r\n"
    "Version=1.0.5\r\n"
    "1.0.3=1.0.5|from103/list.txt|notes for 1.0.3\r\n"
    "1.0.5=1.0.5|current/list.txt|\r\n"
    "-1=1.0.5|full/list.txt|fallback\r\n";

template <std::size_t Width>
void PutText(char (&field)[Width], const std::string& text) {
    std::memcpy(field, text.data(), text.size());
    if (text.size() < Width) field[text.size()] = '\0';
}

VersionQuery MakeQuery(const std::string& product, const std::string& version,
                       const std::string& entryUrl = "base/") {
    VersionQuery query;
    std::memset(&query, kUntouched, sizeof query);
    std::memset(query.ProductName, 0, sizeof query.ProductName);
    std::memset(query.CurrentVersion, 0, sizeof query.CurrentVersion);
    PutText(query.ProductName, product);
    PutText(query.CurrentVersion, version);
    PutText(query.EntryUrl, entryUrl);
    return query;
}

// What a test expects of one output field.
struct Field {
    enum Kind { Text, Zeroed, Untouched } kind;
    std::string text;
};
Field Text(const std::string& text) { return {Field::Text, text}; }
const Field kZeroed{Field::Zeroed, {}};
const Field kSame{Field::Untouched, {}};

// A 20-byte field holds exactly min(20, length) bytes of its text, the rest as before; a
// 260-byte field holds its text and a NUL. Untouched 260-byte fields are compared with before.
template <std::size_t Width>
void ExpectField(const char (&field)[Width], const char (&before)[Width], const Field& expected,
                 const std::string& where) {
    const std::string actual(field, Width);
    switch (expected.kind) {
    case Field::Zeroed:
        EXPECT_EQ(actual, std::string(Width, '\0')) << where;
        break;
    case Field::Untouched:
        EXPECT_EQ(actual, std::string(before, Width)) << where;
        break;
    case Field::Text:
        if (Width == 20) {
            const std::size_t written = std::min<std::size_t>(20, expected.text.size());
            EXPECT_EQ(actual.substr(0, written), expected.text.substr(0, written)) << where;
            EXPECT_EQ(actual.substr(written), std::string(before + written, Width - written))
                << where << ": bytes after the text were written";
        } else {
            EXPECT_EQ(actual.substr(0, expected.text.size() + 1), expected.text + '\0') << where;
        }
        break;
    }
}

class VersionCatalogueTest : public ::testing::Test {
protected:
    void SetUp() override { ResetVersionCatalogue(); }
    void TearDown() override { ResetVersionCatalogue(); }

    std::string SaveList(const std::string& content) {
        const std::string path = folder_ / "vlt.tmp";
        SaveVersionList(path, content);
        return path;
    }

    test::TempFolder folder_;
};

struct QueryCase {
    std::string product, version, entryUrl;
    std::int32_t result;
    Field entryVersion, listVersion, url, extra;
};

void RunQueryCases(const std::vector<QueryCase>& cases) {
    for (const auto& c : cases) {
        const std::string where = c.product + " / " + c.version;
        VersionQuery query = MakeQuery(c.product, c.version, c.entryUrl);
        const VersionQuery before = query;
        EXPECT_EQ(CheckVersion(query), c.result) << where;
        ExpectField(query.EntryVersion, before.EntryVersion, c.entryVersion, where + " EntryVersion");
        ExpectField(query.ListVersion, before.ListVersion, c.listVersion, where + " ListVersion");
        ExpectField(query.EntryUrl, before.EntryUrl, c.url, where + " EntryUrl");
        ExpectField(query.EntryExtra, before.EntryExtra, c.extra, where + " EntryExtra");
        EXPECT_EQ(std::memcmp(query.Reserved, before.Reserved, sizeof query.Reserved), 0) << where;
        EXPECT_EQ(std::memcmp(query.ProductName, before.ProductName, 280), 0) << where;
    }
}

TEST_F(VersionCatalogueTest, WorkedQueriesOnTheExampleList) {
    SaveList(kExampleList);
    RunQueryCases({
        {"ClientA", "1.0.3", "base/", 0, Text("1.0.5"), Text("1.0.5"),
         Text("base/from103/list.txt"), Text("notes for 1.0.3")},
        {"ClientA", "1.0.5", "base/", 3, Text("1.0.5"), Text("1.0.5"),
         Text("base/current/list.txt"), kZeroed},
        {"ClientA", "1.0.2", "base/", 0, Text("1.0.5"), Text("1.0.5"),
         Text("base/full/list.txt"), Text("fallback")},
        {"ClientA", "1.0.9", "base/", 4, kSame, Text("1.0.5"), kSame, kSame},
        {"ClientB", "100", "base/", 4, kSame, Text("120"), kSame, kSame},
        {"ClientB", "130", "base/", 0, Text("121"), Text("120"), Text("base/full/list.txt"),
         Text("fallback")},
        // Names compare without regard to case.
        {"clienta", "1.0.3", "base/", 0, Text("1.0.5"), Text("1.0.5"),
         Text("base/from103/list.txt"), Text("notes for 1.0.3")},
        // No product name: the "Default" section.
        {"", "130", "", 0, Text("121"), Text("120"), Text("full/list.txt"), Text("fallback")},
    });
}

TEST_F(VersionCatalogueTest, SectionChoiceWithoutDefault) {
    SaveList("[ClientA]\nVersion=1.0.5\n-1=x|y|z\n");
    RunQueryCases({
        // The product's name is used anyway: an empty section.
        {"ClientB", "1", "base/", 4, kSame, kZeroed, kSame, kSame},
        {"ClientB", "", "base/", 3, kZeroed, kZeroed, kZeroed, kZeroed},
        // No name at all: nothing is written.
        {"", "1", "base/", 4, kSame, kSame, kSame, kSame},
    });
}

// With the fallback key present, the result tells how the versions compared: 3 when equal,
// 0 (fallback) when c > 0, 4 when c < 0.
TEST_F(VersionCatalogueTest, VersionsCompareAsIntegersOrElseAsTextTheOtherWayRound) {
    struct Case {
        std::string local, server;
        std::int32_t result;
    };
    const std::vector<Case> cases = {
        {"9", "10", 4},                  // numbers: 9 < 10
        {"10", "9", 0},
        {"1.9", "1.10", 4},              // text: the server's 1.10 sorts before 1.9
        {"1.10", "1.9", 0},
        {"v2", "V2", 3},
        {"$10", "16", 3},                // hexadecimal forms are numbers
        {"0x10", "x10", 3},
        {"  +16", "16", 3},
        {"0xFFFFFFFF", "-1", 3},
        {"16 ", "16", 4},                // a trailing space makes it text: "16" sorts first
        {"2147483648", "2147483647", 4}, // out of range is text: "...47" sorts first
        {"-20091023", "-20091023", 3},   // the not-a-number value compares as text
        {"-20091023", "5", 0},           // as text "5" sorts after "-2...", so c > 0
        {"5", "-20091023", 4},
    };
    for (const auto& c : cases) {
        SaveList("[P]\r\nVersion=" + c.server + "\r\n-1=fb|u|x\r\n");
        VersionQuery query = MakeQuery("P", c.local);
        EXPECT_EQ(CheckVersion(query), c.result) << c.local << " against " << c.server;
    }
}

TEST_F(VersionCatalogueTest, EntryPartsFillTheRecord) {
    const std::string longPart1(25, 'v');
    const std::string longExtra(300, 'e');
    SaveList("[P]\r\nVersion=0\r\n"
             "k1=a||c\r\n"
             "k2=|b\r\n"
             "k3=a\r\n"
             "k4=a|\r\n"
             "k5=a|b|c|d\r\n"
             "k6=" + longPart1 + "|u|" + longExtra + "\r\n"
             "k7=a|" + std::string(20, 'p') + "|c\r\n");
    const std::string url250(250, 'u');
    RunQueryCases({
        {"P", "k1", "base/", 0, Text("a"), Text("0"), Text("base/"), Text("c")},
        {"P", "k2", "base/", 0, kSame, Text("0"), Text("base/b"), kZeroed},
        {"P", "k3", "base/", 0, Text("a"), Text("0"), kZeroed, kZeroed},
        {"P", "k4", "base/", 0, Text("a"), Text("0"), kZeroed, kZeroed},
        {"P", "k5", "base/", 0, Text("a"), Text("0"), Text("base/b"), Text("c")},
        {"P", "k6", "base/", 0, Text(longPart1), Text("0"), Text("base/u"),
         Text(longExtra.substr(0, 259))},
        {"P", "k7", url250, 0, Text("a"), Text("0"),
         Text((url250 + std::string(20, 'p')).substr(0, 259)), Text("c")},
    });
}

TEST_F(VersionCatalogueTest, CallersEntryUrlWithoutNulIsCutBeforeAppending) {
    SaveList("[P]\r\nVersion=0\r\nk=a|tail|c\r\n");
    VersionQuery query = MakeQuery("P", "k");
    std::memset(query.EntryUrl, 'u', sizeof query.EntryUrl);
    EXPECT_EQ(CheckVersion(query), 0);
    EXPECT_EQ(std::string(query.EntryUrl), std::string(259, 'u'));
}

TEST_F(VersionCatalogueTest, SectionsBeyondTheListingCountAsMissing) {
    std::string list = "[Default]\r\nVersion=7\r\n";
    // 1,500 names of 12 bytes with their NULs: more than the 16,384-byte listing holds.
    for (int i = 0; i < 1500; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Filler%05d", i);
        list += std::string("[") + name + "]\r\nVersion=1\r\n";
    }
    list += "[Late]\r\nVersion=99\r\n";
    SaveList(list);
    VersionQuery early = MakeQuery("Filler00010", "1");
    EXPECT_EQ(CheckVersion(early), 3);
    VersionQuery late = MakeQuery("Late", "7");
    EXPECT_EQ(CheckVersion(late), 3);
    EXPECT_EQ(std::string(late.ListVersion, 2), std::string("7") + kUntouched);
}

TEST_F(VersionCatalogueTest, AnswersSixUnlessTheSavedListIsIntact) {
    VersionQuery query = MakeQuery("ClientA", "1.0.3");
    const VersionQuery before = query;
    EXPECT_EQ(CheckVersion(query), 6) << "before any list was saved";
    EXPECT_EQ(std::memcmp(&query, &before, sizeof query), 0);

    const std::string path = SaveList(kExampleList);
    EXPECT_EQ(CheckVersion(query), 0);

    std::string changed = kExampleList;
    changed[changed.find("1.0.3=1.0.5") + 4] = '4';
    test::WriteFileBytes(path, changed);
    query = before;
    EXPECT_EQ(CheckVersion(query), 6) << "a byte changed";
    EXPECT_EQ(std::memcmp(&query, &before, sizeof query), 0);

    test::WriteFileBytes(path, kExampleList);
    EXPECT_EQ(CheckVersion(query), 0) << "the saved content is back";

#if defined(_WIN32)
    {
        // Another opener that denies reading, as a writer may.
        const auto holder = platform::File::Open(path, platform::FileAccess::ReadWrite,
                                                 platform::FileShare::None,
                                                 platform::FileCreation::OpenExisting);
        query = before;
        EXPECT_EQ(CheckVersion(query), 6) << "the file cannot be read";
        EXPECT_EQ(std::memcmp(&query, &before, sizeof query), 0);
    }
#endif

    ASSERT_TRUE(platform::RemoveFile(path));
    EXPECT_EQ(CheckVersion(query), 6) << "the file is gone";

    test::WriteFileBytes(path, kExampleList);
    ResetVersionCatalogue();
    EXPECT_EQ(CheckVersion(query), 6) << "a file on disk that no fetch saved since the reset";
}

TEST_F(VersionCatalogueTest, ListThatCannotBeWrittenLeavesTheSavedOneAnswering) {
    SaveList(kExampleList);
    const std::string folder = folder_ / "folder";
    ASSERT_TRUE(platform::MakeFolder(folder));
    EXPECT_THROW(SaveVersionList(folder, "[ClientA]\r\nVersion=9\r\n"), platform::SystemError);
    VersionQuery query = MakeQuery("ClientA", "1.0.3");
    EXPECT_EQ(CheckVersion(query), 0);
}

TEST_F(VersionCatalogueTest, ReadOnlyListIsReplaced) {
    const std::string path = SaveList(kExampleList);
    ASSERT_TRUE(platform::WriteAttributes(path, platform::kAttributeReadOnly));
    SaveList("[ClientA]\r\nVersion=1.0.3\r\n");
    VersionQuery query = MakeQuery("ClientA", "1.0.3");
    EXPECT_EQ(CheckVersion(query), 3);
}

}  // namespace
}  // namespace vu
