// The HTTP client on Linux: libcurl, driven through a multi handle so that Disconnect from
// another thread wakes the transfer at once (curl_multi_wakeup) instead of waiting for the next
// progress callback. One easy handle and one multi handle (holding the connection cache) per
// client; redirects are followed here, not by curl, so that onRedirect sees each location first.

#include "platform/http_client.h"

#include <curl/curl.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <mutex>

#include "platform/http_progress.h"

namespace vu::platform {
namespace {

constexpr int kMaxRedirects = 15;
constexpr std::uint32_t kSocketAborted = 10053;
constexpr std::uint32_t kSocketRefused = 10061;
constexpr std::uint32_t kSocketTimedOut = 10060;
constexpr std::uint32_t kSocketNetUnreachable = 10051;
constexpr std::uint32_t kSocketHostUnreachable = 10065;
constexpr const char* kUserAgent = "Mozilla/3.0 (compatible; RaVuviraZut)";

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string Trim(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) ++start;
    return text.substr(start);
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    return strncasecmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

// What one request/response exchange collects from curl's callbacks.
struct Exchange {
    bool follow = true;
    std::string statusLine;
    int status = 0;
    std::int64_t contentLength = -1;
    std::string location;
    bool headersDone = false;
    bool deliver = false;  // the body goes to the caller (not a redirect or error body)
    const std::function<void(const char*, std::size_t)>* body = nullptr;
    HttpProgress* progress = nullptr;
    const std::function<void(int)>* onResponse = nullptr;
    std::exception_ptr failure;  // raised by the caller's body function
    const std::atomic<bool>* abort = nullptr;
};

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* context) {
    auto& exchange = *static_cast<Exchange*>(context);
    const std::size_t length = size * count;
    const std::string line(data, length);
    if (line.compare(0, 5, "HTTP/") == 0) {
        exchange.statusLine = Trim(line);
        exchange.status = 0;
        const auto space = exchange.statusLine.find(' ');
        if (space != std::string::npos) exchange.status = std::atoi(exchange.statusLine.c_str() + space + 1);
        exchange.contentLength = -1;
        exchange.location.clear();
        exchange.headersDone = false;
        exchange.deliver = false;
    } else if (line == "\r\n" || line == "\n") {
        if (exchange.status >= 100 && exchange.status < 200) return length;  // interim answer
        exchange.headersDone = true;
        const bool redirect = exchange.follow && IsRedirectStatus(exchange.status) && !exchange.location.empty();
        exchange.deliver = exchange.status < 400 && !redirect;
        if (exchange.deliver) {
            try {
                if (exchange.onResponse && *exchange.onResponse) (*exchange.onResponse)(exchange.status);
            } catch (...) {
                exchange.failure = std::current_exception();
                return 0;  // ends the transfer; the failure is raised once curl returns
            }
            if (exchange.progress) exchange.progress->Start(exchange.contentLength);
        }
    } else if (StartsWithNoCase(line, "Content-Length:")) {
        exchange.contentLength = std::atoll(Trim(line.substr(15)).c_str());
    } else if (StartsWithNoCase(line, "Location:")) {
        exchange.location = Trim(line.substr(9));
    }
    return length;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* context) {
    auto& exchange = *static_cast<Exchange*>(context);
    const std::size_t length = size * count;
    if (exchange.abort && exchange.abort->load()) return 0;
    if (!exchange.deliver) return length;
    try {
        if (exchange.body && *exchange.body) (*exchange.body)(data, length);
        if (exchange.progress) exchange.progress->Add(length);
    } catch (...) {
        exchange.failure = std::current_exception();
        return 0;
    }
    return length;
}

int OnTransferInfo(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto& exchange = *static_cast<Exchange*>(context);
    return exchange.abort && exchange.abort->load() ? 1 : 0;
}

class CurlHttpClient final : public HttpClient {
public:
    CurlHttpClient() { GlobalInit(); }
    ~CurlHttpClient() override { DropHandles(); }

    void SetFollowRedirects(bool follow) override { follow_ = follow; }

