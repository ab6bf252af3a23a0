// The platform HTTP client against the loopback test server (tests/server/test_server.py).

#include "platform/http_client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <thread>

#include "helpers/test_server.h"

namespace vu::platform {
namespace {

using Work = std::pair<std::int64_t, std::int64_t>;

using test::GeneratedBytes;
using test::TestServer;

const TestServer& Server() { return TestServer::Instance(); }

struct Result {
    std::string body;
    std::vector<std::string> redirects;
    std::vector<std::pair<std::int64_t, std::int64_t>> work;
};

HttpGetRequest RequestOf(const std::string& url, std::int64_t rangeStart = 0) {
    HttpGetRequest request;
    request.url = url;
    request.rangeStart = rangeStart;
    request.headers = {{"Cache-control", "no-cache"}, {"Pragma", "no-cache"}, {"Connection", "keep-alive"}};
    return request;
}

Result Get(HttpClient& client, const HttpGetRequest& request,
           std::function<void(std::string&)> redirect = nullptr) {
    Result result;
    HttpEvents events;
    events.onRedirect = [&](std::string& location) {
        result.redirects.push_back(location);
        if (redirect) redirect(location);
    };
    events.onWork = [&](std::int64_t bytes, std::int64_t length) { result.work.emplace_back(bytes, length); };
    client.Get(request, events, [&](const char* data, std::size_t size) { result.body.append(data, size); });
    return result;
}

Result Get(HttpClient& client, const std::string& url) { return Get(client, RequestOf(url)); }

// Runs the GET expecting HttpError; returns it.
HttpError GetFailure(HttpClient& client, const std::string& url) {
    try {
        Get(client, url);
    } catch (const HttpError& error) {
        return error;
    }
    ADD_FAILURE() << "no HttpError from " << url;
    return HttpError(HttpFailure::Protocol, 0, 0, "none");
}

TEST(HttpClientTest, GetsAWholeFile) {
    const std::string name = TestServer::UniqueName("whole") + ".bin";
    std::string bytes;
    for (int i = 0; i < 70000; ++i) bytes += static_cast<char>((i * 7 + i / 300) & 0xFF);
    Server().WriteFile(name, bytes);
    auto client = HttpClient::Create();
    EXPECT_FALSE(client->Connected());
    const Result result = Get(*client, Server().Url("/" + name));
    EXPECT_EQ(result.body, bytes);
    EXPECT_TRUE(result.redirects.empty());
    ASSERT_FALSE(result.work.empty());
    EXPECT_EQ(result.work.back(), (Work{70000, 70000}));
}

TEST(HttpClientTest, SendsTheRequestHeadersAndNoRangeForStartZero) {
    const std::string path = "/_gen/100/" + TestServer::UniqueName("headers");
    auto client = HttpClient::Create();
    EXPECT_EQ(Get(*client, Server().Url(path)).body, GeneratedBytes(0, 100));
    const auto log = Server().Log(path);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].method, "GET");
    EXPECT_EQ(log[0].path, path);
    EXPECT_EQ(log[0].Header("Cache-control"), "no-cache");
    EXPECT_EQ(log[0].Header("Pragma"), "no-cache");
    // WinINet sends its own spelling, "Keep-Alive"; the value compares without case.
    std::string connection = log[0].Header("Connection");
    for (char& c : connection) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(connection, "keep-alive");
    EXPECT_FALSE(log[0].HasHeader("Range"));
}

TEST(HttpClientTest, RangeStartSendsAnOpenRangeAndGetsThePartialBody) {
    const std::string path = "/_gen/5000/" + TestServer::UniqueName("range");
    auto client = HttpClient::Create();
    const Result result = Get(*client, RequestOf(Server().Url(path), 1000));
    EXPECT_EQ(result.body, GeneratedBytes(1000, 4000));
    ASSERT_FALSE(result.work.empty());
    EXPECT_EQ(result.work.back(), (Work{4000, 4000}));
    const auto log = Server().Log(path);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].Header("Range"), "bytes=1000-");
}

