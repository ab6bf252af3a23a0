#include "support/ini_file_ex.h"

#include <gtest/gtest.h>

#include "helpers/temp_folder.h"
#include "platform/file_system.h"

namespace vu {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

TEST(IniFiles, LongValuesReadWholeOnlyThroughTheExtendedClass) {
    const TempFolder folder;
    const std::string value(3000, 'v');
    WriteFileBytes(folder / "long.ini", "[S]\r\nk=" + value + "\r\nhuge=" + std::string(9000, 'h') + "\r\n");
    TIniFileEx extended(folder / "long.ini");
    TNEIniFile plain(folder / "long.ini");
    EXPECT_EQ(extended.ReadString("S", "k", ""), value);
    EXPECT_EQ(plain.ReadString("S", "k", ""), value.substr(0, 2047));
    EXPECT_EQ(extended.ReadString("S", "huge", ""), std::string(8191, 'h'));
}

TEST(IniFiles, LongKeyListsReadWholeOnlyThroughTheExtendedClass) {
    const TempFolder folder;
    std::string text = "[S]\r\n";
    std::vector<std::string> keys;
    for (int i = 0; i < 3000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "key%04d", i);  // 8 bytes with its NUL: 24,000 in all
        keys.emplace_back(name);
        text += keys.back() + "=1\r\n";
    }
    WriteFileBytes(folder / "keys.ini", text);
    std::vector<std::string> listed{"stale"};
    TIniFileEx(folder / "keys.ini").ReadSection("S", listed);
    EXPECT_EQ(listed, keys);

    TNEIniFile(folder / "keys.ini").ReadSection("S", listed);
    ASSERT_EQ(listed.size(), 2048u);
    EXPECT_TRUE(std::equal(listed.begin(), listed.end() - 1, keys.begin()));
    EXPECT_EQ(listed.back(), "key204") << "the name that did not fit is cut";
}

TEST(IniFiles, AWriteIntoAMissingFolderFailsQuietlyAndTheNextGoodWriteClearsTheError) {
    const TempFolder folder;
    const std::string path = folder / "missing\\state.ini";
    TNEIniFile file(path);
    file.WriteString("S", "k", "v");
    EXPECT_NE(file.LastWriteError(), 0u);
    EXPECT_FALSE(platform::FileExists(path));
    EXPECT_EQ(file.ReadString("S", "k", "none"), "none");

    ASSERT_TRUE(platform::MakeFolder(folder / "missing"));
    file.WriteInteger("S", "k", 42);
    EXPECT_EQ(file.LastWriteError(), 0u);
    EXPECT_EQ(ReadFileBytes(path), "[S]\r\nk=42\r\n");
}

TEST(IniFiles, AMissingFileReadsAsDefaultsAndEmptyLists) {
    const TempFolder folder;
    TIniFile file(folder / "none.ini");
    EXPECT_EQ(file.ReadString("S", "k", "given"), "given");
    EXPECT_EQ(file.ReadInteger("S", "k", -5), -5);
    EXPECT_TRUE(file.ReadBool("S", "k", true));
    std::vector<std::string> names{"stale"};
    file.ReadSections(names);
    EXPECT_TRUE(names.empty());
    file.DeleteKey("S", "k");
    file.EraseSection("S");
    file.UpdateFile();
    EXPECT_FALSE(platform::FileExists(folder / "none.ini")) << "removing nothing writes nothing";
}

TEST(IniFiles, ReadsIntegersLikeThePlatform) {
    struct Case {
        const char* text;
        std::int32_t expected;
    };
    const std::vector<Case> cases = {
        {"42", 42},          {"-17", -17},          {"+8", 8},           {"0x1F", 31},         {"0XfF", 255},
        {"$10", 16},         {"0xFFFFFFFF", -1},    {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
        {"2147483648", 7},   {"0x100000000", 7},    {"0x", 7},           {"12abc", 7},         {"", 7},
        {"1.5", 7},          {"\"12\"", 12},        {"--1", 7},          {"0x-1", 7},
    };
    const TempFolder folder;
    const auto key = [](std::size_t index) { return std::string("k").append(std::to_string(index)); };
    std::string text = "[N]\r\n";
    for (std::size_t i = 0; i < cases.size(); ++i) text.append(key(i)).append("=").append(cases[i].text).append("\r\n");
    WriteFileBytes(folder / "n.ini", text);
    TIniFile file(folder / "n.ini");
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(file.ReadInteger("N", key(i), 7), cases[i].expected) << cases[i].text;
    EXPECT_FALSE(file.ReadBool("N", "k13", false)) << "empty text gives the default";
    EXPECT_TRUE(file.ReadBool("N", "k0", false));
}

TEST(IniFiles, WritesAndListsThroughTheClassOperations) {
    const TempFolder folder;
    WriteFileBytes(folder / "w.ini", "; header\r\n[B]\r\nx = 1\r\n");
    {
        TIniFile file(folder / "w.ini");
        file.WriteBool("A", "on", true);
        file.WriteInteger("A", "n", -3);
        file.WriteString("b", "X", "2");
        std::vector<std::string> values;
        file.ReadSectionValues("A", values);
        EXPECT_EQ(values, (std::vector<std::string>{"on=1", "n=-3"}));
        std::vector<std::string> sections;
        file.ReadSections(sections);
        EXPECT_EQ(sections, (std::vector<std::string>{"B", "A"}));
        file.DeleteKey("A", "on");
        file.EraseSection("B");
    }
    EXPECT_EQ(ReadFileBytes(folder / "w.ini"), "; header\r\n[A]\r\nn=-3\r\n");

    TNEIniFile quiet(folder / "w.ini");
    quiet.WriteString("A", "n", "two\r\nlines");
    EXPECT_NE(quiet.LastWriteError(), 0u) << "a value the file cannot hold on one line";
    EXPECT_EQ(quiet.ReadString("A", "n", ""), "-3");
    EXPECT_EQ(ReadFileBytes(folder / "w.ini"), "; header\r\n[A]\r\nn=-3\r\n");
}

}  // namespace
}  // namespace vu
