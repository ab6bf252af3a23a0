// The HTTP client on Windows: WinINet in synchronous mode. Redirects are not followed by WinINet
// (INTERNET_FLAG_NO_AUTO_REDIRECT) but here, so that onRedirect sees each location first.
// Disconnect closes the request and connection handles from the calling thread, which ends a
// blocking WinINet call on the worker; a mutex around the handles keeps the two threads from
// closing one handle twice.

#include "platform/http_client.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdio>
#include <mutex>

#include "platform/http_progress.h"

namespace vu::platform {
namespace {

constexpr int kMaxRedirects = 15;
constexpr DWORD kReadSize = 64 * 1024;
// What WinINet holds of a body before it is read (measured under Wine): when that much is there,
// the body is arriving faster than it is read.
constexpr DWORD kFullInternalBuffer = 8 * 1024;
constexpr std::uint32_t kSocketAborted = 10053;
constexpr std::uint32_t kSocketRefused = 10061;
constexpr std::uint32_t kSocketTimedOut = 10060;
constexpr const char* kUserAgent = "Mozilla/3.0 (compatible; RaVuviraZut)";

std::string Trim(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

// The system's text for a WinINet (or Windows) error number.
std::string ErrorText(DWORD error) {
    char buffer[512] = {};
    DWORD length = 0;
    if (error >= INTERNET_ERROR_BASE && error <= INTERNET_ERROR_LAST) {
        length = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                                GetModuleHandleA("wininet.dll"), error, 0, buffer, sizeof buffer, nullptr);
    }
    if (length == 0) {
        length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer,
                                sizeof buffer, nullptr);
    }
    std::string text = length ? Trim(std::string(buffer, length)) : std::string();
    if (text.empty()) {
        switch (error) {
        case ERROR_INTERNET_TIMEOUT: text = "The operation timed out"; break;
        case ERROR_INTERNET_NAME_NOT_RESOLVED: text = "The server name could not be resolved"; break;
        case ERROR_INTERNET_CANNOT_CONNECT: text = "The attempt to connect to the server failed"; break;
        case ERROR_INTERNET_CONNECTION_ABORTED: text = "The connection with the server was terminated abnormally"; break;
        case ERROR_INTERNET_CONNECTION_RESET: text = "The connection with the server was reset"; break;
        case ERROR_INTERNET_INVALID_CA: text = "The certificate authority is invalid or incorrect"; break;
        case ERROR_INTERNET_SEC_CERT_CN_INVALID: text = "The certificate's host name does not match"; break;
        case ERROR_INTERNET_SEC_CERT_DATE_INVALID: text = "The certificate has expired or is not yet valid"; break;
        case ERROR_INTERNET_OPERATION_CANCELLED: text = "The operation was cancelled"; break;
        case ERROR_INTERNET_INVALID_URL: text = "The URL is invalid"; break;
        default: text = "WinINet error"; break;
        }
    }
    return text + " (error " + std::to_string(error) + ")";
}

class WinInetHttpClient final : public HttpClient {
public:
    WinInetHttpClient() = default;
    ~WinInetHttpClient() override {
        std::lock_guard<std::mutex> lock(mutex_);
        CloseLocked(request_);
        CloseLocked(connection_);
        CloseLocked(session_);
    }

    void SetFollowRedirects(bool follow) override { follow_ = follow; }

    void Get(const HttpGetRequest& request, const HttpEvents& events,
             const std::function<void(const char*, std::size_t)>& body) override {
        Busy busy(*this);
        std::string url = ApplyDefaultPort(request.url, request.port);
        std::string headers;
        for (const auto& [name, value] : request.headers) headers += name + ": " + value + "\r\n";
        if (request.rangeStart != 0) headers += "Range: bytes=" + std::to_string(request.rangeStart) + "-\r\n";
        for (int redirects = 0;; ++redirects) {
            const HINTERNET handle = OpenRequest(url, "GET", headers);
            RequestGuard guard(*this);
            Send(handle, url, nullptr, 0);
            const int status = QueryStatus(handle);
            if (follow_ && IsRedirectStatus(status)) {
                const std::string raw = QueryText(handle, HTTP_QUERY_LOCATION);
                if (!raw.empty()) {
                    std::string location = ResolveHttpLocation(url, raw);
                    Drain(handle);
                    if (redirects + 1 > kMaxRedirects)
                        throw HttpError(HttpFailure::Protocol, 0, 0,
                                        "Too many redirects (more than " + std::to_string(kMaxRedirects) + ")");
                    if (events.onRedirect) events.onRedirect(location);
                    url = location;
                    continue;
                }
            }
            if (status >= 400) throw HttpError(HttpFailure::Status, 0, status, StatusLine(handle, status));
            if (events.onResponse) events.onResponse(status);
            HttpProgress progress(events.onWork);
            progress.Start(ContentLength(handle));
            ReadBody(handle, url, progress.ContentLength(), [&](const char* data, std::size_t size) {
                if (body) body(data, size);
                progress.Add(size);
            });
            progress.Finish();
            return;
        }
    }

