#pragma once
// Portable pieces shared by the two HTTP clients: the coalescing of progress events, URL
// handling for redirects and default ports, and the multipart/form-data body.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/http_client.h"

namespace vu::platform {

// Turns the many "n more bytes arrived" notices of a transfer into at most one event per
// interval (50 ms: about twenty a second) plus exactly one event when the body is complete,
// carrying the final count. The clock gives milliseconds from any fixed origin.
class HttpProgress {
public:
    using Sink = std::function<void(std::int64_t bytesSoFar, std::int64_t contentLength)>;
    using Clock = std::function<std::uint64_t()>;

    static constexpr std::uint64_t kIntervalMilliseconds = 50;

    explicit HttpProgress(Sink sink, Clock clock = SteadyMilliseconds,
                          std::uint64_t intervalMilliseconds = kIntervalMilliseconds);

    // Begins a body: the count goes back to 0. contentLength -1 when unknown.
    void Start(std::int64_t contentLength);
    // More bytes of the body arrived; reports when the interval has passed since the last event
    // (or since Start).
    void Add(std::uint64_t bytes);
    // The body is complete: reports the final count, once per Start.
    void Finish();

    std::int64_t BytesSoFar() const { return bytes_; }
    std::int64_t ContentLength() const { return contentLength_; }

    static std::uint64_t SteadyMilliseconds();

private:
    Sink sink_;
    Clock clock_;
    std::uint64_t interval_;
    std::uint64_t lastEvent_ = 0;
    std::int64_t bytes_ = 0;
    std::int64_t contentLength_ = -1;
    bool finished_ = true;
};

// The parts of an absolute http or https URL. port is 0 when the URL names none.
struct HttpUrl {
    std::string scheme;  // lower case: "http" or "https" (or whatever the URL says)
    std::string host;    // without brackets for IPv6 literals
    int port = 0;
    std::string pathAndQuery;  // starts with '/'; the fragment is dropped
    bool valid = false;
};

HttpUrl ParseHttpUrl(const std::string& url);
int DefaultPortOf(const std::string& scheme);  // 443 for https, 80 otherwise
// The URL with ":<port>" added when it names no port and port differs from the scheme's default
// (and, for https, port is not the plain-HTTP default 80).
std::string ApplyDefaultPort(const std::string& url, int port);
// The absolute URL a Location value names, resolved against the URL it came from (absolute,
// scheme-relative "//host/...", absolute-path "/..." and relative "a/b", "../c", "?q").
std::string ResolveHttpLocation(const std::string& base, const std::string& location);

// A multipart/form-data body and the boundary it uses.
struct MultipartBody {
    std::string boundary;
    std::string body;
    std::string ContentType() const { return "multipart/form-data; boundary=" + boundary; }
};
std::string NewMultipartBoundary();
MultipartBody BuildMultipartBody(const std::vector<MultipartPart>& parts,
                                 const std::string& boundary = NewMultipartBoundary());

// Redirect statuses the clients follow.
inline bool IsRedirectStatus(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace vu::platform
