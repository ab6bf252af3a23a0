#include "support/folder_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "helpers/temp_folder.h"
#include "platform/file_system.h"
#include "platform/path_mapping.h"

namespace vu {
namespace {

using platform::FileExists;
using platform::FolderExists;
using test::TempFolder;
using test::WriteFileBytes;

// Creates the folders (names ending in a backslash) and files (any other name, holding their
// own name) below root.
void MakeTree(const std::string& root, const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) {
        const std::string path = root + entry;
        if (entry.back() == '\\') {
            ASSERT_TRUE(platform::MakeFolders(path)) << path;
        } else {
            ASSERT_TRUE(platform::MakeFolders(path.substr(0, path.find_last_of('\\'))));
            WriteFileBytes(path, entry);
        }
    }
}

TEST(DeleteFolderTree, RemovesEveryFileAndFolderIncludingReadOnlyFiles) {
    const TempFolder temp;
    const std::string root = temp / "cache";
    MakeTree(root, {"\\a.txt", "\\ro.txt", "\\sub\\b.txt", "\\sub\\deeper\\c.txt", "\\empty\\"});
    ASSERT_TRUE(platform::WriteAttributes(root + "\\ro.txt", platform::kAttributeReadOnly));
    EXPECT_TRUE(DeleteFolderTree(root, true));
    EXPECT_FALSE(platform::ReadAttributes(root).has_value());
}

TEST(DeleteFolderTree, WithoutRemovingFoldersEmptiesThemAndKeepsThem) {
    const TempFolder temp;
    const std::string root = temp / "cache\\";
    MakeTree(root, {"a.txt", "sub\\b.txt", "sub\\deeper\\c.txt"});
    EXPECT_TRUE(DeleteFolderTree(root, false));
    EXPECT_TRUE(FolderExists(root + "sub\\deeper"));
    EXPECT_FALSE(FileExists(root + "a.txt"));
    EXPECT_FALSE(FileExists(root + "sub\\b.txt"));
    EXPECT_FALSE(FileExists(root + "sub\\deeper\\c.txt"));
}

TEST(DeleteFolderTree, ADotFileSurvivesWithEveryFolderAboveIt) {
    const TempFolder temp;
    const std::string root = temp / "cache\\";
    MakeTree(root, {"keep\\inner\\.hidden", "keep\\inner\\x.txt", "other\\y.txt", "z.txt"});
    EXPECT_FALSE(DeleteFolderTree(root, true));
    EXPECT_TRUE(FileExists(root + "keep\\inner\\.hidden"));
    EXPECT_FALSE(FileExists(root + "keep\\inner\\x.txt"));
    EXPECT_FALSE(FileExists(root + "z.txt"));
    EXPECT_FALSE(FolderExists(root + "other"));
    EXPECT_TRUE(FolderExists(root));
}

TEST(DeleteFolderTree, AMissingFolderGivesFalse) {
    const TempFolder temp;
    EXPECT_FALSE(DeleteFolderTree(temp / "missing", true));
    EXPECT_FALSE(DeleteFolderTree(temp / "missing", false));
}

TEST(PruneEmptyFolders, KeepsTheFoldersAboveAPartialDownloadAndRemovesEmptyOnes) {
    const TempFolder temp;
    const std::string root = temp / "cache\\";
    MakeTree(root, {"a\\b\\game.pak.temp", "empty\\", "c\\empty\\", "d\\done.txt", "a\\empty\\",
                    "e\\PART.TEMP"});
    EXPECT_FALSE(PruneEmptyFolders(root));  // the root itself holds folders, no ".temp" file
    EXPECT_TRUE(FolderExists(root));
    EXPECT_TRUE(FileExists(root + "a\\b\\game.pak.temp"));
    EXPECT_TRUE(FileExists(root + "d\\done.txt"));
    EXPECT_TRUE(FileExists(root + "e\\PART.TEMP"));
    EXPECT_FALSE(FolderExists(root + "empty"));
    EXPECT_FALSE(FolderExists(root + "c"));
    EXPECT_FALSE(FolderExists(root + "a\\empty"));
}

TEST(PruneEmptyFolders, RemovesATreeOfEmptyFoldersWithItsRoot) {
    const TempFolder temp;
    const std::string root = temp / "cache";
    MakeTree(root, {"\\x\\y\\z\\", "\\w\\"});
    EXPECT_TRUE(PruneEmptyFolders(root));
    EXPECT_FALSE(platform::ReadAttributes(root).has_value());
    EXPECT_FALSE(PruneEmptyFolders(root));
}

TEST(PruneEmptyFolders, AFolderHoldingOtherFilesIsKeptAndReportedAsNotRemoved) {
    const TempFolder temp;
    const std::string root = temp / "cache\\";
    MakeTree(root, {"done.txt", "empty\\"});
    EXPECT_FALSE(PruneEmptyFolders(root));
    EXPECT_TRUE(FileExists(root + "done.txt"));
    EXPECT_FALSE(FolderExists(root + "empty"));
}

#ifndef _WIN32

// Links made natively: the POSIX backend reports them with the link attribute, as Windows does
// for symbolic links and junctions.
class LinkedTree : public ::testing::Test {
protected:
    void SetUp() override {
        MakeTree(outside, {"precious.txt", "sub\\also.txt", "emptyInside\\"});
        MakeTree(root, {"plain.txt"});
        std::filesystem::create_directory_symlink(platform::NativePath(outside), platform::NativePath(root + "dirlink"));
        std::filesystem::create_symlink(platform::NativePath(outside + "precious.txt"),
                                        platform::NativePath(root + "filelink"));
    }