TEST(HttpClientTest, UsesTheRequestPortWhenTheUrlNamesNone) {
    const std::string path = "/_gen/10/" + TestServer::UniqueName("port");
    auto client = HttpClient::Create();
    HttpGetRequest request = RequestOf("http://127.0.0.1" + path);
    request.port = Server().Port();
    EXPECT_EQ(Get(*client, request).body, GeneratedBytes(0, 10));
}

TEST(HttpClientTest, FollowsARedirectChainTellingTheHandlerFirst) {
    const std::string tail = "_gen/300/" + TestServer::UniqueName("chain");
    auto client = HttpClient::Create();
    const Result result = Get(*client, Server().Url("/redirect/3/" + tail));
    EXPECT_EQ(result.body, GeneratedBytes(0, 300));
    const std::vector<std::string> expected = {Server().Url("/redirect/2/" + tail), Server().Url("/redirect/1/" + tail),
                                               Server().Url("/redirect/0/" + tail)};
    EXPECT_EQ(result.redirects, expected);
    const auto log = Server().Log(tail);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[3].path, "/redirect/0/" + tail);
    // Only the final body is reported.
    ASSERT_FALSE(result.work.empty());
    EXPECT_EQ(result.work.back().first, 300);
}

TEST(HttpClientTest, FollowsTheLocationTheHandlerChose) {
    const std::string name = TestServer::UniqueName("changed");
    auto client = HttpClient::Create();
    const Result result = Get(*client, RequestOf(Server().Url("/redirect/1/_gen/10/" + name)), [&](std::string& location) {
        location = Server().SecondUrl("/_gen/20/" + name + "-other");
    });
    EXPECT_EQ(result.body, GeneratedBytes(0, 20));
    ASSERT_EQ(result.redirects.size(), 1u);
    EXPECT_EQ(Server().Log(name + "-other").size(), 1u);
    EXPECT_TRUE(Server().Log("/redirect/0/_gen/10/" + name).empty());
}

TEST(HttpClientTest, FollowsRedirectsToAnotherPortAndRelativeLocations) {
    const std::string name = TestServer::UniqueName("elsewhere");
    auto client = HttpClient::Create();
    Result result = Get(*client, Server().Url("/redirect-port/_gen/30/" + name));
    EXPECT_EQ(result.body, GeneratedBytes(0, 30));
    ASSERT_EQ(result.redirects.size(), 1u);
    EXPECT_EQ(result.redirects[0], Server().SecondUrl("/_gen/30/" + name));

    // The location is percent-encoded in the query: Wine's WinINet removes dot segments even
    // from the query part of the request path.
    result = Get(*client, Server().Url("/redirect-to?location=x%2F..%2F_gen%2F40%2F" + name + "-relative"));
    EXPECT_EQ(result.body, GeneratedBytes(0, 40));
    ASSERT_EQ(result.redirects.size(), 1u);
    EXPECT_EQ(result.redirects[0], Server().Url("/_gen/40/" + name + "-relative"));
}

TEST(HttpClientTest, FifteenRedirectsAreFollowedSixteenFail) {
    const std::string name = TestServer::UniqueName("many");
    auto client = HttpClient::Create();
    const Result result = Get(*client, Server().Url("/redirect/15/_gen/10/" + name));
    EXPECT_EQ(result.body, GeneratedBytes(0, 10));
    EXPECT_EQ(result.redirects.size(), 15u);

    const HttpError error = GetFailure(*client, Server().Url("/redirect/16/_gen/10/" + name + "-16"));
    EXPECT_EQ(error.Failure(), HttpFailure::Protocol) << error.what();
    EXPECT_EQ(error.SocketCode(), 0u);
    EXPECT_TRUE(Server().Log("/redirect/0/_gen/10/" + name + "-16").empty());
}

TEST(HttpClientTest, NotFoundIsAStatusFailureNamingTheStatusLine) {
    auto client = HttpClient::Create();
    const HttpError error = GetFailure(*client, Server().Url("/" + TestServer::UniqueName("missing")));
    EXPECT_EQ(error.Failure(), HttpFailure::Status);
    EXPECT_EQ(error.Status(), 404);
    EXPECT_EQ(error.SocketCode(), 0u);
    EXPECT_STREQ(error.what(), "HTTP/1.1 404 Not Found");
}

