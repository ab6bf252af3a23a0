#include "platform/process.h"

#include <gtest/gtest.h>

#include "helpers/temp_folder.h"

namespace vu::platform {
namespace {

std::string ChildPath() {
#ifdef _WIN32
    return test::ProgramFolder() + "vu_test_child.exe";
#else
    return test::ProgramFolder() + "vu_test_child";
#endif
}

TEST(Process, StartsInTheWorkingFolderAndReturnsTheExitCode) {
    const test::TempFolder folder;
    auto process = Process::Start("\"" + ChildPath() + "\" 7 \"two words\"", folder.Path(), false);
    ASSERT_TRUE(process.has_value());
    EXPECT_EQ(process->WaitForExit(), 7u);
    const std::string report = test::ReadFileBytes(folder / "child-report.txt");
    EXPECT_NE(report.find("\n7\ntwo words\n"), std::string::npos) << report;
}

TEST(Process, HostExecutablePathNamesTheTestProgram) {
    EXPECT_NE(HostExecutablePath().find("platform_tests"), std::string::npos);
}

}  // namespace
}  // namespace vu::platform
