#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/system_error.h"
#include "test_worker.h"
#include "transfer/log_text.h"

namespace vu {
namespace {

using test::HttpScript;
using test::ScriptedAttempt;
using test::SocketFailure;
using test::StatusFailure;
using test::TestWorker;

const std::string kUrl = "http://first.example/list.txt";
const std::string kRetryUrl = "http://second.example/list.txt";
const std::string kLabel = "[GetPlist Err]";

class TransferRetryTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::RemoveDiagnosticLog();
        worker.Port = 8080;
        worker.RetryPort = 9090;
    }
    void TearDown() override { test::RemoveDiagnosticLog(); }

    std::vector<std::string> DiagnosticLines() const {
        return SplitLines(test::ReadFileBytes(test::DiagnosticLogPath()));
    }

    std::shared_ptr<HttpScript> script = HttpScript::Make();
    TestWorker worker{script->Factory()};
};

TEST_F(TransferRetryTest, AFirstAttemptThatSucceedsSendsTheNoCacheHeadersAndLogsNothing) {
    script->Add({"package list", std::nullopt, {}});
    bool success = false;
    std::string body = "stale";
    worker.HttpGetText(kUrl, kRetryUrl, kLabel, success, body);

    EXPECT_TRUE(success);
    EXPECT_EQ(body, "package list");
    const auto gets = script->Gets();
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_EQ(gets[0].request.url, kUrl);
    EXPECT_EQ(gets[0].request.port, 8080);
    EXPECT_EQ(gets[0].request.rangeStart, 0);
    const std::vector<std::pair<std::string, std::string>> headers{
        {"Cache-control", "no-cache"}, {"Pragma", "no-cache"}, {"Connection", "keep-alive"}};
    EXPECT_EQ(gets[0].request.headers, headers);
    EXPECT_EQ(script->Creations(), 1);
    EXPECT_TRUE(script->FollowsRedirects(0));
    EXPECT_TRUE(worker.JobLog().empty());
    EXPECT_TRUE(worker.ErrorLog().empty());
    EXPECT_FALSE(platform::FileExists(test::DiagnosticLogPath()));
}

TEST_F(TransferRetryTest, ThreeRefusalsAreLoggedThreeWaysAndTheLaterOnesNameTheRetryAddress) {
    for (int i = 0; i < 3; ++i) script->Add({"", SocketFailure(10061, "Connection refused"), {}});
    worker.SetErrorCode(0x0E000102);
    bool success = true;
    std::string body;
    worker.HttpGetText(kUrl, kRetryUrl, kLabel, success, body);

    EXPECT_FALSE(success);
    const std::vector<std::string> expected{kLabel + "(" + kUrl + ")\tConnection refused",
                                            kLabel + "(" + kRetryUrl + ")\tConnection refused",
                                            kLabel + "(" + kRetryUrl + ")\tConnection refused"};
    EXPECT_EQ(test::TextsOf(worker.JobLog()), expected);
    EXPECT_EQ(DiagnosticLines(), expected);
    std::vector<std::string> errorLines;
    for (const auto& line : expected) errorLines.push_back("234881282\t" + line);
    EXPECT_EQ(test::TextsOf(worker.ErrorLog()), errorLines);
    for (const auto& line : worker.JobLog()) EXPECT_FALSE(test::SplitStamp(line).dateTime.empty());

    const auto gets = script->Gets();
    ASSERT_EQ(gets.size(), 3u);
    EXPECT_EQ(gets[0].request.port, 8080);
    EXPECT_EQ(gets[1].request.url, kRetryUrl);
    EXPECT_EQ(gets[1].request.port, 9090);
    EXPECT_EQ(gets[2].request.url, kRetryUrl);
    EXPECT_EQ(gets[2].request.port, 9090);
    // A refusal is a socket failure other than a reset: the same client, disconnected each time.
    EXPECT_EQ(script->Creations(), 1);
    EXPECT_EQ(script->Disconnects(0), 3);
}

// How each kind of failed first attempt leaves the client for the second attempt.
struct FailureCase {
    const char* name;
    platform::HttpError failure;
    bool newClient;
    int disconnectsOfFirstClient;
};