TEST(HttpClientTest, ServerErrorIsAStatusFailure) {
    auto client = HttpClient::Create();
    const HttpError error = GetFailure(*client, Server().Url("/fault/status=500/_gen/10/" + TestServer::UniqueName("500")));
    EXPECT_EQ(error.Failure(), HttpFailure::Status);
    EXPECT_EQ(error.Status(), 500);
    EXPECT_STREQ(error.what(), "HTTP/1.1 500 Internal Server Error");
    // The client still works.
    EXPECT_EQ(Get(*client, Server().Url("/_gen/10/" + TestServer::UniqueName("after500"))).body, GeneratedBytes(0, 10));
}

TEST(HttpClientTest, RefusedConnectionIsASocketFailure) {
    auto client = HttpClient::Create();
    // Port 1 on loopback: nothing listens there.
    const HttpError error = GetFailure(*client, "http://127.0.0.1:1/x");
    EXPECT_EQ(error.Failure(), HttpFailure::Socket) << error.what();
    EXPECT_NE(error.SocketCode(), 0u);
    EXPECT_NE(error.SocketCode(), kSocketConnectionReset);
    EXPECT_NE(error.SocketCode(), kSocketHostNotFound);
    EXPECT_FALSE(client->Connected());
}

TEST(HttpClientTest, UnknownHostIsHostNotFound) {
    auto client = HttpClient::Create();
    const HttpError error = GetFailure(*client, "http://vu-no-such-host.invalid/x");
    EXPECT_EQ(error.Failure(), HttpFailure::HostNotFound) << error.what();
    EXPECT_EQ(error.SocketCode(), kSocketHostNotFound);
}

TEST(HttpClientTest, ResetAfterSomeBytesIsConnectionResetAndTheClientRecovers) {
    const std::string url = Server().Url("/fault/reset=3000,times=1/_gen/200000/" + TestServer::UniqueName("reset"));
    auto client = HttpClient::Create();
    std::string received;
    HttpError error(HttpFailure::Protocol, 0, 0, "none");
    try {
        client->Get(RequestOf(url), {}, [&](const char* data, std::size_t size) { received.append(data, size); });
        ADD_FAILURE() << "no failure";
    } catch (const HttpError& caught) {
        error = caught;
    }
    EXPECT_EQ(error.Failure(), HttpFailure::ConnectionReset) << error.what();
    EXPECT_EQ(error.SocketCode(), kSocketConnectionReset);
    EXPECT_LE(received.size(), 3000u);
    EXPECT_EQ(received, GeneratedBytes(0, received.size()));
    // The path's fault applied once: the same client gets the whole body next time.
    EXPECT_EQ(Get(*client, url).body, GeneratedBytes(0, 200000));
}