    void ExpectOutsideUntouched() {
        EXPECT_TRUE(FileExists(outside + "precious.txt"));
        EXPECT_TRUE(FileExists(outside + "sub\\also.txt"));
        EXPECT_TRUE(FolderExists(outside + "emptyInside"));
    }

    const TempFolder temp;
    const std::string outside = temp / "outside\\";
    const std::string root = temp / "cache\\";
};

TEST_F(LinkedTree, DeleteRemovesLinksThemselvesAndNeverTheirTargets) {
    EXPECT_TRUE(DeleteFolderTree(root, true));
    EXPECT_FALSE(platform::ReadAttributes(root).has_value());
    ExpectOutsideUntouched();
}

TEST_F(LinkedTree, DeleteWithoutRemovingFoldersKeepsAFolderLinkAndDoesNotEnterIt) {
    EXPECT_TRUE(DeleteFolderTree(root, false));
    EXPECT_TRUE(platform::ReadAttributes(root + "dirlink").has_value());
    EXPECT_FALSE(platform::ReadAttributes(root + "filelink").has_value());
    EXPECT_FALSE(FileExists(root + "plain.txt"));
    ExpectOutsideUntouched();
}

TEST_F(LinkedTree, PruneRemovesAFolderLinkWithoutPruningItsTarget) {
    EXPECT_FALSE(PruneEmptyFolders(root));  // plain.txt keeps the root
    EXPECT_FALSE(platform::ReadAttributes(root + "dirlink").has_value());
    EXPECT_TRUE(platform::ReadAttributes(root + "filelink").has_value());
    ExpectOutsideUntouched();
}

// Restores the process's current folder when the test ends.
class CurrentFolderGuard {
public:
    explicit CurrentFolderGuard(const std::string& folder) : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(platform::NativePath(folder));
    }
    ~CurrentFolderGuard() {
        std::error_code ignored;
        std::filesystem::current_path(saved_, ignored);
    }
    CurrentFolderGuard(const CurrentFolderGuard&) = delete;
    CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

private:
    std::filesystem::path saved_;
};

// "C:\" names a drive root on Windows; here it is a folder of that name in the current folder,
// so the guard that keeps a drive from being removed can be seen safely. (A bare "C:" cannot be
// imitated: its entries "C:name" are relative to the drive's current folder.)
TEST(DeleteFolderTree, NeverRemovesADriveRoot) {
    const TempFolder temp;
    MakeTree(temp.Path(), {"C:\\file.txt", "C:\\sub\\inner.txt"});
    const CurrentFolderGuard inTemp(temp.Path());
    EXPECT_TRUE(DeleteFolderTree("C:\\", true));
    EXPECT_TRUE(FolderExists(temp / "C:"));
    EXPECT_FALSE(FileExists(temp / "C:\\file.txt"));
    EXPECT_FALSE(FolderExists(temp / "C:\\sub"));
}

#endif

}  // namespace
}  // namespace vu