    std::string PostMultipart(const std::string& url, const std::vector<MultipartPart>& parts) override {
        Busy busy(*this);
        const MultipartBody multipart = BuildMultipartBody(parts);
        const HINTERNET handle = OpenRequest(url, "POST", "Content-Type: " + multipart.ContentType() + "\r\n");
        RequestGuard guard(*this);
        Send(handle, url, multipart.body.data(), static_cast<DWORD>(multipart.body.size()));
        const int status = QueryStatus(handle);
        if (status >= 400) throw HttpError(HttpFailure::Status, 0, status, StatusLine(handle, status));
        std::string response;
        ReadBody(handle, url, ContentLength(handle),
                 [&](const char* data, std::size_t size) { response.append(data, size); });
        return response;
    }

    void Disconnect() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (busy_) aborted_ = true;
        CloseLocked(request_);
        CloseLocked(connection_);
    }

    bool Connected() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return busy_ || connection_ != nullptr;
    }

private:
    class Busy {
    public:
        explicit Busy(WinInetHttpClient& client) : client_(client) {
            std::lock_guard<std::mutex> lock(client_.mutex_);
            client_.busy_ = true;
            client_.aborted_ = false;
        }
        ~Busy() {
            std::lock_guard<std::mutex> lock(client_.mutex_);
            client_.busy_ = false;
            client_.aborted_ = false;
        }

    private:
        WinInetHttpClient& client_;
    };

    // Closes the request handle when a request ends, however it ends.
    class RequestGuard {
    public:
        explicit RequestGuard(WinInetHttpClient& client) : client_(client) {}
        ~RequestGuard() {
            std::lock_guard<std::mutex> lock(client_.mutex_);
            CloseLocked(client_.request_);
        }

    private:
        WinInetHttpClient& client_;
    };

    static void CloseLocked(HINTERNET& handle) {
        if (handle) InternetCloseHandle(handle);
        handle = nullptr;
    }

    [[noreturn]] void ThrowAborted() {
        throw HttpError(HttpFailure::Socket, kSocketAborted, 0,
                        "Socket Error # 10053 Software caused connection abort (disconnected)");
    }

    bool Aborted() {
        std::lock_guard<std::mutex> lock(mutex_);
        return aborted_;
    }

    // Raises the HttpError for a failed WinINet call.
    [[noreturn]] void Fail(DWORD error, const std::string& url) {
        if (Aborted()) ThrowAborted();
        {
            // A failed request leaves no connection worth keeping.
            std::lock_guard<std::mutex> lock(mutex_);
            CloseLocked(request_);
            CloseLocked(connection_);
        }
        const std::string detail = ErrorText(error) + " [" + url + "]";
        // WinINet (Wine's at least) also passes on Windows Sockets codes as they are.
        switch (error) {
        case WSAECONNRESET:
        case ERROR_INTERNET_CONNECTION_RESET:
            throw HttpError(HttpFailure::ConnectionReset, kSocketConnectionReset, 0,
                            "Socket Error # 10054 Connection reset by peer. " + detail);
        case WSAHOST_NOT_FOUND:
        case ERROR_INTERNET_NAME_NOT_RESOLVED:
            throw HttpError(HttpFailure::HostNotFound, kSocketHostNotFound, 0,
                            "Socket Error # 11001 Host not found. " + detail);
        case WSAECONNREFUSED:
        case ERROR_INTERNET_CANNOT_CONNECT:
            throw HttpError(HttpFailure::Socket, kSocketRefused, 0, "Socket Error # 10061 Connection refused. " + detail);
        case WSAETIMEDOUT:
        case ERROR_INTERNET_TIMEOUT:
            throw HttpError(HttpFailure::Socket, kSocketTimedOut, 0, "Socket Error # 10060 Connection timed out. " + detail);
        case WSAECONNABORTED:
        case ERROR_INTERNET_CONNECTION_ABORTED:
        case ERROR_INTERNET_OPERATION_CANCELLED:
        case ERROR_INVALID_HANDLE:
        case ERROR_INTERNET_INVALID_OPERATION:
            throw HttpError(HttpFailure::Socket, kSocketAborted, 0,
                            "Socket Error # 10053 Software caused connection abort. " + detail);
        default:
            throw HttpError(HttpFailure::Protocol, 0, 0, detail);
        }
    }

    // Opens the request handle for the URL (connecting the connection handle to its server
    // first when it is not already) and adds the headers.
    HINTERNET OpenRequest(const std::string& url, const char* verb, const std::string& headers) {
        const HttpUrl parsed = ParseHttpUrl(url);
        const bool secure = parsed.scheme == "https";
        if (!parsed.valid || (parsed.scheme != "http" && !secure))
            throw HttpError(HttpFailure::Protocol, 0, 0, "Unsupported or malformed URL: " + url);
        const int port = parsed.port ? parsed.port : DefaultPortOf(parsed.scheme);
        std::unique_lock<std::mutex> lock(mutex_);
        if (aborted_) {
            lock.unlock();
            ThrowAborted();
        }
        if (!session_) {
            session_ = InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
            if (!session_) {
                const DWORD error = GetLastError();
                lock.unlock();
                Fail(error, url);
            }
        }
        if (connection_ && (host_ != parsed.host || port_ != port)) CloseLocked(connection_);
        if (!connection_) {
            connection_ = InternetConnectA(session_, parsed.host.c_str(), static_cast<INTERNET_PORT>(port), nullptr,
                                           nullptr, INTERNET_SERVICE_HTTP, 0, 0);
            if (!connection_) {
                const DWORD error = GetLastError();
                lock.unlock();
                Fail(error, url);
            }
            host_ = parsed.host;
            port_ = port;
        }
        DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                      INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_UI;
        if (secure) flags |= INTERNET_FLAG_SECURE;
        const char* acceptTypes[] = {"*/*", nullptr};
        CloseLocked(request_);
        request_ = HttpOpenRequestA(connection_, verb, parsed.pathAndQuery.c_str(), "HTTP/1.1", nullptr, acceptTypes,
                                    flags, 0);
        if (!request_) {
            const DWORD error = GetLastError();
            lock.unlock();
            Fail(error, url);
        }
        HINTERNET handle = request_;
        if (!headers.empty() &&
            !HttpAddRequestHeadersA(handle, headers.c_str(), static_cast<DWORD>(headers.size()),
                                    HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE)) {
            const DWORD error = GetLastError();
            CloseLocked(request_);
            lock.unlock();
            Fail(error, url);
        }
        return handle;
    }

    void Send(HINTERNET handle, const std::string& url, const char* data, DWORD size) {
        if (!HttpSendRequestA(handle, nullptr, 0, const_cast<char*>(data), size)) Fail(GetLastError(), url);
        if (Aborted()) ThrowAborted();
    }

    static std::string QueryText(HINTERNET handle, DWORD info) {
        char buffer[2048];
        DWORD size = sizeof buffer - 1;
        DWORD index = 0;
        if (!HttpQueryInfoA(handle, info, buffer, &size, &index)) {
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
            std::string big(size + 1, '\0');
            index = 0;
            if (!HttpQueryInfoA(handle, info, big.data(), &size, &index)) return {};
            big.resize(size);
            return big;
        }
        return std::string(buffer, size);
    }

    int QueryStatus(HINTERNET handle) {
        DWORD status = 0;
        DWORD size = sizeof status;
        DWORD index = 0;
        if (!HttpQueryInfoA(handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, &index)) {
            if (Aborted()) ThrowAborted();
            throw HttpError(HttpFailure::Protocol, 0, 0, "No status in the answer: " + ErrorText(GetLastError()));
        }
        return static_cast<int>(status);
    }

    static std::string StatusLine(HINTERNET handle, int status) {
        std::string version = QueryText(handle, HTTP_QUERY_VERSION);
        if (version.empty()) version = "HTTP/1.1";
        std::string line = version + " " + std::to_string(status);
        const std::string text = QueryText(handle, HTTP_QUERY_STATUS_TEXT);
        if (!text.empty()) line += " " + text;
        return line;
    }

    static std::int64_t ContentLength(HINTERNET handle) {
        const std::string text = QueryText(handle, HTTP_QUERY_CONTENT_LENGTH);
        if (text.empty()) return -1;
        std::int64_t length = 0;
        for (char c : text) {
            if (c < '0' || c > '9') return -1;
            length = length * 10 + (c - '0');
        }
        return length;
    }

    template <typename Sink>
    void ReadBody(HINTERNET handle, const std::string& url, std::int64_t contentLength, Sink sink) {
        std::string buffer(kReadSize, '\0');
        // Wine's WinINet hands on bytes beyond the Content-Length with IRF_NO_WAIT (seen with a
        // server sending more than it announced): the body is cut at the announced length here.
        std::int64_t remaining = contentLength;
        for (;;) {
            if (remaining == 0) return;
            // A synchronous InternetReadFile waits until the whole buffer is full. So: wait until
            // some of the body has arrived (InternetQueryDataAvailable: 0 at the end); while it
            // trickles in, take without waiting what has arrived, so a slow body is handed on as
            // it comes; while it streams in, read whole buffers. Disconnect ends either wait.
            DWORD available = 0;
            if (!InternetQueryDataAvailable(handle, &available, 0, 0)) Fail(GetLastError(), url);
            if (Aborted()) ThrowAborted();
            if (available == 0) {
                // The end of the body; short of its announced length when the server closed early.
                if (remaining > 0) {
                    throw HttpError(HttpFailure::Socket, kSocketAborted, 0,
                                    "Socket Error # 10053 Connection closed before the whole body "
                                    "arrived [" + url + "]");
                }
                return;
            }
            const DWORD wanted = remaining > 0 && remaining < static_cast<std::int64_t>(kReadSize)
                                     ? static_cast<DWORD>(remaining)
                                     : kReadSize;
            DWORD read = 0;
            if (available >= kFullInternalBuffer) {
                // A full internal buffer means the body streams in fast: one blocking read of
                // the whole buffer costs far less than many small ones and returns soon.
                if (!InternetReadFile(handle, buffer.data(), wanted, &read)) Fail(GetLastError(), url);
            } else {
                INTERNET_BUFFERSA pieces = {};
                pieces.dwStructSize = sizeof pieces;
                pieces.lpvBuffer = buffer.data();
                pieces.dwBufferLength = wanted;
                if (!InternetReadFileExA(handle, &pieces, IRF_NO_WAIT, 0)) Fail(GetLastError(), url);
                read = pieces.dwBufferLength;
            }
            if (Aborted()) ThrowAborted();
            if (read == 0) continue;
            if (remaining > 0) remaining -= read;
            sink(buffer.data(), read);
        }
    }

    // Reads and drops a redirect's body so that the connection can be used again.
    void Drain(HINTERNET handle) {
        const std::int64_t length = ContentLength(handle);
        if (length < 0 || length > 65536) return;
        char buffer[4096];
        DWORD read = 0;
        while (InternetReadFile(handle, buffer, sizeof buffer, &read) && read != 0) {
        }
        if (Aborted()) ThrowAborted();
    }

    mutable std::mutex mutex_;
    HINTERNET session_ = nullptr;
    HINTERNET connection_ = nullptr;
    HINTERNET request_ = nullptr;
    std::string host_;
    int port_ = 0;
    bool busy_ = false;
    bool aborted_ = false;
    std::atomic<bool> follow_{true};
};

}  // namespace

std::unique_ptr<HttpClient> HttpClient::Create() { return std::make_unique<WinInetHttpClient>(); }

}  // namespace vu::platform