TEST(HttpClientTest, DisconnectFromAnotherThreadBreaksASlowBody) {
    // 100 bytes every 50 ms: 50 s for the whole body.
    const std::string url = Server().Url("/fault/slow=100:50/_gen/100000/" + TestServer::UniqueName("slow"));
    auto client = HttpClient::Create();
    std::atomic<std::size_t> received{0};
    std::atomic<bool> connectedDuring{false};
    std::thread breaker([&] {
        while (received < 300) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        connectedDuring = client->Connected();
        client->Disconnect();
    });
    bool raised = false;
    const auto started = std::chrono::steady_clock::now();
    try {
        client->Get(RequestOf(url), {}, [&](const char*, std::size_t size) { received += size; });
    } catch (const HttpError& error) {
        raised = true;
        EXPECT_EQ(error.Failure(), HttpFailure::Socket) << error.what();
        EXPECT_NE(error.SocketCode(), 0u);
    }
    const auto elapsed = std::chrono::steady_clock::now() - started;
    breaker.join();
    EXPECT_TRUE(raised);
    EXPECT_TRUE(connectedDuring);
    EXPECT_LT(received, 100000u);
    std::printf("disconnect broke the transfer after %lld ms\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
    // A later request connects afresh.
    EXPECT_FALSE(client->Connected());
    EXPECT_EQ(Get(*client, Server().Url("/_gen/10/" + TestServer::UniqueName("afterslow"))).body, GeneratedBytes(0, 10));
}

TEST(HttpClientTest, DisconnectBreaksATransferInLargePieces) {
    // 16 KiB every 200 ms: pieces large enough for the client to read whole buffers, and four
    // minutes for the whole body.
    const std::string url =
        Server().Url("/fault/slow=16384:200/_gen/20000000/" + TestServer::UniqueName("pieces"));
    auto client = HttpClient::Create();
    std::atomic<std::size_t> received{0};
    std::thread breaker([&] {
        while (received < 40000) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        client->Disconnect();
    });
    bool raised = false;
    try {
        client->Get(RequestOf(url), {}, [&](const char*, std::size_t size) { received += size; });
    } catch (const HttpError& error) {
        raised = true;
        EXPECT_EQ(error.Failure(), HttpFailure::Socket) << error.what();
    }
    breaker.join();
    EXPECT_TRUE(raised);
    EXPECT_LT(received, 20000000u);
}

TEST(HttpClientTest, DisconnectWhileIdleDoesNotBreakTheNextRequest) {
    auto client = HttpClient::Create();
    EXPECT_EQ(Get(*client, Server().Url("/_gen/10/" + TestServer::UniqueName("idle1"))).body, GeneratedBytes(0, 10));
    EXPECT_TRUE(client->Connected());
    client->Disconnect();
    EXPECT_FALSE(client->Connected());
    EXPECT_EQ(Get(*client, Server().Url("/_gen/10/" + TestServer::UniqueName("idle2"))).body, GeneratedBytes(0, 10));
}

TEST(HttpClientTest, ProgressEventsAreCoalescedAndEndWithTheBodySize) {
    constexpr std::int64_t kSize = 64LL << 20;
    auto client = HttpClient::Create();
    std::int64_t received = 0;
    std::vector<std::pair<std::int64_t, std::int64_t>> work;
    HttpEvents events;
    events.onWork = [&](std::int64_t bytes, std::int64_t length) { work.emplace_back(bytes, length); };
    const auto started = std::chrono::steady_clock::now();
    client->Get(RequestOf(Server().Url("/_gen/" + std::to_string(kSize) + "/" + TestServer::UniqueName("big"))), events,
                [&](const char*, std::size_t size) { received += static_cast<std::int64_t>(size); });
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(received, kSize);
    ASSERT_FALSE(work.empty());
    EXPECT_EQ(work.back(), (Work{kSize, kSize}));
    // At most one event per 50 ms, plus the final one.
    EXPECT_LE(static_cast<long long>(work.size()), milliseconds / 50 + 2) << milliseconds << " ms";
    for (std::size_t i = 1; i < work.size(); ++i) EXPECT_LE(work[i - 1].first, work[i].first);
    std::printf("64 MiB in %lld ms, %zu progress events\n", static_cast<long long>(milliseconds), work.size());
}

TEST(HttpClientTest, UnknownContentLengthIsReportedAsMinusOne) {
    auto client = HttpClient::Create();
    const Result result = Get(*client, Server().Url("/fault/nolength=1/_gen/5000/" + TestServer::UniqueName("nolength")));
    EXPECT_EQ(result.body, GeneratedBytes(0, 5000));
    ASSERT_FALSE(result.work.empty());
    EXPECT_EQ(result.work.back(), (Work{5000, -1}));
}

TEST(HttpClientTest, PostsMultipartPartsInOrder) {
    const std::string path = "/report3.php?id=" + TestServer::UniqueName("post");
    auto client = HttpClient::Create();
    std::string binary;
    for (int i = 0; i < 1000; ++i) binary += static_cast<char>(i % 256);
    binary += "\r\n--not-a-boundary\r\n";
    const std::string response = client->PostMultipart(
        Server().Url(path), {{"ver", "1.1.3.60", "", ""},
                             {"log", binary, "error.log", "application/octet-stream"},
                             {"mac", "00-11-22-33-44-55", "", "text/plain"},
                             {"empty", "", "", ""}});
    EXPECT_EQ(response, "OK 4\n");
    const auto uploads = Server().Uploads(path);
    ASSERT_EQ(uploads.size(), 1u);
    const auto& parts = uploads[0].parts;
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[0].name, "ver");
    EXPECT_EQ(parts[0].data, "1.1.3.60");
    EXPECT_FALSE(parts[0].hasFileName);
    EXPECT_FALSE(parts[0].hasContentType);
    EXPECT_EQ(parts[1].name, "log");
    EXPECT_EQ(parts[1].fileName, "error.log");
    EXPECT_EQ(parts[1].contentType, "application/octet-stream");
    EXPECT_EQ(parts[1].data, binary);
    EXPECT_EQ(parts[2].name, "mac");
    EXPECT_FALSE(parts[2].hasFileName);
    EXPECT_EQ(parts[2].contentType, "text/plain");
    EXPECT_EQ(parts[2].data, "00-11-22-33-44-55");
    EXPECT_EQ(parts[3].name, "empty");
    EXPECT_EQ(parts[3].data, "");
    const auto log = Server().Log(path);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].method, "POST");
    EXPECT_EQ(log[0].Header("Content-Type").rfind("multipart/form-data; boundary=", 0), 0u);
}

