// The portable parts of the HTTP clients: progress coalescing (with an injected clock), URL
// resolution for redirects and default ports, and the multipart body.

#include "platform/http_progress.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace vu::platform {
namespace {

using Work = std::pair<std::int64_t, std::int64_t>;

struct Recorder {
    std::vector<std::pair<std::int64_t, std::int64_t>> events;
    HttpProgress::Sink Sink() {
        return [this](std::int64_t bytes, std::int64_t length) { events.emplace_back(bytes, length); };
    }
};

TEST(HttpProgressTest, CoalescesToOneEventPerInterval) {
    std::uint64_t now = 1000;
    Recorder recorder;
    HttpProgress progress(recorder.Sink(), [&] { return now; });
    progress.Start(100000);
    for (int i = 0; i < 1000; ++i) {  // 1000 pieces over 1 s: one per millisecond
        progress.Add(100);
        ++now;
    }
    // 50 ms apart: at most 20 in a second.
    EXPECT_GE(recorder.events.size(), 19u);
    EXPECT_LE(recorder.events.size(), 20u);
    progress.Finish();
    ASSERT_FALSE(recorder.events.empty());
    EXPECT_EQ(recorder.events.back(), (Work{100000, 100000}));
    for (std::size_t i = 1; i < recorder.events.size(); ++i)
        EXPECT_LT(recorder.events[i - 1].first, recorder.events[i].first);
}

TEST(HttpProgressTest, FastBodyGivesOnlyTheFinalEvent) {
    std::uint64_t now = 5;
    Recorder recorder;
    HttpProgress progress(recorder.Sink(), [&] { return now; });
    progress.Start(-1);
    for (int i = 0; i < 10000; ++i) progress.Add(10);
    now += 49;
    progress.Add(10);
    EXPECT_TRUE(recorder.events.empty());
    progress.Finish();
    progress.Finish();  // once per body
    ASSERT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(recorder.events[0].first, 100010);
    EXPECT_EQ(recorder.events[0].second, -1);
}

TEST(HttpProgressTest, EventExactlyAtTheIntervalAndAfterARestart) {
    std::uint64_t now = 0;
    Recorder recorder;
    HttpProgress progress(recorder.Sink(), [&] { return now; });
    progress.Start(10);
    now = 50;
    progress.Add(3);
    ASSERT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(recorder.events[0].first, 3);
    progress.Start(20);  // a new body: the count starts again
    now = 120;
    progress.Add(7);
    progress.Finish();
    ASSERT_EQ(recorder.events.size(), 3u);
    EXPECT_EQ(recorder.events[1], (Work{7, 20}));
    EXPECT_EQ(recorder.events[2], (Work{7, 20}));
}

TEST(HttpProgressTest, EmptyBodyStillGivesTheFinalEvent) {
    Recorder recorder;
    HttpProgress progress(recorder.Sink(), [] { return std::uint64_t{0}; });
    progress.Start(0);
    progress.Finish();
    ASSERT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(recorder.events[0].first, 0);
}

TEST(HttpUrlTest, Parses) {
    auto url = ParseHttpUrl("HTTP://Example.com:8080/a/b?c=d#frag");
    EXPECT_TRUE(url.valid);
    EXPECT_EQ(url.scheme, "http");
    EXPECT_EQ(url.host, "Example.com");
    EXPECT_EQ(url.port, 8080);
    EXPECT_EQ(url.pathAndQuery, "/a/b?c=d");
    url = ParseHttpUrl("https://h");
    EXPECT_TRUE(url.valid);
    EXPECT_EQ(url.port, 0);
    EXPECT_EQ(url.pathAndQuery, "/");
    url = ParseHttpUrl("http://user:pw@[::1]:81?q");
    EXPECT_EQ(url.host, "::1");
    EXPECT_EQ(url.port, 81);
    EXPECT_EQ(url.pathAndQuery, "/?q");
    EXPECT_FALSE(ParseHttpUrl("no scheme").valid);
    EXPECT_FALSE(ParseHttpUrl("http://h:99999/").valid);
}

TEST(HttpUrlTest, AppliesThePortOnlyWhenTheUrlNamesNone) {
    EXPECT_EQ(ApplyDefaultPort("http://h/x", 8080), "http://h:8080/x");
    EXPECT_EQ(ApplyDefaultPort("http://h?x", 8080), "http://h:8080?x");
    EXPECT_EQ(ApplyDefaultPort("http://h:81/x", 8080), "http://h:81/x");
    EXPECT_EQ(ApplyDefaultPort("http://h/x", 80), "http://h/x");
    EXPECT_EQ(ApplyDefaultPort("https://h/x", 80), "https://h/x");
    EXPECT_EQ(ApplyDefaultPort("https://h/x", 8443), "https://h:8443/x");
}

TEST(HttpUrlTest, ResolvesLocations) {
    const std::string base = "http://h:81/a/b/c?q=1";
    EXPECT_EQ(ResolveHttpLocation(base, "https://other/x"), "https://other/x");
    EXPECT_EQ(ResolveHttpLocation(base, "//other:82/x"), "http://other:82/x");
    EXPECT_EQ(ResolveHttpLocation(base, "/x/y?z"), "http://h:81/x/y?z");
    EXPECT_EQ(ResolveHttpLocation(base, "d"), "http://h:81/a/b/d");
    EXPECT_EQ(ResolveHttpLocation(base, "../d"), "http://h:81/a/d");
    EXPECT_EQ(ResolveHttpLocation(base, "../../../../d"), "http://h:81/d");
    EXPECT_EQ(ResolveHttpLocation(base, "./"), "http://h:81/a/b/");
    EXPECT_EQ(ResolveHttpLocation(base, "?r=2"), "http://h:81/a/b/c?r=2");
    EXPECT_EQ(ResolveHttpLocation("http://h", "d"), "http://h/d");
}

TEST(MultipartTest, BuildsTheBody) {
    const auto body = BuildMultipartBody(
        {{"field", "value", "", ""}, {"file", std::string("a\0b", 3), "log.txt", "text/plain"}}, "XYZ");
    EXPECT_EQ(body.ContentType(), "multipart/form-data; boundary=XYZ");
    EXPECT_EQ(body.body, std::string("--XYZ\r\n"
                                     "Content-Disposition: form-data; name=\"field\"\r\n\r\n"
                                     "value\r\n"
                                     "--XYZ\r\n"
                                     "Content-Disposition: form-data; name=\"file\"; filename=\"log.txt\"\r\n"
                                     "Content-Type: text/plain\r\n\r\n"
                                     "a\0b\r\n"
                                     "--XYZ--\r\n",
                                     176));
    EXPECT_NE(NewMultipartBoundary(), NewMultipartBoundary());
}

}  // namespace
}  // namespace vu::platform
