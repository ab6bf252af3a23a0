// The library as a host sees it: the test host program loads it, drives the exports from a
// script and writes down every notification, which these tests read back.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "helpers/test_server.h"
#include "host_runner.h"
#include "platform/file_system.h"

namespace vu {
namespace {

using test::EndsWith;
using test::HostProgramTest;
using test::HostRun;
using test::NotifiedText;
using test::SetReportUrlForChildren;

TEST_F(HostProgramTest, JobNotifiesItsStartAndEndOnTheLoadingThread) {
    // The server has no such package list: the job ends with the list failure.
    const std::string listUrl = test::TestServer::Instance().Url(
        "/" + test::TestServer::UniqueName("no-list") + "/plist.txt");
    const HostRun run = RunScript("start url=" + listUrl + " context=5\n"
                                  "wait-ends 1\n");
    ASSERT_EQ(run.exitCode, 0);
    ASSERT_TRUE(run.Has("end"));
    const auto seen = run.Notifications(5);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].rfind("notify kind=00000000 code=00000000 value=0 text=(null)", 0), 0u)
        << seen[0];
    EXPECT_EQ(seen[1].rfind("notify kind=0F000000 code=0E000002 value=0 text=", 0), 0u)
        << seen[1];
    EXPECT_EQ(NotifiedText(seen[1]), "Download List Fail");
    for (const auto& line : seen) EXPECT_TRUE(EndsWith(line, "thread=loading")) << line;
}

TEST_F(HostProgramTest, JobWithoutCallbackIsSilentAndTheNextJobRuns) {
    const HostRun run = RunScript("start callback=none context=1\n"
                                  "pump 300\n"
                                  "start-legacy context=2\n"
                                  "wait-ends 1\n");
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.Notifications(1).empty());
    EXPECT_EQ(run.Notifications(2).size(), 2u);
}

TEST_F(HostProgramTest, RaisingCallbackDoesNotStopTheJob) {
    const HostRun run = RunScript("start callback=raise context=3\n"
                                  "wait-ends 1\n"
                                  "start context=4\n"
                                  "wait-ends 2\n");
    ASSERT_EQ(run.exitCode, 0) << (run.lines.empty() ? "" : run.lines.back());
    EXPECT_EQ(run.Notifications(3).size(), 2u);
    EXPECT_EQ(run.Notifications(4).size(), 2u);
}

TEST_F(HostProgramTest, StopFromInsideTheCallbackReturnsAndTheJobStillEnds) {
    const HostRun run = RunScript("start callback=stop context=6\n"
                                  "wait-ends 1\n");
    ASSERT_EQ(run.exitCode, 0);
    const auto seen = run.Notifications(6);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].rfind("notify kind=0F000000 ", 0), 0u) << seen[1];
}

TEST_F(HostProgramTest, SecondStartSilencesTheFirstJob) {
    const HostRun run = RunScript("start context=1\n"
                                  "start context=2\n"
                                  "wait-ends 1\n"
                                  "pump 500\n");
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.Notifications(1).empty()) << run.Notifications(1).front();
    EXPECT_EQ(run.Notifications(2).size(), 2u);
}

TEST_F(HostProgramTest, OptionsReadAndSetThroughTheExports) {
    const std::string newFolder = folder_ / "apps";
    const HostRun run = RunScript("get LimitSpeed\n"
                                  "set limitspeed 65536\n"
                                  "get LIMITSPEED\n"
                                  "set LimitSpeed 0\n"
                                  "set LimitSpeed abc\n"
                                  "get LimitSpeed\n"
                                  "get CurrentSpeed\n"
                                  "get NoSuchOption\n"
                                  "set CurrentSpeed 5\n"
                                  "get CurrentSpeed\n"
                                  "set DownloadPath " + newFolder + "\n"
                                  "start callback=none context=1\n"
                                  "get DownloadPath\n"
                                  "pump 200\n");
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.Has("option LimitSpeed = 2147483647"));
    EXPECT_TRUE(run.Has("option LIMITSPEED = 65536"));
    EXPECT_TRUE(run.Has("option LimitSpeed = 65536"));
    EXPECT_TRUE(run.Has("option CurrentSpeed = 0.00"));
    EXPECT_TRUE(run.Has("option NoSuchOption untouched"));
    // The new folder takes effect when the next job starts, with a backslash added.
    EXPECT_TRUE(run.Has("option DownloadPath = " + newFolder + "\\"));
}

