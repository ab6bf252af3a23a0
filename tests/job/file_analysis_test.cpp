// File analysis against a working folder and records the tests set up: the decision rules in
// their order, the records written and removed, the order of the list of needed entries, the
// notifications, a stop, and the lines it refuses.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "host/work_paths.h"
#include "job/stage_harness.h"
#include "platform/file_system.h"
#include "support/ini_file_ex.h"

namespace vu {
namespace {

using test::DigestOf;
using test::Notice;

const std::string kCurrent = "current bytes";
const std::string kOther = "other bytes!!";  // the same size as kCurrent
const std::string D = DigestOf(kCurrent);
const std::string kOtherDigest = DigestOf(kOther);

std::string Lower(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class FileAnalysisTest : public test::StageTest {
protected:
    std::string FileRecord(const std::string& key) {
        TIniFile records(Work("flist.txt"));
        return records.ReadString("Files", key, "(none)");
    }
    void SetFileRecord(const std::string& key, const std::string& value) {
        TIniFile records(Work("flist.txt"));
        records.WriteString("Files", key, value);
    }
    void SetRunRecord(const std::string& key, const std::string& value) {
        TIniFile records(Work("installlog.log"));
        records.WriteString("Patch", key, value);
    }
    void PutFile(const std::string& name, const std::string& bytes) {
        platform::MakeFolders(FolderOfWork(name));
        test::WriteFileBytes(Work(name), bytes);
    }
    std::string FolderOfWork(const std::string& name) {
        const auto slash = Work(name).rfind('\\');
        return Work(name).substr(0, slash + 1);
    }
};

struct DecisionCase {
    const char* what;
    std::string line;
    std::optional<std::string> file;        // the file of the local name, when present
    std::optional<std::string> fileRecord;  // flist.txt entry of the record key
    std::optional<std::string> runRecord;   // installlog.log entry of the file name
    bool needed;
    std::string recordAfter;                // flist.txt entry of the record key afterwards
};

TEST_F(FileAnalysisTest, DecidesEachEntryByTheFirstRuleThatApplies) {
    const std::string size = "\t" + std::to_string(kCurrent.size());
    const std::vector<DecisionCase> cases = {
        {"missing, no record", "a.dll\t" + D + size, {}, {}, {}, true, "(none)"},
        {"verified on disk and recorded", "a.dll\t" + D + size, kCurrent, {}, {}, false, D},
        {"lower-case listed digest", "a.dll\t" + Lower(D), kCurrent, {}, {}, false, Lower(D)},
        {"changed, no record", "a.dll\t" + D + size, kOther, {}, {}, true, "(none)"},
        {"size differs: needed without hashing", "a.dll\t" + D + "\t999", kCurrent, {}, {}, true,
         "(none)"},
        {"unknown size: the digest decides", "a.dll\t" + D + "\tmany", kCurrent, {}, {}, false, D},
        {"record decides, file changed", "a.dll\t" + D + size, kOther, D, {}, false, D},
        {"record in lower case", "a.dll\t" + D, kCurrent, Lower(D), {}, false, Lower(D)},
        {"record differs", "a.dll\t" + D, kCurrent, kOtherDigest, {}, true, kOtherDigest},
        {"* checks the disk despite the record", "*a.dll\t" + D, kOther, D, {}, true, D},
        {"* with a matching file rewrites the record", "*a.dll\t" + D, kCurrent, kOtherDigest,
         {}, false, D},
        {"? missing with the record", "?a.dll\t" + D, {}, D, {}, false, D},
        {"? missing without a record", "?a.dll\t" + D, {}, {}, {}, true, "(none)"},
        {"pkg missing with the record", "pkg01.zip\t" + D, {}, D, {}, false, D},
        {"pkg missing without a record", "pkg01.zip\t" + D, {}, {}, {}, true, "(none)"},
        {"/ already run", "/fix.exe\t" + D, kCurrent, {}, "True", false, "(none)"},
        {"/ run record in lower case", "/@fix.exe\t" + D, {}, {}, "true", false, "(none)"},
        {"/ not yet run", "/fix.exe\t" + D, kCurrent, D, "False", true, D},
        {"/ wins over ~", "/~fix.exe\t" + D, kCurrent, D, {}, true, D},
        {"| decided by the record under the bar name", "a|a.pat\t" + D, {}, D, {}, false, D},
        {"| without record, even with the file on disk", "a|a.pat\t" + D, kCurrent, {}, {}, true,
         "(none)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempFolder caseFolder;
        InitializeWorkPaths(caseFolder / "RaVuviraZut.dll", caseFolder / "host.exe");
        auto& job = NewJob();
        const auto parsed = c.line.substr(0, c.line.find('\t'));
        const std::string local = LocalNameOf(parsed);
        const std::string recordKey = RecordNameOf(parsed);
        if (c.file) PutFile(local, *c.file);
        if (c.fileRecord) SetFileRecord(recordKey, *c.fileRecord);
        if (c.runRecord) SetRunRecord(FileNamePart(local), *c.runRecord);
        SetPackageList(c.line);

        ASSERT_TRUE(job.AnalyseFiles());
        EXPECT_EQ(job.NeedList.size(), c.needed ? 1u : 0u);
        EXPECT_EQ(FileRecord(recordKey), c.recordAfter);
        if (c.file) {
            EXPECT_EQ(test::ReadFileBytes(Work(local)), *c.file) << "the file is kept";
        }
    }
}

TEST_F(FileAnalysisTest, ARemovalDeletesTheFileAndItsRecordWhateverTheDigest) {
    auto& job = NewJob();
    PutFile("old\\legacy.dll", kOther);
    platform::WriteAttributes(Work("old\\legacy.dll"), platform::kAttributeReadOnly);
    SetFileRecord("old\\legacy.dll", kOtherDigest);
    SetFileRecord("keep.dll", D);
    SetPackageList("~old\\legacy.dll\t" + D + "\t-1\r\n~gone.dll\t" + D);

    ASSERT_TRUE(job.AnalyseFiles());
    EXPECT_TRUE(job.NeedList.empty());
    EXPECT_FALSE(platform::FileExists(Work("old\\legacy.dll")));
    EXPECT_EQ(FileRecord("old\\legacy.dll"), "(none)");
    EXPECT_EQ(FileRecord("keep.dll"), D);
}

TEST_F(FileAnalysisTest, APendingReplacementIsCurrentWhenTheFileItReplacesHasTheDigest) {
    struct Case {
        const char* what;
        std::optional<std::string> hostFile;
        bool needed;
    };
    const std::vector<Case> cases = {
        {"host has the digest", kCurrent, false},
        {"host differs", kOther, true},
        {"host missing", {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform::RemoveFile(Work("host.exe"));
        if (c.hostFile) PutFile("host.exe", *c.hostFile);
        auto& job = NewJob();
        SetPackageList("HOST.update\t" + D + "\r\nRaVuviraZut.update\t" + kOtherDigest);
        ASSERT_TRUE(job.AnalyseFiles());
        std::vector<std::string> expected;
        if (c.needed) expected.push_back("HOST.update");
        expected.push_back("RaVuviraZut.update");  // the module file does not exist here
        EXPECT_EQ(job.NeededNames(), expected);
    }
}

TEST_F(FileAnalysisTest, TheEnginePatchComesFirstAndTheVersionFileLast) {
    auto& job = NewJob();
    SetPackageList("Version.dat\t" + D + "\na.dll\t" + D + "\nvekpatch.dll\t" + kOtherDigest +
                   "\nsub\\version.dat\t" + D + "\nb.dll\t" + D + "\nVEKPATCH.DLL\t" + D);
    ASSERT_TRUE(job.AnalyseFiles());
    EXPECT_EQ(job.NeededNames(), (std::vector<std::string>{"VEKPATCH.DLL", "a.dll",
                                                           "sub\\version.dat", "b.dll",
                                                           "Version.dat"}));
    EXPECT_EQ(job.NeedList.front()->Digest, D) << "a later entry of the name replaces the first";
}

TEST_F(FileAnalysisTest, AnAllCurrentListNotifiesEveryAnalysedLineAndNeedsNothing) {
    auto& job = NewJob();
    PutFile("a.dll", kCurrent);
    SetFileRecord("b\\b.dll", D);
    SetPackageList("a.dll\t" + D + "\r\nname only\r\n\r\n?b\\b.dll\t" + D + "\r\n");
    ASSERT_TRUE(job.AnalyseFiles());
    EXPECT_TRUE(job.NeedList.empty());
    const std::vector<Notice> expected = {
        {0x01000001, 4, 0, "(null)"},   {0x01000003, 1, 4, "a.dll"},
        {0x01000004, 1, 4, "a.dll"},    {0x01000005, 1, 4, "a.dll"},
        {0x01000003, 4, 4, "b\\b.dll"}, {0x01000004, 4, 4, "b\\b.dll"},
        {0x01000005, 4, 4, "b\\b.dll"}, {0x01000002, 4, 0, "(null)"},
    };
    EXPECT_EQ(notices_, expected);
    EXPECT_NE(JobLogText().find("]\tAnalyzeFile result: 0 need update\n"), std::string::npos)
        << JobLogText();
}

TEST_F(FileAnalysisTest, AnEmptyListNotifiesBeginAndEndOnly) {
    auto& job = NewJob();
    SetPackageList("");
    ASSERT_TRUE(job.AnalyseFiles());
    EXPECT_EQ(notices_, (std::vector<Notice>{{0x01000001, 0, 0, "(null)"},
                                             {0x01000002, 0, 0, "(null)"}}));
}

TEST_F(FileAnalysisTest, ARunOnceEntryNotYetRunIsLoggedByItsLocalName) {
    auto& job = NewJob();
    SetPackageList("/@fix\\fixup.exe\t" + D + "\t8192");
    ASSERT_TRUE(job.AnalyseFiles());
    ASSERT_EQ(job.NeedList.size(), 1u);
    EXPECT_TRUE(job.NeedList[0]->RunOnce && job.NeedList[0]->RunAfter);
    EXPECT_EQ(job.NeedList[0]->Size, 8192);
    EXPECT_NE(JobLogText().find("]\tPatch fix\\fixup.exe\n"), std::string::npos) << JobLogText();
}

TEST_F(FileAnalysisTest, AStopEndsTheAnalysisBeforeTheNextLine) {
    auto& job = NewJob();
    SetPackageList("a.dll\t" + D + "\nb.dll\t" + D + "\nc.dll\t" + D);
    onNotice_ = [&job](const Notice& notice) {
        if (notice.kind == 0x01000005 && notice.code == 1) job.RequestStop(false);
    };
    EXPECT_FALSE(job.AnalyseFiles());
    EXPECT_EQ(notices_.back(), (Notice{0x01000005, 1, 3, "a.dll"}));
    EXPECT_TRUE(test::OfKinds(notices_, {0x01000002}).empty());
}

TEST_F(FileAnalysisTest, UnsafeNamesAndInvalidDigestsAreReportedAndNeverTouched) {
    const std::string outside = folder_ / "outside.dll";
    test::WriteFileBytes(outside, kOther);
    auto& job = NewJob();
    ASSERT_EQ(Work("outside.dll"), outside) << "the working folder is the test folder";
    platform::MakeFolders(Work("sub\\"));
    const std::vector<std::string> refused = {
        "~..\\outside.dll\t" + D,
        "sub\\..\\..\\evil.dll\t" + D,
        "\\\\server\\share\\evil.dll\t" + D,
        "CON.txt\t" + D,
        "short.dll\t1234",
        "bad.dll\t" + std::string(31, 'A') + "G",
    };
    std::string list;
    for (const auto& line : refused) list += line + "\n";
    list += "good.dll\t" + D;
    SetPackageList(list);

    ASSERT_TRUE(job.AnalyseFiles());
    EXPECT_EQ(job.NeededNames(), std::vector<std::string>{"good.dll"});
    EXPECT_EQ(test::ReadFileBytes(outside), kOther) << "nothing outside is deleted";
    EXPECT_EQ(test::OfKinds(notices_, {0x01000003}),
              (std::vector<Notice>{{0x01000003, 7, 7, "good.dll"}}));
    for (const auto& line : refused) {
        EXPECT_NE(JobLogText().find(line), std::string::npos) << line;
        EXPECT_NE(ErrorLogText().find(line), std::string::npos) << line;
    }
}

TEST_F(FileAnalysisTest, AFolderInPlaceOfTheFileCountsAsMissing) {
    auto& job = NewJob();
    ASSERT_TRUE(platform::MakeFolders(Work("a.dll\\")));  // a folder where the file should be
    SetPackageList("*a.dll\t" + D);
    ASSERT_TRUE(job.AnalyseFiles());
    EXPECT_EQ(job.NeededNames(), std::vector<std::string>{"a.dll"});
}

}  // namespace
}  // namespace vu
