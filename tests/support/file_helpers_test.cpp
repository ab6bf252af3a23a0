#include "support/file_helpers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

#include "helpers/temp_folder.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/path_mapping.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vu {
namespace {

using platform::FileAccess;
using platform::FileCreation;
using platform::FileShare;
using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

// A file of the given size whose content takes no disk space (only its last byte is written).
void MakeSizedFile(const std::string& path, std::int64_t size) {
    auto file = platform::File::Open(path, FileAccess::Write, FileShare::None, FileCreation::CreateAlways);
    file.Seek(size - 1);
    file.Write("x", 1);
}

bool IsReadOnly(const std::string& path) {
    return (*platform::ReadAttributes(path) & platform::kAttributeReadOnly) != 0;
}

TEST(FileSizeOf, ReportsSixtyFourBitSizesAndMinusOneForWhatCannotBeOpened) {
    const TempFolder folder;
    const std::int64_t beyondFourGigabytes = (std::int64_t{1} << 32) + 10;
    MakeSizedFile(folder / "big", beyondFourGigabytes);
    EXPECT_EQ(FileSizeOf(folder / "big"), beyondFourGigabytes);
    WriteFileBytes(folder / "empty", "");
    EXPECT_EQ(FileSizeOf(folder / "empty"), 0);
    EXPECT_EQ(FileSizeOf(folder / "missing"), -1);
    EXPECT_EQ(FileSizeOf(folder.Path()), -1);
    EXPECT_EQ(FileSizeOf(""), -1);
}

TEST(FileSizeOf, ReadsAFileThatAnotherWriterHoldsOpen) {
    const TempFolder folder;
    auto writer = platform::File::Open(folder / "log", FileAccess::Write, FileShare::ReadWrite,
                                       FileCreation::CreateAlways);
    writer.Write("12345", 5);
    EXPECT_EQ(FileSizeOf(folder / "log"), 5);
}

TEST(ClearReadOnly, ClearsOnlyTheReadOnlyBitOfFilesAndFolders) {
    const TempFolder folder;
    WriteFileBytes(folder / "f", "x");
    ASSERT_TRUE(platform::MakeFolder(folder / "d"));
    for (const std::string& path : {folder / "f", folder / "d"}) {
        const std::uint32_t before = *platform::ReadAttributes(path);
        ASSERT_TRUE(platform::WriteAttributes(path, before | platform::kAttributeReadOnly));
        ClearReadOnly(path);
        EXPECT_EQ(*platform::ReadAttributes(path), before & ~platform::kAttributeReadOnly) << path;
    }
    ClearReadOnly(folder / "missing");
    EXPECT_FALSE(platform::ReadAttributes(folder / "missing").has_value());
}

TEST(MoveFileOver, ReplacesTheTargetAndLeavesNoBackup) {
    const TempFolder folder;
    WriteFileBytes(folder / "new", "new content");
    WriteFileBytes(folder / "target", "old content");
    EXPECT_EQ(MoveFileOver(folder / "new", folder / "target"), 1);
    EXPECT_EQ(ReadFileBytes(folder / "target"), "new content");
    EXPECT_FALSE(platform::FileExists(folder / "new"));
    EXPECT_FALSE(platform::FileExists(folder / "target.bak"));
}

TEST(MoveFileOver, WithoutATargetDeletesAStaleBackupFirst) {
    const TempFolder folder;
    WriteFileBytes(folder / "new", "new content");
    WriteFileBytes(folder / "target.bak", "stale");
    ASSERT_TRUE(platform::WriteAttributes(folder / "target.bak", platform::kAttributeReadOnly));
    EXPECT_EQ(MoveFileOver(folder / "new", folder / "target"), 1);
    EXPECT_EQ(ReadFileBytes(folder / "target"), "new content");
    EXPECT_FALSE(platform::FileExists(folder / "target.bak"));
}

TEST(MoveFileOver, ReplacesAReadOnlyTargetWithAReadOnlySource) {
    const TempFolder folder;
    WriteFileBytes(folder / "new", "new content");
    WriteFileBytes(folder / "target", "old content");
    ASSERT_TRUE(platform::WriteAttributes(folder / "new", platform::kAttributeReadOnly));
    ASSERT_TRUE(platform::WriteAttributes(folder / "target", platform::kAttributeReadOnly));
    EXPECT_EQ(MoveFileOver(folder / "new", folder / "target"), 1);
    EXPECT_EQ(ReadFileBytes(folder / "target"), "new content");
    EXPECT_FALSE(IsReadOnly(folder / "target"));
    EXPECT_FALSE(platform::FileExists(folder / "target.bak"));
}

TEST(MoveFileOver, AMissingSourceChangesNothing) {
    const TempFolder folder;
    WriteFileBytes(folder / "target", "old content");
    WriteFileBytes(folder / "target.bak", "stale");
    EXPECT_EQ(MoveFileOver(folder / "missing", folder / "target"), 0);
    EXPECT_EQ(ReadFileBytes(folder / "target"), "old content");
    EXPECT_EQ(ReadFileBytes(folder / "target.bak"), "stale");
    // A folder is not a source file either.
    ASSERT_TRUE(platform::MakeFolder(folder / "folder"));
    EXPECT_EQ(MoveFileOver(folder / "folder", folder / "target"), 0);
    EXPECT_EQ(ReadFileBytes(folder / "target"), "old content");
}

#ifdef _WIN32

// An open handle without delete sharing makes the source impossible to rename.
TEST(MoveFileOver, AFailedFinalRenamePutsTheOldTargetBack) {
    const TempFolder folder;
    WriteFileBytes(folder / "new", "new content");
    WriteFileBytes(folder / "target", "old content");
    {
        const auto lock = platform::File::Open(folder / "new", FileAccess::Read, FileShare::ReadWrite,
                                               FileCreation::OpenExisting);
        EXPECT_EQ(MoveFileOver(folder / "new", folder / "target"), -1);
    }
    EXPECT_EQ(ReadFileBytes(folder / "target"), "old content");
    EXPECT_EQ(ReadFileBytes(folder / "new"), "new content");
    EXPECT_FALSE(platform::FileExists(folder / "target.bak"));
}

TEST(MoveFileOver, ATargetThatCanBeNeitherMovedNorDeletedGivesMinusThree) {
    const TempFolder folder;
    WriteFileBytes(folder / "new", "new content");
    WriteFileBytes(folder / "target", "old content");
    {
        const auto lock = platform::File::Open(folder / "target", FileAccess::Read, FileShare::ReadWrite,
                                               FileCreation::OpenExisting);
        EXPECT_EQ(MoveFileOver(folder / "new", folder / "target"), -3);
    }
    EXPECT_EQ(ReadFileBytes(folder / "target"), "old content");
    EXPECT_EQ(ReadFileBytes(folder / "new"), "new content");
}

#else

// A folder on another file system than the temporary folder, removed with its content.
class OtherDeviceFolder {
public:
    explicit OtherDeviceFolder(const std::string& nearPath) {
        struct stat near {};
        struct stat shm {};
        if (::stat(platform::NativePath(nearPath).c_str(), &near) != 0 || ::stat("/dev/shm", &shm) != 0 ||
            near.st_dev == shm.st_dev)
            return;
        native_ = "/dev/shm/vu-test-" + std::to_string(::getpid()) + "-move";
        std::filesystem::create_directories(*native_);
    }
    ~OtherDeviceFolder() {
        std::error_code ignored;
        if (native_) std::filesystem::remove_all(*native_, ignored);
    }
    OtherDeviceFolder(const OtherDeviceFolder&) = delete;
    OtherDeviceFolder& operator=(const OtherDeviceFolder&) = delete;