    void Get(const HttpGetRequest& request, const HttpEvents& events,
             const std::function<void(const char*, std::size_t)>& body) override {
        Busy busy(*this);
        std::string url = ApplyDefaultPort(request.url, request.port);
        for (int redirects = 0;; ++redirects) {
            HttpProgress progress(events.onWork);
            Exchange exchange;
            exchange.follow = follow_;
            exchange.body = &body;
            exchange.progress = &progress;
            exchange.onResponse = &events.onResponse;
            curl_slist* headers = nullptr;
            for (const auto& [name, value] : request.headers) {
                // "Name;" sends a header with an empty value ("Name:" would remove it).
                const std::string line = value.empty() ? name + ";" : name + ": " + value;
                headers = curl_slist_append(headers, line.c_str());
            }
            const std::string range = std::to_string(request.rangeStart) + "-";
            Perform(url, exchange, [&](CURL* easy) {
                curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
                curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
                if (request.rangeStart != 0) curl_easy_setopt(easy, CURLOPT_RANGE, range.c_str());
            }, [&] { curl_slist_free_all(headers); });
            if (exchange.headersDone && exchange.follow && IsRedirectStatus(exchange.status) &&
                !exchange.location.empty()) {
                std::string location = ResolveHttpLocation(url, exchange.location);
                if (redirects + 1 > kMaxRedirects)
                    throw HttpError(HttpFailure::Protocol, 0, 0,
                                    "Too many redirects (more than " + std::to_string(kMaxRedirects) + ")");
                if (events.onRedirect) events.onRedirect(location);
                url = location;
                continue;
            }
            progress.Finish();
            return;
        }
    }

    std::string PostMultipart(const std::string& url, const std::vector<MultipartPart>& parts) override {
        Busy busy(*this);
        // The body is built by the portable code rather than curl_mime, so that both builds send
        // exactly the same parts (curl_mime adds a content type of its own to file parts).
        const MultipartBody multipart = BuildMultipartBody(parts);
        std::string response;
        const std::function<void(const char*, std::size_t)> collect = [&](const char* data, std::size_t size) {
            response.append(data, size);
        };
        Exchange exchange;
        exchange.follow = false;
        exchange.body = &collect;
        curl_slist* headers = curl_slist_append(nullptr, ("Content-Type: " + multipart.ContentType()).c_str());
        headers = curl_slist_append(headers, "Expect:");
        Perform(url, exchange, [&](CURL* easy) {
            curl_easy_setopt(easy, CURLOPT_POST, 1L);
            curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS, multipart.body.data());
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(multipart.body.size()));
        }, [&] { curl_slist_free_all(headers); });
        return response;
    }

    void Disconnect() override {
        std::lock_guard<std::mutex> lock(mutex_);
        drop_ = true;
        kept_ = false;
        if (busy_) {
            abort_ = true;
            if (multi_) curl_multi_wakeup(multi_);
        }
    }

    bool Connected() const override { return busy_ || kept_; }

