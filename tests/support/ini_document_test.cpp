#include "support/ini_document.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "ini_awkward_files.h"

namespace vu {
namespace {

using namespace std::string_literals;

const AnsiCharset kWestern(1252);
const AnsiCharset kChinese(936);

std::string Read(const IniDocument& document, std::string_view section, std::string_view key) {
    return ProfileValue(document.FindValue(section, key), "?", 65536);
}

std::string KeyNames(const IniDocument& document, std::string_view section) {
    KeyNameBlock block(65536);
    document.ListKeyNames(section, block);
    const ProfileBlock listing = std::move(block).Finish();
    return listing.bytes.substr(0, listing.count);
}

std::string SectionNames(const IniDocument& document) {
    SectionNameBlock block(65536);
    document.ListSectionNames(block);
    const ProfileBlock listing = std::move(block).Finish();
    return listing.bytes.substr(0, listing.count);
}

TEST(IniDocument, ReadsAwkwardFilesAsThePrivateProfileFunctionsDo) {
    for (const test::AwkwardIniFile& file : test::AwkwardIniFiles()) {
        const IniDocument document(file.bytes, file.codePage == 936 ? kChinese : kWestern);
        for (const test::IniValueProbe& probe : file.values)
            EXPECT_EQ(Read(document, probe.section, probe.key), probe.expected)
                << file.name << ": [" << probe.section << "] " << probe.key;
        for (const test::IniListingProbe& probe : file.listings) {
            const std::string names = probe.section ? KeyNames(document, *probe.section) : SectionNames(document);
            EXPECT_EQ(names, probe.expected) << file.name << ": listing of " << probe.section.value_or("sections");
        }
        EXPECT_EQ(document.Text(), file.bytes) << file.name << ": an unedited document writes back unchanged";
    }
}

TEST(IniDocument, FoldsCaseWithoutTouchingTheSecondByteOfChineseCharacters) {
    // 0xB0 0x41 and 0xB0 0x61 are two different characters in code page 936.
    const IniDocument document("[\xB0\x41]\nKey\xB0\x41=upper\n[x]\nk\xB0\x61=lower\n", kChinese);
    EXPECT_EQ(Read(document, "\xB0\x41", "KEY\xB0\x41"), "upper");
    EXPECT_EQ(Read(document, "\xB0\x61", "KEY\xB0\x41"), "?");
    EXPECT_EQ(Read(document, "X", "K\xB0\x61"), "lower");
    EXPECT_EQ(Read(document, "x", "k\xB0\x41"), "?");
    EXPECT_EQ(kChinese.FoldCase("AB\xB0\x41Z"), "ab\xB0\x41z");
    EXPECT_EQ(kWestern.FoldCase("AB\xB0\x41Z"), "ab\xB0\x61z");
}

TEST(IniDocument, ABracketThatIsTheSecondByteOfACharacterDoesNotCloseASection) {
    // In code page 936, 0x81 0x5D is one character whose second byte is ']'.
    const IniDocument chinese("[a\x81]\nk=1\n", kChinese);
    EXPECT_EQ(SectionNames(chinese), "");
    EXPECT_EQ(Read(chinese, "", "k"), "1");
    const IniDocument western("[a\x81]\nk=1\n", kWestern);
    EXPECT_EQ(SectionNames(western), "a\x81\0"s);
    IniDocument written("", kChinese);
    EXPECT_FALSE(written.SetValue("a\x81", "k", "v").has_value()) << "its header would not read back";
}

struct EditCase {
    const char* name;
    std::string before;
    std::function<bool(IniDocument&)> edit;
    std::string after;
};

TEST(IniDocument, EditsRewriteOnlyTheLinesTheyTouch) {
    const auto set = [](const char* section, const char* key, const char* value) {
        return [=](IniDocument& document) { return document.SetValue(section, key, value).has_value(); };
    };
    const std::string file = "; keep me\r\n[S]\r\n  key  =  old  \r\nother = 1\n; trailing comment\r\n\r\n[T]\r\nx=1";
    const std::vector<EditCase> cases = {
        {"replace keeps the name as spelled", file, set("s", "KEY", "new"),
         "; keep me\r\n[S]\r\nkey=new\r\nother = 1\n; trailing comment\r\n\r\n[T]\r\nx=1"},
        {"replace keeps the line end", file, set("S", "other", "2"),
         "; keep me\r\n[S]\r\n  key  =  old  \r\nother=2\n; trailing comment\r\n\r\n[T]\r\nx=1"},
        {"add goes before the blank lines", file, set("S", "added", "v"),
         "; keep me\r\n[S]\r\n  key  =  old  \r\nother = 1\n; trailing comment\r\nadded=v\r\n\r\n[T]\r\nx=1"},
        {"add to the last line without a line end", file, set("T", "y", "2"),
         "; keep me\r\n[S]\r\n  key  =  old  \r\nother = 1\n; trailing comment\r\n\r\n[T]\r\nx=1\r\ny=2\r\n"},
        {"new section at the end", file, set("U", "u", "3"),
         "; keep me\r\n[S]\r\n  key  =  old  \r\nother = 1\n; trailing comment\r\n\r\n[T]\r\nx=1\r\n[U]\r\nu=3\r\n"},
        {"keys before any section", file, set("", "top", "0"),
         "; keep me\r\ntop=0\r\n[S]\r\n  key  =  old  \r\nother = 1\n; trailing comment\r\n\r\n[T]\r\nx=1"},
        {"remove key", file, [](IniDocument& d) { return d.RemoveKey("S", "key").Changed(); },
         "; keep me\r\n[S]\r\nother = 1\n; trailing comment\r\n\r\n[T]\r\nx=1"},
        {"remove section", file, [](IniDocument& d) { return d.RemoveSection("s").Changed(); },
         "; keep me\r\n[T]\r\nx=1"},
        {"write to a line without an equals sign", "[S]\nflag\n", set("S", "flag", "on"), "[S]\nflag=on\n"},
        {"new file", "", set("S", "k", "v"), "[S]\r\nk=v\r\n"},
    };
    for (const EditCase& c : cases) {
        IniDocument document(c.before, kWestern);
        ASSERT_TRUE(c.edit(document)) << c.name;
        EXPECT_EQ(document.Text(), c.after) << c.name;
        const IniDocument reread(document.Text(), kWestern);
        EXPECT_EQ(reread.Text(), c.after) << c.name;
    }
}

TEST(IniDocument, UndoRestoresTheTextAndTheIndex) {
    const std::string file = "[S]\r\nk=1\r\nk=2\r\n\r\n[T]\r\nx=1\r\n[s]\r\nm=3\r\n";
    const std::vector<std::pair<const char*, std::function<IniUndo(IniDocument&)>>> edits = {
        {"replace", [](IniDocument& d) { return *d.SetValue("S", "k", "9"); }},
        {"add key", [](IniDocument& d) { return *d.SetValue("T", "y", "9"); }},
        {"add section", [](IniDocument& d) { return *d.SetValue("U", "u", "9"); }},
        {"remove key", [](IniDocument& d) { return d.RemoveKey("S", "k"); }},
        {"remove section", [](IniDocument& d) { return d.RemoveSection("S"); }},
    };
    for (const auto& [name, edit] : edits) {
        IniDocument document(file, kWestern);
        IniUndo undo = edit(document);
        ASSERT_TRUE(undo.Changed()) << name;
        ASSERT_NE(document.Text(), file) << name;
        document.Undo(std::move(undo));
        EXPECT_EQ(document.Text(), file) << name;
        EXPECT_EQ(Read(document, "s", "K"), "1") << name;
        EXPECT_EQ(Read(document, "T", "y"), "?") << name;
        EXPECT_EQ(Read(document, "U", "u"), "?") << name;
        EXPECT_EQ(SectionNames(document), "S\0T\0s\0"s) << name;
        // The index still works for the next edit.
        ASSERT_TRUE(document.SetValue("T", "y", "8").has_value()) << name;
        EXPECT_EQ(Read(document, "t", "Y"), "8") << name;
    }
}

TEST(IniDocument, RemovalsUncoverTheNextDuplicateAndErasureTakesTheFirstSectionOnly) {
    IniDocument document("[S]\nk=1\nk=2\n[s]\nk=3\n", kWestern);
    EXPECT_TRUE(document.RemoveKey("S", "K").Changed());
    EXPECT_EQ(Read(document, "S", "k"), "2");
    EXPECT_TRUE(document.RemoveKey("S", "K").Changed());
    EXPECT_EQ(Read(document, "S", "k"), "?");
    EXPECT_FALSE(document.RemoveKey("S", "K").Changed());
    EXPECT_TRUE(document.RemoveSection("S").Changed());
    EXPECT_EQ(Read(document, "S", "k"), "3");
    EXPECT_FALSE(document.RemoveSection("").Changed());
    EXPECT_EQ(document.Text(), "[s]\nk=3\n");
}

TEST(IniDocument, RefusesTextThatWouldNotReadBackAsWritten) {
    struct Refused {
        const char* section;
        const char* key;
        const char* value;
    };
    const std::vector<Refused> cases = {
        {"S", "k", "two\r\nlines"}, {"S", "k", "line\nfeed"}, {"S\nT", "k", "v"}, {"S", "a=b", "v"},
        {"S", "[x", "]"},         {"S", "k\rx", "v"},
    };
    for (const Refused& c : cases) {
        IniDocument document("[S]\nk=1\n", kWestern);
        EXPECT_FALSE(document.SetValue(c.section, c.key, c.value).has_value()) << c.key << "=" << c.value;
        EXPECT_EQ(document.Text(), "[S]\nk=1\n");
    }
    IniDocument document("[S]\n[y=5\n", kWestern);
    EXPECT_FALSE(document.SetValue("S", "[y", "a]").has_value());
    EXPECT_TRUE(document.SetValue("S", "[y", "6").has_value());
    EXPECT_EQ(document.Text(), "[S]\n[y=6\n");
}

TEST(IniDocument, ValuesEndAtANulByteAsTheirCStringsDo) {
    IniDocument document("", kWestern);
    ASSERT_TRUE(document.SetValue("S\0x"s, "k\0y"s, "ab\0cd"s).has_value());
    EXPECT_EQ(document.Text(), "[S]\r\nk=ab\r\n");
}

TEST(IniDocument, IndexesAHundredThousandKeys) {
    std::string text = "; record\r\n[files]\r\n";
    for (int i = 0; i < 100000; ++i) text += "file" + std::to_string(i) + "=" + std::to_string(i * 7) + "\r\n";
    text += "[end]\r\nlast=1\r\n";
    IniDocument document(text, kWestern);
    EXPECT_EQ(Read(document, "files", "FILE0"), "0");
    EXPECT_EQ(Read(document, "files", "file99999"), "699993");
    EXPECT_EQ(Read(document, "end", "last"), "1");
    KeyNameBlock block(5242880);
    document.ListKeyNames("files", block);
    const std::vector<std::string> names = NamesInBlock(std::move(block).Finish());
    ASSERT_EQ(names.size(), 100000u);
    EXPECT_EQ(names[12345], "file12345");
    for (int i = 0; i < 100000; i += 2) document.RemoveKey("files", "file" + std::to_string(i));
    EXPECT_EQ(document.RemovedLineCount(), 50000u);
    EXPECT_EQ(Read(document, "files", "file4"), "?");
    EXPECT_EQ(Read(document, "files", "file5"), "35");
    const IniDocument rebuilt(document.Text(), kWestern);
    EXPECT_EQ(rebuilt.RemovedLineCount(), 0u);
    EXPECT_EQ(Read(rebuilt, "files", "file99999"), "699993");
}

TEST(IniDocument, BadInputNeverBreaksIt) {
    std::mt19937 random(20261211);
    std::string junk(200000, '\0');
    for (char& byte : junk) byte = static_cast<char>(random());
    std::string longLine = "[S]\nk=" + std::string(10 * 1024 * 1024, 'v') + "\nafter=1\n";
    const std::vector<std::string> inputs = {junk, longLine, std::string(5000, '\0'), "[", "]", "=", "[[]]", "\r\r\n\n"};
    for (const AnsiCharset& charset : {kWestern, kChinese}) {
        for (const std::string& input : inputs) {
            IniDocument document(input, charset);
            EXPECT_EQ(document.Text(), input);
            SectionNames(document);
            KeyNames(document, "S");
            ASSERT_TRUE(document.SetValue("S", "new", "1").has_value());
            const IniDocument reread(document.Text(), charset);
            EXPECT_EQ(Read(reread, "S", "new"), "1");
        }
    }
    const IniDocument document(longLine, kWestern);
    EXPECT_EQ(Read(document, "S", "after"), "1");
    EXPECT_EQ(ProfileValue(document.FindValue("S", "k"), "", 8192), std::string(8191, 'v'));
}

}  // namespace
}  // namespace vu