    bool Available() const { return native_.has_value(); }
    std::string operator/(const std::string& name) const { return platform::CorePath(*native_) + "\\" + name; }

private:
    std::optional<std::string> native_;
};

// A rename across file systems fails, so a source on another one fails the final step.
TEST(MoveFileOver, AFailedFinalRenamePutsTheOldTargetBack) {
    const TempFolder folder;
    const OtherDeviceFolder elsewhere(folder.Path());
    if (!elsewhere.Available()) GTEST_SKIP() << "no second file system at /dev/shm";
    WriteFileBytes(elsewhere / "new", "new content");
    WriteFileBytes(folder / "target", "old content");
    EXPECT_EQ(MoveFileOver(elsewhere / "new", folder / "target"), -1);
    EXPECT_EQ(ReadFileBytes(folder / "target"), "old content");
    EXPECT_EQ(ReadFileBytes(elsewhere / "new"), "new content");
    EXPECT_FALSE(platform::FileExists(folder / "target.bak"));
}

#endif

TEST(BackupIfInSizeRange, CopiesOnlyWhenTheSizeLiesStrictlyInsideTheWindow) {
    constexpr std::int64_t kLower = 5'242'880;
    constexpr std::int64_t kUpper = 10'485'760;
    const struct {
        std::int64_t size;
        bool copied;
    } cases[] = {
        {kLower, false}, {kLower + 1, true}, {kUpper - 1, true}, {kUpper, false}, {1, false},
    };
    for (const auto& c : cases) {
        const TempFolder folder;
        const std::string log = folder / "freshline.err";
        MakeSizedFile(log, c.size);
        EXPECT_EQ(BackupIfInSizeRange(log, kLower, kUpper), c.copied) << c.size;
        EXPECT_EQ(FileSizeOf(log + ".bk"), c.copied ? c.size : -1) << c.size;
    }
}

TEST(BackupIfInSizeRange, OverwritesAReadOnlyBackupAndKeepsTheSourceReadable) {
    const TempFolder folder;
    const std::string log = folder / "freshline.log";
    WriteFileBytes(log, "current log");
    WriteFileBytes(log + ".bk", "older backup");
    ASSERT_TRUE(platform::WriteAttributes(log, platform::kAttributeReadOnly));
    ASSERT_TRUE(platform::WriteAttributes(log + ".bk", platform::kAttributeReadOnly));
    EXPECT_TRUE(BackupIfInSizeRange(log, 0, 100));
    EXPECT_EQ(ReadFileBytes(log + ".bk"), "current log");
    EXPECT_EQ(ReadFileBytes(log), "current log");
}

TEST(BackupIfInSizeRange, ComparesSizesBeyondThirtyTwoBits) {
    const TempFolder folder;
    const std::string log = folder / "huge.log";
    // 2^32 + 10 bytes: cut to 32 bits it would read as 10, inside the window.
    MakeSizedFile(log, (std::int64_t{1} << 32) + 10);
    EXPECT_FALSE(BackupIfInSizeRange(log, 5, 100));
    EXPECT_FALSE(platform::FileExists(log + ".bk"));
    EXPECT_FALSE(BackupIfInSizeRange(folder / "missing", -10, 100));
    EXPECT_FALSE(platform::FileExists(folder / "missing.bk"));
}

}  // namespace
}  // namespace vu
