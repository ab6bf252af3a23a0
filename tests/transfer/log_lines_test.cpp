#include <gtest/gtest.h>

#include "platform/date_time.h"
#include "test_worker.h"

namespace vu {
namespace {

using test::HttpScript;
using test::TestWorker;

class LogLinesTest : public ::testing::Test {
protected:
    std::shared_ptr<HttpScript> script = HttpScript::Make();
    TestWorker worker{script->Factory()};
};

TEST_F(LogLinesTest, JobLogLinesCarryTheBracketedDateTimeAndATab) {
    const std::string before = platform::LocalDateTimeText();
    worker.AddJobLogLine("Download started");
    const std::string after = platform::LocalDateTimeText();
    ASSERT_EQ(worker.JobLog().size(), 1u);
    const auto line = test::SplitStamp(worker.JobLog()[0]);
    EXPECT_TRUE(line.dateTime == before || line.dateTime == after) << worker.JobLog()[0];
    EXPECT_EQ(line.text, "Download started");
}

TEST_F(LogLinesTest, ErrorLinesRightAlignTheCodeInFourCharactersWithSpaces) {
    const std::vector<std::pair<std::int32_t, std::string>> cases{
        {0, "   0"}, {7, "   7"}, {-5, "  -5"}, {1234, "1234"}, {0x0E000002, "234881026"}};
    for (const auto& [code, field] : cases) worker.AddErrorLine("text", code);
    ASSERT_EQ(worker.ErrorLog().size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(test::SplitStamp(worker.ErrorLog()[i]).text, cases[i].second + "\ttext");
}

TEST_F(LogLinesTest, TheKindOfAnErrorLogLineDecidesItsForm) {
    worker.AddErrorLogLine("Name:Product", 1);
    worker.AddErrorLogLine("timed", 0);
    worker.AddErrorLogLine("never", 2);
    worker.AddErrorLogLine("never", 255);
    ASSERT_EQ(worker.ErrorLog().size(), 2u);
    EXPECT_EQ(worker.ErrorLog()[0], "#\tName:Product");
    const auto timed = test::SplitStamp(worker.ErrorLog()[1]);
    EXPECT_FALSE(timed.dateTime.empty());
    EXPECT_EQ(timed.text, "timed");
}

TEST_F(LogLinesTest, CurrentErrorLinesCarryTheLatestErrorCode) {
    EXPECT_EQ(worker.CurrentErrorCode(), 0);
    worker.AddCurrentErrorLine("first");
    worker.SetErrorCode(0x0E000101);
    worker.AddCurrentErrorLine("second");
    EXPECT_EQ(test::TextsOf(worker.ErrorLog()),
              (std::vector<std::string>{"   0\tfirst", "234881281\tsecond"}));
}

TEST_F(LogLinesTest, TheErrorLogHeaderIsSixHashLinesNamingProductVersionDateAndMac) {
    worker.MacAddress = "00-0C-29-AB-CD-EF";
    const std::string before = platform::LocalDateTimeText();
    worker.WriteErrorLogHeader("Product", "2.0.1");
    const std::string after = platform::LocalDateTimeText();
    const std::string rule = "#\t" + std::string(41, '#');
    const auto& log = worker.ErrorLog();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[0], rule);
    EXPECT_EQ(log[1], "#\tName:Product");
    EXPECT_EQ(log[2], "#\tVersion:2.0.1");
    EXPECT_TRUE(log[3] == "#\tDate:" + before || log[3] == "#\tDate:" + after) << log[3];
    EXPECT_EQ(log[4], "#\tMac:00-0C-29-AB-CD-EF");
    EXPECT_EQ(log[5], rule);
}

}  // namespace
}  // namespace vu
