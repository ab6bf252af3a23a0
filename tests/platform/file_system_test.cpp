#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "helpers/temp_folder.h"
#include "platform/file.h"
#include "platform/system_error.h"

namespace vu::platform {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

TEST(FileSystem, ReadOnlyAttributeRoundTrips) {
    const TempFolder folder;
    const std::string path = folder / "a.txt";
    WriteFileBytes(path, "x");
    ASSERT_TRUE(WriteAttributes(path, kAttributeReadOnly));
    EXPECT_EQ(*ReadAttributes(path) & kAttributeReadOnly, kAttributeReadOnly);
    ASSERT_TRUE(WriteAttributes(path, kAttributeArchive));
    EXPECT_EQ(*ReadAttributes(path) & kAttributeReadOnly, 0u);
    EXPECT_FALSE(ReadAttributes(folder / "missing").has_value());
}

TEST(FileSystem, RenameRefusesAnExistingTargetWhileReplaceOverwrites) {
    const TempFolder folder;
    WriteFileBytes(folder / "a", "new");
    WriteFileBytes(folder / "b", "old");
    EXPECT_FALSE(RenameFile(folder / "a", folder / "b"));
    EXPECT_EQ(ReadFileBytes(folder / "b"), "old");
    EXPECT_TRUE(RenameOver(folder / "a", folder / "b"));
    EXPECT_EQ(ReadFileBytes(folder / "b"), "new");
    EXPECT_FALSE(FileExists(folder / "a"));
}

TEST(FileSystem, MakeFoldersCreatesEveryLevelAndListFolderSeesThem) {
    const TempFolder folder;
    ASSERT_TRUE(MakeFolders(folder / "x\\y\\z\\"));
    EXPECT_TRUE(FolderExists(folder / "x\\y\\z"));
    WriteFileBytes(folder / "x\\f.txt", "1");
    auto entries = *ListFolder(folder / "x");
    std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "f.txt");
    EXPECT_EQ(entries[0].attributes & kAttributeFolder, 0u);
    EXPECT_EQ(entries[1].name, "y");
    EXPECT_NE(entries[1].attributes & kAttributeFolder, 0u);
    EXPECT_FALSE(ListFolder(folder / "missing").has_value());
}

TEST(FileSystem, StampChangesWhenTheFileIsReplaced) {
    const TempFolder folder;
    EXPECT_EQ(StampOf(folder / "f").size, -1);
    WriteFileBytes(folder / "f", "one");
    const FileStamp first = StampOf(folder / "f");
    EXPECT_EQ(first.size, 3);
    WriteFileBytes(folder / "g", "two");
    ASSERT_TRUE(RenameOver(folder / "g", folder / "f"));
    EXPECT_NE(StampOf(folder / "f"), first);
}

TEST(File, SeeksAndReadsBeyondFourGigabytePositions) {
    const TempFolder folder;
    auto file = File::Open(folder / "big", FileAccess::ReadWrite, FileShare::None, FileCreation::CreateAlways);
    const std::int64_t far = (std::int64_t{1} << 32) + 10;
    file.Seek(far);
    file.Write("z", 1);
    EXPECT_EQ(file.Size(), far + 1);
    file.Seek(far);
    char c = 0;
    EXPECT_EQ(file.Read(&c, 1), 1u);
    EXPECT_EQ(c, 'z');
}

TEST(File, OpeningAMissingFileRaisesWithTheOsCode) {
    const TempFolder folder;
    try {
        File::Open(folder / "missing", FileAccess::Read, FileShare::Read, FileCreation::OpenExisting);
        FAIL() << "no exception";
    } catch (const SystemError& error) {
        EXPECT_NE(error.Code(), 0u);
    }
}

}  // namespace
}  // namespace vu::platform