private:
    // Marks the client busy for one request; sets up the handles under the mutex.
    class Busy {
    public:
        explicit Busy(CurlHttpClient& client) : client_(client) {
            std::lock_guard<std::mutex> lock(client_.mutex_);
            if (client_.drop_) {
                client_.DropHandles();
                client_.drop_ = false;
            }
            if (!client_.multi_) client_.multi_ = curl_multi_init();
            if (!client_.easy_) client_.easy_ = curl_easy_init();
            if (!client_.multi_ || !client_.easy_)
                throw HttpError(HttpFailure::Protocol, 0, 0, "Cannot create a libcurl handle");
            client_.abort_ = false;
            client_.busy_ = true;
        }
        ~Busy() {
            std::lock_guard<std::mutex> lock(client_.mutex_);
            client_.busy_ = false;
            client_.abort_ = false;
        }

    private:
        CurlHttpClient& client_;
    };

    void DropHandles() {
        if (multi_) curl_multi_cleanup(multi_);
        if (easy_) curl_easy_cleanup(easy_);
        multi_ = nullptr;
        easy_ = nullptr;
        kept_ = false;
    }

    template <typename Setup, typename Cleanup>
    void Perform(const std::string& url, Exchange& exchange, Setup setup, Cleanup cleanup) {
        struct Guard {
            Cleanup& cleanup;
            ~Guard() { cleanup(); }
        } guard{cleanup};
        CURL* easy = easy_;
        char errorText[CURL_ERROR_SIZE] = {};
        exchange.abort = &abort_;
        curl_easy_reset(easy);
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_USERAGENT, kUserAgent);
        curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 65536L);
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, &exchange);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &exchange);
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, OnTransferInfo);
        curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &exchange);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
        setup(easy);

        curl_multi_add_handle(multi_, easy);
        CURLcode result = CURLE_OK;
        bool done = false;
        bool aborted = false;
        while (!done) {
            int running = 0;
            const CURLMcode code = curl_multi_perform(multi_, &running);
            if (code != CURLM_OK) {
                curl_multi_remove_handle(multi_, easy);
                throw HttpError(HttpFailure::Protocol, 0, 0, std::string("libcurl: ") + curl_multi_strerror(code));
            }
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
                if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                    result = message->data.result;
                    done = true;
                }
            }
            if (done) break;
            if (abort_) {
                aborted = true;
                break;
            }
            curl_multi_poll(multi_, nullptr, 0, 100, nullptr);
            if (abort_) {
                aborted = true;
                break;
            }
        }
        long osErrno = 0;
        curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osErrno);
        curl_multi_remove_handle(multi_, easy);

        if (exchange.failure) {
            kept_ = false;
            std::rethrow_exception(exchange.failure);
        }
        if (aborted || (result != CURLE_OK && abort_)) {
            kept_ = false;
            throw HttpError(HttpFailure::Socket, kSocketAborted, 0,
                            "Socket Error # 10053 Software caused connection abort (disconnected)");
        }
        if (result != CURLE_OK) {
            kept_ = false;
            ThrowCurlError(result, static_cast<int>(osErrno), errorText, url);
        }
        if (exchange.status >= 400)
            throw HttpError(HttpFailure::Status, 0, exchange.status, exchange.statusLine);
        kept_ = true;
    }

    [[noreturn]] static void ThrowCurlError(CURLcode result, int osErrno, const char* errorText,
                                            const std::string& url) {
        std::string detail = errorText && *errorText ? errorText : curl_easy_strerror(result);
        detail += " (curl " + std::to_string(static_cast<int>(result)) + ")";
        switch (result) {
        case CURLE_COULDNT_RESOLVE_HOST:
            throw HttpError(HttpFailure::HostNotFound, kSocketHostNotFound, 0,
                            "Socket Error # 11001 Host not found: " + ParseHttpUrl(url).host + " - " + detail);
        case CURLE_COULDNT_CONNECT: {
            std::uint32_t code = kSocketRefused;
            std::string text = "Connection refused";
            if (osErrno == ETIMEDOUT) code = kSocketTimedOut, text = "Connection timed out";
            else if (osErrno == ENETUNREACH) code = kSocketNetUnreachable, text = "Network is unreachable";
            else if (osErrno == EHOSTUNREACH) code = kSocketHostUnreachable, text = "No route to host";
            throw HttpError(HttpFailure::Socket, code, 0,
                            "Socket Error # " + std::to_string(code) + " " + text + " - " + detail);
        }
        case CURLE_OPERATION_TIMEDOUT:
            throw HttpError(HttpFailure::Socket, kSocketTimedOut, 0, "Socket Error # 10060 Connection timed out - " + detail);
        case CURLE_PARTIAL_FILE:
            throw HttpError(HttpFailure::Socket, kSocketAborted, 0,
                            "Socket Error # 10053 Connection closed before the whole body arrived - " + detail);
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
            if (osErrno == ECONNRESET || osErrno == EPIPE)
                throw HttpError(HttpFailure::ConnectionReset, kSocketConnectionReset, 0,
                                "Socket Error # 10054 Connection reset by peer - " + detail);
            throw HttpError(HttpFailure::Socket, kSocketAborted, 0,
                            "Socket Error # 10053 Software caused connection abort - " + detail);
        default:
            throw HttpError(HttpFailure::Protocol, 0, 0, detail);
        }
    }

    std::mutex mutex_;
    CURLM* multi_ = nullptr;
    CURL* easy_ = nullptr;
    bool drop_ = false;
    std::atomic<bool> follow_{true};
    std::atomic<bool> abort_{false};
    std::atomic<bool> busy_{false};
    std::atomic<bool> kept_{false};
};

}  // namespace

std::unique_ptr<HttpClient> HttpClient::Create() { return std::make_unique<CurlHttpClient>(); }

}  // namespace vu::platform