TEST_F(HostProgramTest, NullPointersAreRefusedWithoutActing) {
    const HostRun run = RunScript("null-calls\nstart context=1\nwait-ends 1\n");
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.Has("null calls returned"));
    EXPECT_EQ(run.Notifications(1).size(), 2u);
}

#if defined(_WIN32)
constexpr int kUnmapWait = 20000;
#else
constexpr int kUnmapWait = 300;
#endif

TEST_F(HostProgramTest, UnloadWhileJobsRunNeverRunsCodeOfAnUnmappedLibrary) {
    // The host lets the library go right after starting work: the workers keep it mapped until
    // they have ended, then it unloads; the host goes on. The version list trickles in, so
    // that its worker is still running when the library is let go; the host waits for its end
    // before it exits.
    const auto& server = test::TestServer::Instance();
    const std::string list = test::TestServer::UniqueName("slow-list") + ".txt";
    server.WriteFile(list, "[P]\r\nVersion=1\r\n-1=2|a|b\r\n");
    const HostRun run = RunScript("start callback=none context=1\n"
                                  "getversion context=7 url=" +
                                  server.Url("/fault/slow=8:100/" + list) + "\n"
                                  "unload\n"
                                  "wait-unmapped " + std::to_string(kUnmapWait) + "\n"
                                  "load\n"
                                  "start context=2\n"
                                  "wait-ends 1\n"
                                  "wait-lists 1\n"
                                  "unload\n"
                                  "wait-unmapped " + std::to_string(kUnmapWait) + "\n");
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.Has("end"));
    std::vector<std::string> mapped;
    for (const auto& line : run.lines) {
        if (line.rfind("mapped ", 0) == 0) mapped.push_back(line);
    }
#if defined(_WIN32)
    EXPECT_EQ(mapped, (std::vector<std::string>{"mapped no", "mapped no"}));
#else
    // The Linux build is never unmapped, by design.
    EXPECT_EQ(mapped, (std::vector<std::string>{"mapped yes", "mapped yes"}));
#endif
    EXPECT_EQ(run.Notifications(2).size(), 2u);
    const auto listEnd = run.Notifications(7);
    ASSERT_EQ(listEnd.size(), 1u);
    EXPECT_EQ(listEnd[0].rfind("notify kind=10000000 code=00000000 ", 0), 0u) << listEnd[0];
}

