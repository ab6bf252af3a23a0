#include "support/diagnostic_log.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "helpers/temp_folder.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/system_error.h"

namespace vu {
namespace {

// Each test works on its own file name beside the test program, removed before and after.
class DiagnosticLogTest : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    void Clean() {
        for (const char* name : {kDiagnosticLogName, "vekpatch_log.log", "diag-test.log"})
            platform::RemoveFile(HostExecutableFolder() + name);
        platform::RemoveFolder(HostExecutableFolder() + "diag-blocked.log");
    }
    static std::string Content(const std::string& name) { return test::ReadFileBytes(HostExecutableFolder() + name); }
};

TEST_F(DiagnosticLogTest, AppendsLinesWithCrLfBesideTheHostExecutable) {
    WriteDiagnosticLog("first", true);
    WriteDiagnosticLog("", true);
    WriteDiagnosticLog("third", true, "");
    EXPECT_EQ(Content(kDiagnosticLogName), "first\r\n\r\nthird\r\n");
    EXPECT_EQ(HostExecutableFolder(), test::ProgramFolder());
}

TEST_F(DiagnosticLogTest, ANamedFileIsWrittenInTheSameFolderAndLeavesTheDefaultAlone) {
    WriteDiagnosticLog("patch line", true, "vekpatch_log.log");
    EXPECT_EQ(Content("vekpatch_log.log"), "patch line\r\n");
    EXPECT_FALSE(platform::FileExists(HostExecutableFolder() + kDiagnosticLogName));
}

TEST_F(DiagnosticLogTest, ALineSwitchedOffTouchesNothingEvenWhereWritingWouldFail) {
    WriteDiagnosticLog("never", false);
    EXPECT_FALSE(platform::FileExists(HostExecutableFolder() + kDiagnosticLogName));
    ASSERT_TRUE(platform::MakeFolder(HostExecutableFolder() + "diag-blocked.log"));
    EXPECT_NO_THROW(WriteDiagnosticLog("never", false, "diag-blocked.log"));
    EXPECT_NO_THROW(WriteDiagnosticLog("never", false, "no-such-folder\\x.log"));
}

TEST_F(DiagnosticLogTest, AFileThatCannotBeOpenedRaisesTheOsError) {
    ASSERT_TRUE(platform::MakeFolder(HostExecutableFolder() + "diag-blocked.log"));
    for (const char* name : {"diag-blocked.log", "no-such-folder\\x.log"}) {
        try {
            WriteDiagnosticLog("line", true, name);
            ADD_FAILURE() << name << ": no exception";
        } catch (const platform::SystemError& error) {
            EXPECT_NE(error.Code(), 0u) << name;
        }
    }
}

TEST_F(DiagnosticLogTest, ConcurrentWritersAllSucceedAndNeverInterleaveWithinALine) {
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < kLines; ++i) {
                try {
                    WriteDiagnosticLog("thread " + std::to_string(t) + " line " + std::to_string(i) +
                                           std::string(100, 'x'),
                                       true, "diag-test.log");
                } catch (const platform::SystemError&) {
                    ++failures[t];
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;

    std::istringstream lines(Content("diag-test.log"));
    std::set<std::string> seen;
    for (std::string line; std::getline(lines, line);) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r');
        line.pop_back();
        seen.insert(line);
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kLines));
    for (int t = 0; t < kThreads; ++t)
        EXPECT_TRUE(seen.count("thread " + std::to_string(t) + " line 0" + std::string(100, 'x')));
}

#ifdef _WIN32
TEST_F(DiagnosticLogTest, AFileHeldOpenForWritingElsewhereRaises) {
    auto holder = platform::File::Open(HostExecutableFolder() + kDiagnosticLogName, platform::FileAccess::Write,
                                       platform::FileShare::None, platform::FileCreation::OpenAlways);
    EXPECT_THROW(WriteDiagnosticLog("line", true), platform::SystemError);
}
#endif

}  // namespace
}  // namespace vu
