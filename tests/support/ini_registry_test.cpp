#include "support/ini_registry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "helpers/temp_folder.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "support/ini_file_ex.h"

namespace vu {
namespace {

using namespace std::chrono_literals;
using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

class ManualClock {
public:
    IniClock Function() {
        return [this] { return now_; };
    }
    void Advance(std::chrono::milliseconds step) { now_ += step; }

private:
    std::chrono::steady_clock::time_point now_{std::chrono::hours(1)};
};

class IniRegistryTest : public ::testing::Test {
protected:
    bool OnDisk(const std::string& text) const {
        return ReadFileBytes(path).find(text) != std::string::npos;
    }

    TempFolder folder;
    std::string path = folder / "record.ini";
    ManualClock clock;
    IniRegistry registry{clock.Function()};
};

// Another spelling of the same path: Windows file names ignore case.
std::string OtherSpelling(const TempFolder& folder) {
#ifdef _WIN32
    return folder.Path() + ".\\RECORD.INI";
#else
    return folder.Path() + ".\\record.ini";
#endif
}

TEST_F(IniRegistryTest, ObjectsOnOneFileSeeEachOtherAtOnce) {
    TNEIniFile first(path, registry);
    TNEIniFile second(OtherSpelling(folder), registry);
    first.WriteString("S", "a", "1");
    clock.Advance(10ms);
    first.WriteString("S", "b", "2");  // waits in memory
    EXPECT_EQ(second.ReadString("s", "B", "?"), "2");
    second.DeleteKey("S", "a");
    EXPECT_EQ(first.ReadString("S", "a", "?"), "?");
    second.EraseSection("S");
    std::vector<std::string> sections{"stale"};
    first.ReadSections(sections);
    EXPECT_TRUE(sections.empty());
}

TEST(IniRegistry, ThreadsWritingOneFileThroughTheirOwnObjectsLoseNothing) {
    const TempFolder folder;
    const std::string path = folder / "shared.ini";
    const auto writer = [&](const std::string& section) {
        TNEIniFile file(path);
        for (int i = 0; i < 300; ++i) file.WriteInteger(section, "k" + std::to_string(i), i);
    };
    std::thread first(writer, "A");
    std::thread second(writer, "B");
    first.join();
    second.join();
    TNEIniFile reader(path);
    std::vector<std::string> a;
    std::vector<std::string> b;
    reader.ReadSection("A", a);
    reader.ReadSection("B", b);
    EXPECT_EQ(a.size(), 300u);
    EXPECT_EQ(b.size(), 300u);
    EXPECT_EQ(reader.ReadInteger("B", "k299", -1), 299);
}

TEST_F(IniRegistryTest, WritesReachDiskAtOnceAfterAQuietSpellAndOtherwiseWithin250ms) {
    const std::uint64_t savesBefore = registry.Statistics().fileSaves;
    {
        TNEIniFile file(path, registry);
        file.WriteString("S", "k1", "1");
        EXPECT_TRUE(OnDisk("k1=1")) << "the first write is saved at once";
        clock.Advance(100ms);
        file.WriteString("S", "k2", "2");
        EXPECT_FALSE(OnDisk("k2=2"));
        clock.Advance(100ms);
        EXPECT_EQ(file.ReadString("S", "k2", ""), "2");
        EXPECT_FALSE(OnDisk("k2=2")) << "200 ms after the last save";
        clock.Advance(60ms);
        file.ReadString("S", "other", "");
        EXPECT_TRUE(OnDisk("k2=2")) << "the next operation after 250 ms saves";
        clock.Advance(10ms);
        file.WriteString("S", "k3", "3");
        EXPECT_FALSE(OnDisk("k3=3"));
        file.UpdateFile();
        EXPECT_TRUE(OnDisk("k3=3"));
        clock.Advance(10ms);
        file.WriteString("S", "k4", "4");
        EXPECT_FALSE(OnDisk("k4=4"));
    }
    EXPECT_TRUE(OnDisk("k4=4")) << "closing the last object saves";
    EXPECT_EQ(registry.Statistics().fileSaves - savesBefore, 4u);

    clock.Advance(1000ms);
    TNEIniFile file(path, registry);
    file.WriteString("S", "k5", "5");
    EXPECT_TRUE(OnDisk("k5=5"));
    EXPECT_EQ(ReadFileBytes(path), "[S]\r\nk1=1\r\nk2=2\r\nk3=3\r\nk4=4\r\nk5=5\r\n");
}

TEST_F(IniRegistryTest, ReloadsAFileChangedOnDiskUnlessWritesWait) {
    WriteFileBytes(path, "[S]\r\nk=1\r\n");
    TNEIniFile file(path, registry);
    EXPECT_EQ(file.ReadString("S", "k", ""), "1");
    WriteFileBytes(path, "[S]\r\nk=changed\r\n");
    EXPECT_EQ(file.ReadString("S", "k", ""), "changed");

    file.WriteString("S", "j", "mine");
    clock.Advance(10ms);
    file.WriteString("S", "k", "waiting");
    WriteFileBytes(path, "[S]\r\nk=overwritten elsewhere\r\n");
    EXPECT_EQ(file.ReadString("S", "k", ""), "waiting");
    clock.Advance(300ms);
    file.ReadString("S", "k", "");
    EXPECT_EQ(ReadFileBytes(path), "[S]\r\nk=waiting\r\nj=mine\r\n");
}

TEST_F(IniRegistryTest, AFailedWriteIsTakenBackAndLeavesTheFileAsItWas) {
    const std::string original = "; comment\r\n[S]\r\nk=old\r\n";
    WriteFileBytes(path, original);
    TNEIniFile file(path, registry);
    file.WriteString("S", "k", "first");
    clock.Advance(10ms);
    file.WriteString("S", "waiting", "w");  // not saved yet
    ASSERT_TRUE(platform::WriteAttributes(path, platform::kAttributeReadOnly));
    const std::string beforeFailure = ReadFileBytes(path);

    clock.Advance(300ms);
    file.WriteString("S", "k", "refused");
    EXPECT_NE(file.LastWriteError(), 0u);
    EXPECT_EQ(file.ReadString("S", "k", ""), "first");
    EXPECT_EQ(file.ReadString("S", "waiting", ""), "w") << "earlier writes still wait";
    EXPECT_EQ(ReadFileBytes(path), beforeFailure);

    TIniFile raising(path, registry);
    try {
        raising.WriteString("S", "k", "refused");
        FAIL() << "no exception";
    } catch (const EIniFileException& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
    }
    EXPECT_THROW(raising.EraseSection("S"), EIniFileException);
    EXPECT_EQ(raising.ReadString("S", "k", ""), "first");

    ASSERT_TRUE(platform::WriteAttributes(path, platform::kAttributeArchive));
    file.WriteString("S", "k", "accepted");
    EXPECT_EQ(file.LastWriteError(), 0u);
    EXPECT_EQ(ReadFileBytes(path), "; comment\r\n[S]\r\nk=accepted\r\nwaiting=w\r\n");
    const auto leftovers = *platform::ListFolder(folder.Path());
    EXPECT_EQ(leftovers.size(), 1u) << "no temporary file stays behind";
}

TEST_F(IniRegistryTest, AFileThatCannotBeReadIsNeverReplaced) {
    {
        auto big = platform::File::Open(path, platform::FileAccess::Write, platform::FileShare::None,
                                        platform::FileCreation::CreateAlways);
        big.Seek(65 * 1024 * 1024);
        big.Write("x", 1);
    }
    TNEIniFile file(path, registry);
    EXPECT_EQ(file.ReadString("S", "k", "default"), "default");
    file.WriteString("S", "k", "v");
    EXPECT_NE(file.LastWriteError(), 0u);
    EXPECT_EQ(platform::StampOf(path).size, 65 * 1024 * 1024 + 1);
}

}  // namespace
}  // namespace vu
