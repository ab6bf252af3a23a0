// The worker's transfers and the error report through the platform HTTP client, against the
// loopback test server (tests/server/test_server.py).

#include <gtest/gtest.h>

#include "helpers/temp_folder.h"
#include "helpers/test_server.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "support/diagnostic_log.h"
#include "transfer/custom_download_thread.h"
#include "transfer/log_text.h"

namespace vu {
namespace {

using test::GeneratedBytes;
using test::TestServer;

const TestServer& Server() { return TestServer::Instance(); }

// A worker on the platform's own client, never started.
class Worker : public TCustomDownloadThread {
public:
    ~Worker() override { WaitFor(); }

protected:
    void Execute() override {}
};

std::string TextAfterStamp(const std::string& line) {
    const std::size_t tab = line.find("]\t");
    return tab == std::string::npos ? line : line.substr(tab + 2);
}

class TransferHttpTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveDiagnosticLog(); }
    void TearDown() override { RemoveDiagnosticLog(); }
    static void RemoveDiagnosticLog() {
        platform::RemoveFile(HostExecutableFolder() + kDiagnosticLogName);
    }
    static std::vector<std::string> DiagnosticLines() {
        return SplitLines(test::ReadFileBytes(HostExecutableFolder() + kDiagnosticLogName));
    }

    Worker worker;
    test::TempFolder folder;
};

TEST_F(TransferHttpTest, AResetFirstAttemptIsLoggedAndTheRetryFetchesTheWholeBody) {
    const std::string path =
        "/fault/reset=3000,times=1/_gen/200000/" + TestServer::UniqueName("retry");
    worker.SetErrorCode(0x0E000102);
    bool success = false;
    std::string body;
    worker.HttpGetText(Server().Url(path), Server().SecondUrl(path), "[GetPlist Err]", success,
                       body);

    EXPECT_TRUE(success);
    EXPECT_EQ(body, GeneratedBytes(0, 200000));
    ASSERT_EQ(worker.JobLog().size(), 1u);
    const std::string line = TextAfterStamp(worker.JobLog()[0]);
    EXPECT_EQ(line.rfind("[GetPlist Err](" + Server().Url(path) + ")\t", 0), 0u) << line;
    EXPECT_EQ(DiagnosticLines(), std::vector<std::string>{line});
    ASSERT_EQ(worker.ErrorLog().size(), 1u);
    EXPECT_EQ(TextAfterStamp(worker.ErrorLog()[0]), "234881282\t" + line);

    const auto requests = Server().Log(path);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Header("Cache-control"), "no-cache");
    EXPECT_EQ(requests[0].Header("Pragma"), "no-cache");
    EXPECT_FALSE(requests[0].HasHeader("Range"));
}

TEST_F(TransferHttpTest, AStreamTransferAsksForTheRestAndWritesItAfterTheStart) {
    const std::string path = "/_gen/5000/" + TestServer::UniqueName("stream");
    const std::string filePath = folder / "part.temp";
    test::WriteFileBytes(filePath, GeneratedBytes(0, 1000));
    {
        auto file = platform::File::Open(filePath, platform::FileAccess::ReadWrite,
                                         platform::FileShare::Read,
                                         platform::FileCreation::OpenExisting);
        EXPECT_TRUE(worker.HttpGetStream(Server().Url(path), Server().Url(path),
                                         "[DownloadFile Err]", file, 1000));
    }
    EXPECT_EQ(test::ReadFileBytes(filePath), GeneratedBytes(0, 5000));
    const auto requests = Server().Log(path);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("Range"), "bytes=1000-");
    EXPECT_TRUE(worker.JobLog().empty());
}

TEST_F(TransferHttpTest, TheErrorReportArrivesWithTheFileAndItsFieldsInOrder) {
    const std::string errPath = folder / "freshline.err";
    worker.WriteErrorLogHeader("RaVuviraZu", "3.2.1");
    worker.SetErrorCode(7);
    worker.AddCurrentErrorLine("[GetPlist Err](http://server/list)\tConnection refused");
    worker.SaveErrorLog(errPath);
    const std::string content = test::ReadFileBytes(errPath);

    const std::string path = "/" + TestServer::UniqueName("report") + "/report3.php";
    worker.UploadErrorLog(errPath, "RaVuviraZu", Server().Url(path), "1.1.3.60", "268435456");

    EXPECT_TRUE(worker.JobLog().empty());
    const auto uploads = Server().Uploads(path);
    ASSERT_EQ(uploads.size(), 1u);
    const auto& parts = uploads[0].parts;
    ASSERT_EQ(parts.size(), 5u);
    EXPECT_EQ(parts[0].name, "ufile");
    EXPECT_EQ(parts[0].fileName, errPath);
    EXPECT_EQ(parts[0].contentType, "multipart/form-data");
    EXPECT_EQ(parts[0].data, content);
    const std::vector<std::pair<std::string, std::string>> fields{
        {"product", "RaVuviraZu"}, {"series", "268435456"}, {"version", "1.1.3.60"}};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(parts[i + 1].name, fields[i].first);
        EXPECT_EQ(parts[i + 1].data, fields[i].second);
        EXPECT_FALSE(parts[i + 1].hasFileName);
    }
    EXPECT_EQ(parts[4].name, "date");
    EXPECT_FALSE(parts[4].data.empty());
}

TEST_F(TransferHttpTest, AnEndpointAnsweringWithAnErrorIsLoggedOnceAsAFailedUpload) {
    const std::string errPath = folder / "freshline.err";
    test::WriteFileBytes(errPath, "#\theader\r\n[2026-12-11 10:00:00]\t   7\tfailure\r\n");
    const std::string path =
        "/fault/status=500/" + TestServer::UniqueName("report") + "/report3.php";
    worker.UploadErrorLog(errPath, "RaVuviraZu", Server().Url(path), "1.1.3.60", "0");

    const auto lines = DiagnosticLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("Updated error log Failed: ", 0), 0u) << lines[0];
    ASSERT_EQ(worker.ErrorLog().size(), 1u);
    EXPECT_EQ(TextAfterStamp(worker.ErrorLog()[0]), "   0\t" + lines[0]);
}

}  // namespace
}  // namespace vu
