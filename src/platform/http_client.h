#pragma once
// The HTTP/HTTPS client every worker transfers through: WinINet on Windows, libcurl on Linux.

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace vu::platform {

// What made a request fail. Socket failures carry the Windows Sockets code on both systems:
// 10054 for a connection reset by the peer, 11001 for a host that could not be found.
enum class HttpFailure {
    ConnectionReset,  // socket code 10054
    HostNotFound,     // socket code 11001
    Socket,           // any other socket failure (refused, timed out, broken by Disconnect)
    Status,           // the server answered with an error status (400 and above)
    Protocol          // anything else: a malformed answer, too many redirects, a TLS failure
};

inline constexpr std::uint32_t kSocketConnectionReset = 10054;
inline constexpr std::uint32_t kSocketHostNotFound = 11001;

class HttpError : public std::runtime_error {
public:
    HttpError(HttpFailure failure, std::uint32_t socketCode, int status, const std::string& message)
        : std::runtime_error(message), failure_(failure), socketCode_(socketCode), status_(status) {}
    HttpFailure Failure() const noexcept { return failure_; }
    std::uint32_t SocketCode() const noexcept { return socketCode_; }  // 0 unless a socket failure
    int Status() const noexcept { return status_; }                    // 0 unless Status

private:
    HttpFailure failure_;
    std::uint32_t socketCode_;
    int status_;
};

struct HttpGetRequest {
    std::string url;
    int port = 80;  // used when the URL names no port of its own
    std::vector<std::pair<std::string, std::string>> headers;
    std::int64_t rangeStart = 0;  // nonzero: "Range: bytes=<start>-"
};

struct HttpEvents {
    // Told each redirect's new location before it is followed; may change it.
    std::function<void(std::string& location)> onRedirect;
    // Running byte count of the body and its content length (-1 when unknown); at most about
    // twenty calls a second, plus one when the body is complete.
    std::function<void(std::int64_t bytesSoFar, std::int64_t contentLength)> onWork;
    // Told the status of the answer whose body is delivered (below 400, no redirect followed),
    // before any of its body.
    std::function<void(int status)> onResponse;
};

struct MultipartPart {
    std::string name;
    std::string content;
    std::string fileName;     // empty: a plain form field
    std::string contentType;  // empty: none sent
};

class HttpClient {
public:
    static std::unique_ptr<HttpClient> Create();
    virtual ~HttpClient() = default;

    // Redirects are followed (at most 15) unless switched off.
    virtual void SetFollowRedirects(bool follow) = 0;

    // Performs a GET and hands each piece of the body to `body`, on the calling thread. Raises
    // HttpError on every failure, including a transfer broken by Disconnect.
    virtual void Get(const HttpGetRequest& request, const HttpEvents& events,
                     const std::function<void(const char* data, std::size_t size)>& body) = 0;

    // POSTs a multipart/form-data body of the parts, in order; returns the response body.
    virtual std::string PostMultipart(const std::string& url,
                                      const std::vector<MultipartPart>& parts) = 0;

    // Callable from any thread: breaks the transfer in progress, which then raises HttpError
    // within a fraction of a second. A later request connects afresh.
    virtual void Disconnect() = 0;

    // True while a request is in progress or a kept-alive connection is open.
    virtual bool Connected() const = 0;
};

}  // namespace vu::platform