TEST_F(HostProgramTest, VersionListFetchedFromTheServerAnswersQueries) {
    const auto& server = test::TestServer::Instance();
    const std::string name = test::TestServer::UniqueName("versions") + ".txt";
    server.WriteFile(name, "[Default]\nVersion=120\n-1=121|full/list.txt|fallback\n"
                           "[ClientA]\nVersion=1.0.5\n"
                           "1.0.3=1.0.5|from103/list.txt|notes for 1.0.3\n"
                           "1.0.5=1.0.5|current/list.txt|\n"
                           "-1=1.0.5|full/list.txt|fallback\n");
    const std::string query = "checkversion entryurl=base/ product=";
    const HostRun run = RunScript(
        query + "ClientA version=1.0.3\n"
        "getversion context=3 url=" + server.Url("/" + name) + "\n"
        "wait-lists 1\n" +
        query + "ClientA version=1.0.3\n" +
        query + "ClientA version=1.0.5\n" +
        query + "ClientA version=1.0.2\n" +
        query + "ClientA version=1.0.9\n" +
        query + "ClientB version=100\n" +
        query + "ClientB version=130\n"
        "getversion context=4 url=" + server.Url("/missing-" + name) + "\n"
        "wait-lists 2\n" +
        query + "ClientA version=1.0.3\n");
    ASSERT_EQ(run.exitCode, 0) << (run.lines.empty() ? "" : run.lines.back());

    std::vector<std::string> checks;
    for (const auto& line : run.lines) {
        if (line.rfind("check ", 0) == 0) checks.push_back(line);
    }
    const std::vector<std::string> expected = {
        "check result=6 entryversion=[] listversion=[] entryurl=[base/] entryextra=[]",
        "check result=0 entryversion=[1.0.5] listversion=[1.0.5] "
        "entryurl=[base/from103/list.txt] entryextra=[notes for 1.0.3]",
        "check result=3 entryversion=[1.0.5] listversion=[1.0.5] "
        "entryurl=[base/current/list.txt] entryextra=[]",
        "check result=0 entryversion=[1.0.5] listversion=[1.0.5] "
        "entryurl=[base/full/list.txt] entryextra=[fallback]",
        "check result=4 entryversion=[] listversion=[1.0.5] entryurl=[base/] entryextra=[]",
        "check result=4 entryversion=[] listversion=[120] entryurl=[base/] entryextra=[]",
        "check result=0 entryversion=[121] listversion=[120] "
        "entryurl=[base/full/list.txt] entryextra=[fallback]",
        // The failed fetch left the saved list in place.
        "check result=0 entryversion=[1.0.5] listversion=[1.0.5] "
        "entryurl=[base/from103/list.txt] entryextra=[notes for 1.0.3]",
    };
    EXPECT_EQ(checks, expected);

    const auto fetched = run.Notifications(3);
    ASSERT_EQ(fetched.size(), 1u);
    EXPECT_EQ(fetched[0].rfind("notify kind=10000000 code=00000000 value=0 text=", 0), 0u)
        << fetched[0];
    EXPECT_TRUE(EndsWith(fetched[0], "thread=loading")) << fetched[0];
    EXPECT_TRUE(EndsWith(NotifiedText(fetched[0]), "\\vlt.tmp")) << NotifiedText(fetched[0]);
    EXPECT_EQ(test::ReadFileBytes(folder_ / "vlt.tmp"),
              "[Default]\r\nVersion=120\r\n-1=121|full/list.txt|fallback\r\n"
              "[ClientA]\r\nVersion=1.0.5\r\n"
              "1.0.3=1.0.5|from103/list.txt|notes for 1.0.3\r\n"
              "1.0.5=1.0.5|current/list.txt|\r\n"
              "-1=1.0.5|full/list.txt|fallback\r\n");

    const auto failed = run.Notifications(4);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].rfind("notify kind=10000000 code=0E000101 value=0 text=", 0), 0u)
        << failed[0];
    EXPECT_EQ(NotifiedText(failed[0]), "Download VerList Fail");

    const auto requests = server.Log("/" + name);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0].path.rfind("/" + name + "?id=", 0), 0u) << requests[0].path;
}

TEST_F(HostProgramTest, JobEndPostsTheErrorLogToTheReportEndpointAndDeletesIt) {
    const auto& server = test::TestServer::Instance();
    const std::string reportPath = "/" + test::TestServer::UniqueName("reports") + "/report3.php";
    SetReportUrlForChildren(server.Url(reportPath));
    const std::string listUrl =
        server.Url("/" + test::TestServer::UniqueName("no-list") + "/plist.txt");
    const HostRun run = RunScript("start context=9 flags=0xEFFFFFFF product=Client version=1.0.3 "
                                  "url=" + listUrl + "\n"
                                  "wait-ends 1\n");
    SetReportUrlForChildren("");
    ASSERT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.Notifications(9).size(), 2u);

    const auto uploads = server.Uploads(reportPath);
    ASSERT_EQ(uploads.size(), 1u);
    const auto& parts = uploads[0].parts;
    ASSERT_EQ(parts.size(), 5u);
    const std::vector<std::string> names = {parts[0].name, parts[1].name, parts[2].name,
                                            parts[3].name, parts[4].name};
    EXPECT_EQ(names, (std::vector<std::string>{"ufile", "product", "series", "version", "date"}));
    EXPECT_TRUE(EndsWith(parts[0].fileName, "freshline.err")) << parts[0].fileName;
    EXPECT_EQ(parts[0].contentType, "multipart/form-data");
    const std::string& log = parts[0].data;
    EXPECT_EQ(log.rfind("#\t#########################################\r\n#\tName:Client\r\n"
                        "#\tVersion:1.0.3\r\n#\tDate:", 0), 0u) << log;
    // The job's failure, with its code in decimal: the package list was not found.
    EXPECT_NE(log.find("\t234881026\tDownload List Fail\r\n"), std::string::npos) << log;
    EXPECT_EQ(parts[1].data, "RaVuviraZu");
    EXPECT_EQ(parts[2].data, "-268435457");
    EXPECT_EQ(parts[3].data, "1.1.3.60");
    EXPECT_FALSE(parts[4].data.empty());
    // Sent and gone: the error log file does not outlive the job.
    EXPECT_FALSE(platform::FileExists(folder_ / "freshline.err"));
}

}  // namespace
}  // namespace vu
