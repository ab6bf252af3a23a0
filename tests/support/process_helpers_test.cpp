#include "support/process_helpers.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "helpers/temp_folder.h"
#include "platform/file_system.h"
#include "platform/path_mapping.h"

namespace vu {
namespace {

#ifdef _WIN32
constexpr char kChildName[] = "vu_test_child.exe";
#else
constexpr char kChildName[] = "vu_test_child";
#endif

// A copy of the test child in a folder of its own whose name holds a space, so that the child's
// working folder shows where it was started and its report lands beside it.
class ChildInOwnFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(platform::MakeFolder(folder));
        std::filesystem::copy_file(platform::NativePath(test::ProgramFolder() + kChildName),
                                   platform::NativePath(program));
    }

    // The report's lines: the child's working folder, then its arguments.
    std::vector<std::string> ReportLines() const {
        const std::string report = test::ReadFileBytes(folder + "child-report.txt");
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = report.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(report.substr(start, end - start));
        return lines;
    }

    const test::TempFolder temp;
    const std::string folder = temp / "tool folder\\";
    const std::string program = folder + kChildName;
};

TEST(RunCommandLine, QuotesTheProgramAndTrimsTheEnds) {
    const struct {
        const char* program;
        const char* arguments;
        const char* expected;
    } cases[] = {
        {"C:\\Game\\setup.exe", "", "\"C:\\Game\\setup.exe\""},
        {"C:\\Game\\setup.exe", "/s /d=C:\\Game", "\"C:\\Game\\setup.exe\" /s /d=C:\\Game"},
        {"x.exe", "  a b \t\r\n", "\"x.exe\"   a b"},
    };
    for (const auto& c : cases) EXPECT_EQ(RunCommandLine(c.program, c.arguments), c.expected) << c.arguments;
}

TEST_F(ChildInOwnFolder, RunsInTheProgramsFolderWithItsArgumentsAndReturnsTheExitCode) {
    EXPECT_EQ(RunAndWait(program, "7 \"two words\"", false), 7);
    const auto lines = ReportLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(platform::CorePath(lines[0]) + "\\", folder);
    EXPECT_EQ(lines[1], "7");
    EXPECT_EQ(lines[2], "two words");
}

TEST_F(ChildInOwnFolder, EmptyArgumentsPassNoArgumentAtAll) {
    EXPECT_EQ(RunAndWait(program, "", true), 0);
    EXPECT_EQ(ReportLines().size(), 1u);
}

TEST(RunAndWait, AProgramThatCannotBeStartedGivesMinusOne) {
    const test::TempFolder temp;
    EXPECT_EQ(RunAndWait(temp / "missing.exe", "1", false), -1);
    EXPECT_EQ(RunAndWait(temp / "no folder\\missing.exe", "", false), -1);
    EXPECT_EQ(RunAndWait("", "", false), -1);
}

}  // namespace
}  // namespace vu
