#include <gtest/gtest.h>

#include <thread>

#include "test_worker.h"
#include "transfer/log_text.h"

namespace vu {
namespace {

using test::HttpScript;
using test::TestWorker;

// Log text of exactly `size` bytes: lines of 98 characters and CR LF, the last one shorter.
std::string LogContentOfSize(std::size_t size) {
    std::string text;
    text.reserve(size);
    while (text.size() + 100 <= size) text += std::string(98, 'o') + "\r\n";
    if (text.size() < size) text += std::string(size - text.size() - 2, 'o') + "\r\n";
    return text;
}

class LogFilesTest : public ::testing::Test {
protected:
    void SetUp() override { test::RemoveDiagnosticLog(); }
    void TearDown() override { test::RemoveDiagnosticLog(); }

    std::shared_ptr<HttpScript> script = HttpScript::Make();
    TestWorker worker{script->Factory()};
    test::TempFolder folder;
    const std::string logPath = folder / "freshline.log";
    const std::string errPath = folder / "freshline.err";
};

TEST(LogTextTest, LinesSplitAtEveryKindOfBreakAndAreWrittenWithCrLf) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        {"a\n\r\nb\r\r", {"a", "", "b", ""}},
        {"\r\n", {""}},
    };
    for (const auto& [text, lines] : cases) EXPECT_EQ(SplitLines(text), lines) << text;
    EXPECT_EQ(JoinLines({"one", "", "two\nthree"}), "one\r\n\r\ntwo\r\nthree\r\n");
}

TEST_F(LogFilesTest, AnEmptyJobLogWritesNoFile) {
    worker.SaveJobLog(logPath);
    worker.SaveErrorLog(errPath);
    EXPECT_FALSE(platform::FileExists(logPath));
    EXPECT_FALSE(platform::FileExists(errPath));
}

TEST_F(LogFilesTest, SavedLogsAreAppendedToExistingFilesWithCrLfEnds) {
    test::WriteFileBytes(logPath, "old one\nold two\rold three");
    worker.AddJobLogLine("new");
    worker.AddJobLogLine("message\nwith a second line");
    worker.SaveJobLog(logPath);
    const auto lines = SplitLines(test::ReadFileBytes(logPath));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3),
              (std::vector<std::string>{"old one", "old two", "old three"}));
    EXPECT_EQ(test::SplitStamp(lines[3]).text, "new");
    EXPECT_EQ(test::SplitStamp(lines[4]).text, "message");
    EXPECT_EQ(lines[5], "with a second line");
    const std::string bytes = test::ReadFileBytes(logPath);
    const std::string start = "old one\r\nold two\r\nold three\r\n[";
    const std::string end = "]\tmessage\r\nwith a second line\r\n";
    EXPECT_EQ(bytes.substr(0, start.size()), start);
    EXPECT_EQ(bytes.substr(bytes.size() - end.size()), end);
    EXPECT_FALSE(platform::FileExists(logPath + ".bk"));
}

TEST_F(LogFilesTest, TheErrorLogIsSavedWithItsHeaderAndAppendedWithoutRoll) {
    worker.WriteErrorLogHeader("Product", "1.0");
    worker.SetErrorCode(3);
    worker.AddCurrentErrorLine("failure");
    worker.SaveErrorLog(errPath);
    const std::string first = test::ReadFileBytes(errPath);
    auto lines = SplitLines(first);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "#\t" + std::string(41, '#'));
    EXPECT_EQ(test::SplitStamp(lines[6]).text, "   3\tfailure");

    // A file left from an earlier save is appended to, whatever its size.
    const std::string big = LogContentOfSize(6'000'000);
    test::WriteFileBytes(errPath, big);
    worker.SaveErrorLog(errPath);
    EXPECT_EQ(test::ReadFileBytes(errPath), big + first);
    EXPECT_FALSE(platform::FileExists(errPath + ".bk"));
}

// A job log file's size decides whether a save appends or rolls it aside first; RollLogFile
// deletes it only after the same roll.
struct RollCase {
    std::size_t size;
    bool rolled;
};