TEST_F(TransferRetryTest, EachKindOfFailureLeavesTheClientAsItsCauseRequires) {
    const std::vector<FailureCase> cases{
        {"404", StatusFailure(404, "HTTP/1.1 404 Not Found"), false, 0},
        {"protocol",
         platform::HttpError(platform::HttpFailure::Protocol, 0, 0, "Too many redirects"), false,
         0},
        {"reset", SocketFailure(10054, "Connection reset by peer"), true, 1},
        {"host not found", SocketFailure(11001, "Host not found"), true, 1},
        {"timed out", SocketFailure(10060, "Timed out"), false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto script = HttpScript::Make();
        TestWorker worker(script->Factory());
        script->Add({"", c.failure, {}});
        script->Add({"second", std::nullopt, {}});
        bool success = false;
        std::string body;
        worker.HttpGetText(kUrl, kRetryUrl, kLabel, success, body);

        EXPECT_TRUE(success);
        EXPECT_EQ(body, "second");
        EXPECT_EQ(test::TextsOf(worker.JobLog()),
                  std::vector<std::string>{kLabel + "(" + kUrl + ")\t" + c.failure.what()});
        const auto gets = script->Gets();
        ASSERT_EQ(gets.size(), 2u);
        EXPECT_EQ(gets[1].request.url, kRetryUrl);
        EXPECT_EQ(gets[0].client, 0);
        EXPECT_EQ(gets[1].client, c.newClient ? 1 : 0);
        EXPECT_EQ(script->Creations(), c.newClient ? 2 : 1);
        EXPECT_EQ(script->Disconnects(0), c.disconnectsOfFirstClient);
        if (c.newClient) {
            EXPECT_TRUE(script->Destroyed(0));
            EXPECT_TRUE(script->FollowsRedirects(1));
        }
    }
    test::RemoveDiagnosticLog();
}

TEST_F(TransferRetryTest, RecreatingTheClientAppliesTheRequestedRedirectSetting) {
    worker.RecreateHttpClient(false);
    EXPECT_EQ(script->Creations(), 2);
    EXPECT_EQ(script->Disconnects(0), 1);
    EXPECT_TRUE(script->Destroyed(0));
    EXPECT_FALSE(script->FollowsRedirects(1));
}

TEST_F(TransferRetryTest, AStopBeforeTheTransferSendsNothingAndLeavesTheBodyEmpty) {
    worker.AbortTransfers();
    bool success = true;
    std::string body = "stale";
    worker.HttpGetText(kUrl, kRetryUrl, kLabel, success, body);
    EXPECT_FALSE(success);
    EXPECT_EQ(body, "");

    test::StringStream stream("unchanged");
    EXPECT_FALSE(worker.HttpGetStream(kUrl, kRetryUrl, "[DownloadFile Err]", stream, 0));
    EXPECT_EQ(stream.Bytes(), "unchanged");
    EXPECT_TRUE(script->Gets().empty());
}

TEST_F(TransferRetryTest, AStopDuringACompletedTransferMakesItFailWithoutAnotherAttempt) {
    script->Add({"whole body", std::nullopt, [this] { worker.AbortTransfers(); }});
    script->Add({"never fetched", std::nullopt, {}});
    bool success = true;
    std::string body;
    worker.HttpGetText(kUrl, kRetryUrl, kLabel, success, body);

    EXPECT_FALSE(success);
    EXPECT_EQ(body, "whole body");
    EXPECT_EQ(script->Gets().size(), 1u);
    // The stop broke the connection in progress.
    EXPECT_EQ(script->Disconnects(0), 1);
    EXPECT_TRUE(worker.JobLog().empty());
}

TEST_F(TransferRetryTest, AStopThatBreaksTheTransferEndsTheRetriesAfterOneLoggedFailure) {
    script->Add(
        {"", SocketFailure(10053, "Connection aborted"), [this] { worker.AbortTransfers(); }});
    test::StringStream stream;
    EXPECT_FALSE(worker.HttpGetStream(kUrl, kRetryUrl, "[DownloadFile Err]", stream, 0));
    EXPECT_EQ(script->Gets().size(), 1u);
    EXPECT_EQ(worker.JobLog().size(), 1u);
}

TEST_F(TransferRetryTest, AStreamTransferWritesFromTheStartPositionAndAsksForTheRestOnly) {
    test::StringStream stream(std::string(1000, 'x'));
    stream.Seek(17);
    script->Add({"tail", std::nullopt, {}});
    EXPECT_TRUE(worker.HttpGetStream(kUrl, kRetryUrl, "[DownloadFile Err]", stream, 1000));
    EXPECT_EQ(stream.Bytes(), std::string(1000, 'x') + "tail");
    ASSERT_EQ(script->Gets().size(), 1u);
    EXPECT_EQ(script->Gets()[0].request.rangeStart, 1000);
}

TEST_F(TransferRetryTest, AWholeResourceAnsweringARangeRequestIsWrittenFromTheStart) {
    test::StringStream stream("0123456789abcdef");
    script->Add({"WHOLE", std::nullopt, {}, "", 200});
    EXPECT_TRUE(worker.HttpGetStream(kUrl, kRetryUrl, "[DownloadFile Err]", stream, 11));
    EXPECT_EQ(script->Gets()[0].request.rangeStart, 11);
    // Written from 0, not spliced after the prefix; the longer old tail stays (no truncation).
    EXPECT_EQ(stream.Bytes(), "WHOLE56789abcdef");
    EXPECT_EQ(worker.TransferRangeStart(), 0);
}

TEST_F(TransferRetryTest, ABodyBeyondTheSizeLimitFailsEachAttempt) {
    struct Case {
        std::int64_t start;
        std::string body;
        bool fits;
    };
    const Case cases[] = {{0, "12345678", true}, {0, "123456789", false}, {4, "5678", true},
                          {4, "56789", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        const auto caseScript = HttpScript::Make();
        TestWorker caseWorker{caseScript->Factory()};
        test::StringStream stream("1234");
        for (int i = 0; i < 3; ++i) caseScript->Add({c.body, std::nullopt, {}});
        EXPECT_EQ(caseWorker.HttpGetStream(kUrl, kRetryUrl, "[DownloadFile Err]", stream, c.start, 8),
                  c.fits);
        EXPECT_LE(stream.Bytes().size(), 8u);
        EXPECT_EQ(caseScript->Gets().size(), c.fits ? 1u : 3u);
    }
}

TEST_F(TransferRetryTest, EveryStreamAttemptRewritesFromTheStartWithoutTruncating) {
    test::StringStream stream("0123456789");
    script->Add({"zzzz", SocketFailure(10054, "Connection reset by peer"), {}});
    script->Add({"ab", std::nullopt, {}});
    EXPECT_TRUE(worker.HttpGetStream(kUrl, kRetryUrl, "[DownloadFile Err]", stream, 0));
    // The second attempt's shorter body leaves the first attempt's later bytes in place.
    EXPECT_EQ(stream.Bytes(), "abzz456789");
    const auto gets = script->Gets();
    ASSERT_EQ(gets.size(), 2u);
    EXPECT_EQ(gets[0].request.rangeStart, 0);
    EXPECT_EQ(gets[1].request.rangeStart, 0);
    // The stream transfer's failure line has no tab before the message.
    EXPECT_EQ(test::TextsOf(worker.JobLog()),
              std::vector<std::string>{"[DownloadFile Err](" + kUrl + ")Connection reset by peer"});
}

TEST_F(TransferRetryTest, TheInstalledEventsReachTheHandlersOnEveryAttempt) {
    std::vector<std::string> redirects;
    std::vector<std::int64_t> progress;
    worker.SetTransferEvents([&](std::string& location) { redirects.push_back(location); },
                             [&](std::int64_t soFar, std::int64_t) { progress.push_back(soFar); });
    script->Add({"abc", StatusFailure(500, "HTTP/1.1 500 Internal Server Error"), {}, "http://a/1"});
    script->Add({"abcdef", std::nullopt, {}, "http://b/2"});
    bool success = false;
    std::string body;
    worker.HttpGetText(kUrl, kRetryUrl, kLabel, success, body);
    EXPECT_TRUE(success);
    EXPECT_EQ(redirects, (std::vector<std::string>{"http://a/1", "http://b/2"}));
    EXPECT_EQ(progress, (std::vector<std::int64_t>{3, 6}));
}

TEST_F(TransferRetryTest, AFailureThatIsNoStandardExceptionLeavesTheTransfer) {
    script->Add({"", std::nullopt, [] { throw 42; }});
    bool success = true;
    std::string body;
    EXPECT_THROW(worker.HttpGetText(kUrl, kRetryUrl, kLabel, success, body), int);
    EXPECT_EQ(script->Gets().size(), 1u);
    EXPECT_TRUE(worker.JobLog().empty());
}

TEST_F(TransferRetryTest, ADiagnosticLogThatCannotBeWrittenEndsTheRetries) {
    ASSERT_TRUE(platform::MakeFolder(test::DiagnosticLogPath()));
    for (int i = 0; i < 3; ++i) script->Add({"", SocketFailure(10061, "Connection refused"), {}});
    bool success = true;
    std::string body;
    EXPECT_THROW(worker.HttpGetText(kUrl, kRetryUrl, kLabel, success, body), platform::SystemError);
    EXPECT_EQ(script->Gets().size(), 1u);
}

// A stop from another thread while the worker replaces its client must never reach a client
// being freed (the sanitizer build catches a use after free).
TEST_F(TransferRetryTest, StopsFromAnotherThreadAreSafeWhileTheClientIsReplaced) {
    std::atomic<bool> done{false};
    std::atomic<int> stops{0};
    std::thread stopper([&] {
        while (!done) {
            worker.AbortTransfers();
            ++stops;
        }
    });
    int recreations = 0;
    for (; recreations < 2000 || stops < 2000; ++recreations) worker.RecreateHttpClient(true);
    done = true;
    stopper.join();
    EXPECT_EQ(script->Creations(), recreations + 1);
    EXPECT_TRUE(worker.Aborted());
}

}  // namespace
}  // namespace vu