TEST(HttpClientTest, PostToAMissingPathRaisesStatus) {
    auto client = HttpClient::Create();
    try {
        client->PostMultipart(Server().Url("/fault/status=404/" + TestServer::UniqueName("postfail")), {{"a", "b", "", ""}});
        ADD_FAILURE() << "no failure";
    } catch (const HttpError& error) {
        EXPECT_EQ(error.Failure(), HttpFailure::Status);
        EXPECT_EQ(error.Status(), 404);
    }
}

TEST(HttpClientTest, RejectsASelfSignedCertificate) {
    if (Server().TlsPort() == 0) GTEST_SKIP() << "no HTTPS listener (openssl missing)";
    auto client = HttpClient::Create();
    const std::string name = TestServer::UniqueName("tls");
    const HttpError error =
        GetFailure(*client, "https://127.0.0.1:" + std::to_string(Server().TlsPort()) + "/_gen/10/" + name);
    EXPECT_NE(error.Failure(), HttpFailure::Status) << error.what();
    EXPECT_EQ(error.Failure(), HttpFailure::Protocol) << error.what();
    // The request never reached the HTTP layer.
    EXPECT_TRUE(Server().Log(name).empty());
}

}  // namespace
}  // namespace vu::platform

namespace vu::platform {
namespace {

TEST(HttpClientTest, AServerIgnoringTheRangeGivesTheWholeBody) {
    auto client = HttpClient::Create();
    const Result result =
        Get(*client, RequestOf(Server().Url("/fault/norange=1/_gen/3000/" + TestServer::UniqueName("norange")), 1000));
    EXPECT_EQ(result.body, GeneratedBytes(0, 3000));
}

TEST(HttpClientTest, BytesBeyondTheContentLengthAreNotDelivered) {
    auto client = HttpClient::Create();
    const Result result = Get(*client, Server().Url("/fault/extra=500/_gen/3000/" + TestServer::UniqueName("extra")));
    EXPECT_EQ(result.body, GeneratedBytes(0, 3000));
    // The next request works (on a new connection: the server closed that one).
    EXPECT_EQ(Get(*client, Server().Url("/_gen/10/" + TestServer::UniqueName("afterextra"))).body, GeneratedBytes(0, 10));
}

TEST(HttpClientTest, ConnectionClosedShortOfTheLengthIsAFailureNotABody) {
    // A body cut short by a normal close must never pass for the whole resource.
    auto client = HttpClient::Create();
    const HttpError error =
        GetFailure(*client, Server().Url("/fault/close=1000/_gen/5000/" + TestServer::UniqueName("close")));
    EXPECT_EQ(error.Failure(), HttpFailure::Socket) << error.what();
    EXPECT_NE(error.SocketCode(), 0u);
}

}  // namespace
}  // namespace vu::platform
