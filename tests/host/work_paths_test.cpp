#include "host/work_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <set>
#include <thread>

#include "helpers/temp_folder.h"
#include "platform/code_page.h"
#include "platform/file_system.h"

namespace vu {
namespace {

UpdateRequest RequestWithListUrl(const std::string& listUrl) {
    UpdateRequest request;
    std::memset(&request, 0, sizeof request);
    std::memcpy(request.ListUrl, listUrl.data(), std::min(listUrl.size(), sizeof request.ListUrl));
    return request;
}

class WorkPathsTest : public ::testing::Test {
protected:
    void TearDown() override { FinalizeWorkPaths(); }
};

TEST_F(WorkPathsTest, InitialisationDerivesEveryValueFromTheModulePath) {
    LimitSpeed = 5;
    CurrentSpeed = 7.5;
    InitializeWorkPaths("C:\\Client\\RaVuviraZut.dll", "C:\\Client\\bin\\client.exe");
    const WorkPathValues paths = CurrentWorkPaths();
    EXPECT_EQ(paths.modulePath, "C:\\Client\\RaVuviraZut.dll");
    EXPECT_EQ(paths.moduleUpdatePath, "C:\\Client\\RaVuviraZut.update");
    EXPECT_EQ(paths.hostUpdatePath, "C:\\Client\\bin\\client.update");
    EXPECT_EQ(paths.baseWorkDir, "C:\\Client\\");
    EXPECT_EQ(paths.workDir, "C:\\Client\\");
    EXPECT_EQ(paths.workSubDir, "");
    EXPECT_EQ(paths.baseCacheDir, "C:\\Client\\DlCache\\");
    EXPECT_EQ(paths.cacheDir, "C:\\Client\\DlCache\\");
    EXPECT_EQ(LimitSpeed.load(), 2147483647);
    EXPECT_EQ(CurrentSpeed.load(), 0.0);
}

TEST_F(WorkPathsTest, WithoutTheModulePathTheModuleIsTakenToLieInTheHostFolder) {
    InitializeWorkPaths("", "D:\\Games\\Launcher\\launch.exe");
    EXPECT_EQ(ModulePath(), "D:\\Games\\Launcher\\RaVuviraZut.dll");
    EXPECT_EQ(ModuleUpdatePath(), "D:\\Games\\Launcher\\RaVuviraZut.update");
    EXPECT_EQ(WorkDir(), "D:\\Games\\Launcher\\");
    EXPECT_EQ(CacheDir(), "D:\\Games\\Launcher\\DlCache\\");
    EXPECT_EQ(HostUpdatePath(), "D:\\Games\\Launcher\\launch.update");
}

TEST_F(WorkPathsTest, InitialisationFromTheSystemNamesThisProgram) {
    InitializeWorkPaths();
    // The core is linked into the test program, so the module is the program itself.
    EXPECT_EQ(WorkDir(), test::ProgramFolder());
    EXPECT_NE(ModulePath().find("host_tests"), std::string::npos) << ModulePath();
}

TEST_F(WorkPathsTest, FinalisationEmptiesEveryText) {
    InitializeWorkPaths("C:\\Client\\RaVuviraZut.dll", "C:\\Client\\client.exe");
    FinalizeWorkPaths();
    const WorkPathValues paths = CurrentWorkPaths();
    for (const std::string* text : {&paths.modulePath, &paths.moduleUpdatePath, &paths.hostPath,
                                    &paths.hostUpdatePath, &paths.baseWorkDir, &paths.workDir,
                                    &paths.workSubDir, &paths.baseCacheDir, &paths.cacheDir}) {
        EXPECT_EQ(*text, "");
    }
}

TEST(ReplaceExtension, ReplacesTheLastExtensionOfTheFileNamePart) {
    const struct {
        const char* path;
        const char* expected;
    } cases[] = {
        {"C:\\Client\\client.exe", "C:\\Client\\client.update"},
        {"C:\\Client\\app.v2.exe", "C:\\Client\\app.v2.update"},
        {"C:\\My.Folder\\client", "C:\\My.Folder\\client.update"},
        {"client", "client.update"},
        {"C:\\Client\\name.", "C:\\Client\\name.update"},
        {"C:\\Client\\.profile", "C:\\Client\\.update"},
        {"C:client.exe", "C:client.update"},
        {"", ".update"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplaceExtension(c.path, ".update"), c.expected) << c.path;
    }
}

TEST_F(WorkPathsTest, TheFolderOfAModulePathKeepsTwoByteCharactersWhole) {
    if (platform::AnsiCodePage() != 936) GTEST_SKIP() << "needs the Chinese code page";
    // 0x95 0x5C is one character whose second byte is the backslash's.
    InitializeWorkPaths("C:\\Client\\\x95\x5C.dll", "C:\\Client\\client.exe");
    EXPECT_EQ(WorkDir(), "C:\\Client\\");
    EXPECT_EQ(ModuleUpdatePath(), "C:\\Client\\\x95\x5C.update");
}

class WorkSubDirTest : public WorkPathsTest {
protected:
    void SetUp() override { InitializeWorkPaths(base_.Path() + "RaVuviraZut.dll", "C:\\h\\h.exe"); }
    const std::string& Base() const { return base_.Path(); }

private:
    test::TempFolder base_;
};

TEST_F(WorkSubDirTest, TheTextAfterTheLastHashNamesTheSubfolder) {
    const struct {
        const char* listUrl;
        const char* subDir;  // expected WorkSubDir; WorkDir is the base plus it
        const char* workDirBelowBase;
    } cases[] = {
        {"http://h/plist.txt#data*hd", "data\\hd", "data\\hd\\"},
        {"http://h/plist.txt#data*", "data\\", "data\\"},
        {"http://h/a#b/plist.txt#sub", "sub", "sub\\"},
        {"http://h/plist.txt##x", "x", "x\\"},
        {"http://h/plist.txt#", "", ""},
        {"#top", "top", "top\\"},
    };
    for (const auto& c : cases) {
        ResetWorkPaths();
        ApplyWorkSubDir(RequestWithListUrl(c.listUrl));
        const std::string workDir = Base() + c.workDirBelowBase;
        EXPECT_EQ(WorkSubDir(), c.subDir) << c.listUrl;
        EXPECT_EQ(WorkDir(), workDir) << c.listUrl;
        EXPECT_EQ(CacheDir(), workDir + "DlCache\\") << c.listUrl;
        EXPECT_TRUE(platform::FolderExists(workDir)) << c.listUrl;
        EXPECT_EQ(BaseWorkDir(), Base());
    }
}

TEST_F(WorkSubDirTest, AListUrlWithoutHashChangesNothing) {
    ApplyWorkSubDir(RequestWithListUrl("http://h/plist.txt#old"));
    ResetWorkPaths();
    ApplyWorkSubDir(RequestWithListUrl("http://h/plist.txt"));
    EXPECT_EQ(WorkDir(), Base());
    EXPECT_EQ(CacheDir(), Base() + "DlCache\\");
    EXPECT_EQ(WorkSubDir(), "old");
}

TEST_F(WorkSubDirTest, EachJobStartsFromTheBaseFolders) {
    ApplyWorkSubDir(RequestWithListUrl("u#one"));
    ResetWorkPaths();
    EXPECT_EQ(WorkDir(), Base());
    EXPECT_EQ(CacheDir(), Base() + "DlCache\\");
    ApplyWorkSubDir(RequestWithListUrl("u#two"));
    EXPECT_EQ(WorkDir(), Base() + "two\\");
}

TEST_F(WorkSubDirTest, AListUrlFillingItsFieldEndsAtTheFieldsEnd) {
    UpdateRequest request = RequestWithListUrl(std::string(250, 'a') + "#abcdefghi");
    std::memcpy(request.Reserved, "XYZ", 3);
    ApplyWorkSubDir(request);
    EXPECT_EQ(WorkSubDir(), "abcdefghi");
}

TEST_F(WorkSubDirTest, SubfoldersLeadingOutOfTheWorkingFolderAreIgnored) {
    ApplyWorkSubDir(RequestWithListUrl("u#earlier"));
    for (const char* unsafe : {"..", "..*..*escaped", "a*..*..*b", "C:*Windows", "c:evil", "*root",
                               "**server*share", "a/../../b", "/etc", ".. ", "...", "a*.*b"}) {
        ResetWorkPaths();
        ApplyWorkSubDir(RequestWithListUrl(std::string("http://h/plist.txt#") + unsafe));
        EXPECT_EQ(WorkDir(), Base()) << unsafe;
        EXPECT_EQ(CacheDir(), Base() + "DlCache\\") << unsafe;
        EXPECT_EQ(WorkSubDir(), "") << unsafe;
    }
    EXPECT_FALSE(platform::FolderExists(Base() + "..\\escaped"));
}

TEST(IsContainedRelativePath, AcceptsPlainRelativeFolders) {
    for (const char* safe :
         {"", "data", "data\\hd", "data\\hd\\", "a..b\\c", ".hidden", "x\\y.z"}) {
        EXPECT_TRUE(IsContainedRelativePath(safe)) << safe;
    }
}

TEST_F(WorkSubDirTest, ReadersSeeWholeValuesWhileJobsStart) {
    std::atomic<bool> done{false};
    std::atomic<int> unexpected{0};
    const std::set<std::string> expected = {Base(), Base() + "sub\\"};
    std::thread reader([&] {
        while (!done) {
            if (expected.count(WorkDir()) == 0) ++unexpected;
        }
    });
    for (int i = 0; i < 2000; ++i) {
        ResetWorkPaths();
        ApplyWorkSubDir(RequestWithListUrl("u#sub"));
    }
    done = true;
    reader.join();
    EXPECT_EQ(unexpected.load(), 0);
}

TEST_F(WorkPathsTest, ReplacementNamesMapToTheFilesTheyReplace) {
    InitializeWorkPaths("C:\\Client\\RaVuviraZut.dll", "C:\\Client\\Client.exe");
    const struct {
        const char* name;
        bool replaces;
        const char* target;
    } cases[] = {
        {"Client.update", true, "Client.exe"},
        {"CLIENT.UPDATE", true, "Client.exe"},
        {"ravuvirazut.update", true, "RaVuviraZut.dll"},
        {"client.exe", false, "unchanged"},
        {"RaVuviraZut.dll", false, "unchanged"},
        {"client.update.bak", false, "unchanged"},
        {"", false, "unchanged"},
    };
    for (const auto& c : cases) {
        std::string target = "unchanged";
        EXPECT_EQ(ReplacementTargetName(c.name, target), c.replaces) << c.name;
        EXPECT_EQ(target, c.target) << c.name;
    }
}

TEST(StartsWithPkg, ComparesThePrefixWithoutCase) {
    for (const char* name : {"pkg", "PKGdata.zip", "Pkg_1.zip", "pKg"}) {
        EXPECT_TRUE(StartsWithPkg(name)) << name;
    }
    for (const char* name : {"", "pk", "apkg.zip", "kpg.zip", " pkg"}) {
        EXPECT_FALSE(StartsWithPkg(name)) << name;
    }
}

}  // namespace
}  // namespace vu