TEST_F(LogFilesTest, OnlyAFileStrictlyInsideTheWindowIsRolledAside) {
    const std::vector<RollCase> cases{
        {100, false},        {5'242'880, false},  {5'242'882, true},
        {6'000'000, true},   {10'485'758, true},  {10'485'760, false},
        {12'000'000, false},
    };
    worker.AddJobLogLine("this job");
    const std::string newLines = JoinLines(worker.JobLog());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string old = LogContentOfSize(c.size);
        platform::RemoveFile(logPath + ".bk");
        test::WriteFileBytes(logPath, old);
        worker.SaveJobLog(logPath);
        EXPECT_EQ(test::ReadFileBytes(logPath), c.rolled ? newLines : old + newLines);
        EXPECT_EQ(platform::FileExists(logPath + ".bk"), c.rolled);
        if (c.rolled) {
            EXPECT_EQ(test::ReadFileBytes(logPath + ".bk"), old);
        }

        platform::RemoveFile(logPath + ".bk");
        test::WriteFileBytes(logPath, old);
        TCustomDownloadThread::RollLogFile(logPath);
        EXPECT_EQ(platform::FileExists(logPath), !c.rolled);
        EXPECT_EQ(platform::FileExists(logPath + ".bk"), c.rolled);
    }
}

TEST_F(LogFilesTest, AFailedBackupNeverCostsTheOldLog) {
    const std::string old = LogContentOfSize(6'000'000);
    test::WriteFileBytes(logPath, old);
    ASSERT_TRUE(platform::MakeFolder(logPath + ".bk"));  // the copy aside cannot succeed
    worker.AddJobLogLine("this job");
    worker.SaveJobLog(logPath);
    EXPECT_EQ(test::ReadFileBytes(logPath), old + JoinLines(worker.JobLog()));

    TCustomDownloadThread::RollLogFile(logPath);
    EXPECT_TRUE(platform::FileExists(logPath));
}

TEST_F(LogFilesTest, AReadOnlyLogIsClearedAndSaved) {
    test::WriteFileBytes(logPath, "earlier\r\n");
    ASSERT_TRUE(platform::WriteAttributes(logPath, platform::kAttributeReadOnly));
    worker.AddJobLogLine("now");
    worker.SaveJobLog(logPath);
    const auto lines = SplitLines(test::ReadFileBytes(logPath));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "earlier");
    EXPECT_EQ(test::SplitStamp(lines[1]).text, "now");
    EXPECT_EQ(platform::ReadAttributes(logPath).value_or(0) & platform::kAttributeReadOnly, 0u);
}

TEST_F(LogFilesTest, DeletingALogFileRemovesEvenAReadOnlyOneAndIgnoresAMissingOne) {
    test::WriteFileBytes(errPath, "#\theader\r\n");
    ASSERT_TRUE(platform::WriteAttributes(errPath, platform::kAttributeReadOnly));
    TCustomDownloadThread::DeleteLogFile(errPath);
    EXPECT_FALSE(platform::FileExists(errPath));
    EXPECT_NO_THROW(TCustomDownloadThread::DeleteLogFile(errPath));
}

// A job and a version-list worker ending together both save "freshline.log": no save may be
// lost to the other's read-append-write.
TEST_F(LogFilesTest, WorkersSavingTheSameLogAtOnceLoseNoLines) {
    constexpr int kSaves = 25;
    auto otherScript = HttpScript::Make();
    TestWorker other(otherScript->Factory());
    worker.AddJobLogLine("job line");
    other.AddJobLogLine("version list line");
    auto saveRepeatedly = [this](TestWorker& saver) {
        for (int i = 0; i < kSaves; ++i) saver.SaveJobLog(logPath);
    };
    std::thread first(saveRepeatedly, std::ref(worker));
    std::thread second(saveRepeatedly, std::ref(other));
    first.join();
    second.join();
    const auto texts = test::TextsOf(SplitLines(test::ReadFileBytes(logPath)));
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "job line"), kSaves);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "version list line"), kSaves);
    EXPECT_EQ(texts.size(), 2u * kSaves);
}

}  // namespace
}  // namespace vu
