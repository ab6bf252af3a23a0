#include <gtest/gtest.h>

#include "test_worker.h"
#include "transfer/log_text.h"

namespace vu {
namespace {

using test::HttpScript;
using test::TestWorker;

const std::string kReportUrl = "http://reports.example/report3.php";
const std::string kHeader = "#\t#########################################\r\n#\tName:Product\r\n";

class ErrorReportUploadTest : public ::testing::Test {
protected:
    void SetUp() override { test::RemoveDiagnosticLog(); }
    void TearDown() override { test::RemoveDiagnosticLog(); }

    void Upload() { worker.UploadErrorLog(errPath, "RaVuviraZu", kReportUrl, "1.1.3.60", "-7"); }

    std::shared_ptr<HttpScript> script = HttpScript::Make();
    TestWorker worker{script->Factory()};
    test::TempFolder folder;
    const std::string errPath = folder / "freshline.err";
};

TEST_F(ErrorReportUploadTest, OnlyALogHoldingAnErrorLineIsSent) {
    const std::vector<std::pair<std::string, bool>> cases{
        {kHeader, false},
        {kHeader + "   \t \r\n\r\n", false},
        {kHeader + "\x01\x1f \r\n", false},
        {"", false},
        {kHeader + "[2026-12-11 10:00:00]\t   7\tfailure\r\n", true},
        {kHeader + " #not a header line", true},
        {kHeader + "\xb4\xed", true},  // a line of code page 936 text
    };
    for (const auto& [content, sent] : cases) {
        SCOPED_TRACE(content);
        const auto postsBefore = script->Posts().size();
        test::WriteFileBytes(errPath, content);
        Upload();
        EXPECT_EQ(script->Posts().size(), postsBefore + (sent ? 1 : 0));
    }
    EXPECT_TRUE(worker.JobLog().empty());
}

TEST_F(ErrorReportUploadTest, AMissingFileIsNotSent) {
    Upload();
    EXPECT_TRUE(script->Posts().empty());
    EXPECT_EQ(script->Creations(), 1);
}

TEST_F(ErrorReportUploadTest, TheReportCarriesTheFileAndItsFieldsInOrderOnAClientOfItsOwn) {
    const std::string content = kHeader + "[2026-12-11 10:00:00]\t   7\tfailure\r\n";
    test::WriteFileBytes(errPath, content);
    Upload();

    const auto posts = script->Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].url, kReportUrl);
    EXPECT_EQ(posts[0].client, 1);  // not the worker's own client
    EXPECT_TRUE(script->FollowsRedirects(1));
    EXPECT_TRUE(script->Destroyed(1));
    EXPECT_FALSE(script->Destroyed(0));

    const auto& parts = posts[0].parts;
    ASSERT_EQ(parts.size(), 5u);
    std::vector<std::string> names;
    for (const auto& part : parts) names.push_back(part.name);
    EXPECT_EQ(names, (std::vector<std::string>{"ufile", "product", "series", "version", "date"}));
    EXPECT_EQ(parts[0].content, content);
    EXPECT_EQ(parts[0].fileName, errPath);
    EXPECT_EQ(parts[0].contentType, "multipart/form-data");
    EXPECT_EQ(parts[1].content, "RaVuviraZu");
    EXPECT_EQ(parts[2].content, "-7");
    EXPECT_EQ(parts[3].content, "1.1.3.60");
    EXPECT_FALSE(parts[4].content.empty());
    for (std::size_t i = 1; i < parts.size(); ++i) {
        EXPECT_EQ(parts[i].fileName, "") << parts[i].name;
        EXPECT_EQ(parts[i].contentType, "") << parts[i].name;
    }
}

TEST_F(ErrorReportUploadTest, AFailedUploadIsLoggedOnceEachWayWithCodeZero) {
    test::WriteFileBytes(errPath, kHeader + "[2026-12-11 10:00:00]\t   7\tfailure\r\n");
    script->FailPosts(test::SocketFailure(10061, "Connection refused"));
    worker.SetErrorCode(0x0E000101);
    EXPECT_NO_THROW(Upload());

    const std::string line = "Updated error log Failed: Connection refused";
    EXPECT_EQ(SplitLines(test::ReadFileBytes(test::DiagnosticLogPath())),
              std::vector<std::string>{line});
    EXPECT_EQ(test::TextsOf(worker.JobLog()), std::vector<std::string>{line});
    EXPECT_EQ(test::TextsOf(worker.ErrorLog()), std::vector<std::string>{"   0\t" + line});
    EXPECT_EQ(worker.CurrentErrorCode(), 0);
    EXPECT_TRUE(script->Destroyed(1));
}

}  // namespace
}  // namespace vu
