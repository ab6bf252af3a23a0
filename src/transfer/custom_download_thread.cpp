#include "transfer/custom_download_thread.h"

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <utility>

#include "platform/date_time.h"
#include "platform/thread.h"
#include "support/diagnostic_log.h"
#include "support/mac_address.h"

namespace vu {
namespace {

constexpr std::uint32_t kPauseAfterFailedAttemptMs = 50;
constexpr int kPartialContent = 206;

std::vector<std::pair<std::string, std::string>> RequestHeaders() {
    return {{"Cache-control", "no-cache"}, {"Pragma", "no-cache"}, {"Connection", "keep-alive"}};
}

std::string TimeStamped(const std::string& text) {
    return "[" + platform::LocalDateTimeText() + "]\t" + text;
}

}  // namespace

TCustomDownloadThread::TCustomDownloadThread(HttpClientFactory clientFactory)
    : clientFactory_(std::move(clientFactory)) {
    MacAddress = GetMacAddress();
    CreateHttpClient();
}

TCustomDownloadThread::~TCustomDownloadThread() {
    // Derived classes wait in their own destructors; this covers one that does not, before the
    // client and the logs go.
    WaitFor();
    FreeHttpClient();
}

std::unique_ptr<platform::HttpClient> TCustomDownloadThread::NewHttpClient() const {
    auto client = clientFactory_ ? clientFactory_() : platform::HttpClient::Create();
    client->SetFollowRedirects(true);
    return client;
}

void TCustomDownloadThread::CreateHttpClient() {
    auto client = NewHttpClient();
    std::unique_ptr<platform::HttpClient> previous;
    {
        const std::lock_guard guard(httpLock_);
        previous = std::exchange(Http, std::move(client));
    }
    // Freed outside the lock: AbortTransfers can no longer reach it.
    previous.reset();
}

void TCustomDownloadThread::FreeHttpClient() noexcept {
    std::unique_ptr<platform::HttpClient> client;
    {
        const std::lock_guard guard(httpLock_);
        client = std::move(Http);
    }
    try {
        client.reset();
    } catch (...) {
        // Freeing a client never fails the worker.
    }
}

void TCustomDownloadThread::RecreateHttpClient(bool followRedirects) {
    {
        const std::lock_guard guard(httpLock_);
        if (Http) Http->Disconnect();
    }
    FreeHttpClient();
    CreateHttpClient();
    // Only this thread replaces Http, so it can be used here without the lock.
    Http->SetFollowRedirects(followRedirects);
}

void TCustomDownloadThread::SetTransferEvents(RedirectEvent redirectHandler,
                                              WorkEvent workHandler) {
    RedirectHandler = std::move(redirectHandler);
    WorkHandler = std::move(workHandler);
}

void TCustomDownloadThread::AbortTransfers() noexcept {
    AbortFlag.exchange(-1);
    try {
        const std::lock_guard guard(httpLock_);
        if (Http && Http->Connected()) Http->Disconnect();
    } catch (...) {
        // The flag alone still stops the next attempt.
    }
}

void TCustomDownloadThread::HttpGetText(const std::string& url, const std::string& retryUrl,
                                        const std::string& label, bool& success,
                                        std::string& body) {
    body.clear();
    success = false;
    const Attempt getText = [&body](platform::HttpClient& client,
                                    const platform::HttpGetRequest& request,
                                    const platform::HttpEvents& events) {
        std::string received;
        client.Get(request, events, [&received](const char* data, std::size_t size) {
            received.append(data, size);
        });
        body = std::move(received);
    };
    success = RunAttempts(url, retryUrl, label, "\t", 0, getText);
}

bool TCustomDownloadThread::HttpGetStream(const std::string& url, const std::string& retryUrl,
                                          const std::string& label, platform::Stream& stream,
                                          std::int64_t startPosition, std::int64_t sizeLimit) {
    const Attempt getIntoStream = [this, &stream, startPosition, sizeLimit](
                                      platform::HttpClient& client,
                                      const platform::HttpGetRequest& request,
                                      const platform::HttpEvents& events) {
        // Every attempt writes again from the start position; the stream is never truncated.
        std::int64_t position = startPosition;
        transferRangeStart_ = position;
        stream.Seek(position);
        platform::HttpEvents streamEvents = events;
        streamEvents.onResponse = [&](int status) {
            // Appending a whole resource at the range start would splice two copies together.
            if (position != 0 && status != kPartialContent) {
                position = 0;
                transferRangeStart_ = 0;
                stream.Seek(0);
            }
        };
        client.Get(request, streamEvents, [&](const char* data, std::size_t size) {
            if (sizeLimit >= 0 && static_cast<std::int64_t>(size) > sizeLimit - position) {
                throw std::runtime_error("The answer is longer than the expected " +
                                         std::to_string(sizeLimit) + " bytes");
            }
            stream.Write(data, size);
            position += static_cast<std::int64_t>(size);
        });
    };
    return RunAttempts(url, retryUrl, label, "", startPosition, getIntoStream);
}

bool TCustomDownloadThread::RunAttempts(const std::string& url, const std::string& retryUrl,
                                        const std::string& label, const char* messageSeparator,
                                        std::int64_t rangeStart, const Attempt& attempt) {
    std::string currentUrl = url;
    int currentPort = Port;
    for (std::int32_t attemptNumber = 0; attemptNumber < RetryCount; ++attemptNumber) {
        if (AbortFlag.load() != 0) break;
        try {
            // A client lost to a failed re-creation is made again here, as part of the attempt.
            if (!Http) CreateHttpClient();
            platform::HttpGetRequest request;
            request.url = currentUrl;
            request.port = currentPort;
            request.headers = RequestHeaders();
            request.rangeStart = rangeStart;
            platform::HttpEvents events;
            events.onRedirect = RedirectHandler;
            events.onWork = WorkHandler;
            attempt(*Http, request, events);
            return AbortFlag.load() == 0;
        } catch (const std::exception& failure) {
            const std::string line =
                label + "(" + currentUrl + ")" + messageSeparator + failure.what();
            AddJobLogLine(line);
            // A failure to write the diagnostic log leaves the transfer.
            WriteDiagnosticLog(line, true);
            AddCurrentErrorLine(line);
            RecoverClient(failure);
        }
        platform::SleepMilliseconds(kPauseAfterFailedAttemptMs);
        currentUrl = retryUrl;
        currentPort = RetryPort;
    }
    return false;
}

void TCustomDownloadThread::RecoverClient(const std::exception& failure) {
    const auto* httpError = dynamic_cast<const platform::HttpError*>(&failure);
    if (httpError == nullptr) return;
    switch (httpError->Failure()) {
        case platform::HttpFailure::ConnectionReset:
        case platform::HttpFailure::HostNotFound:
            RecreateHttpClient(true);
            break;
        case platform::HttpFailure::Socket:
            if (httpError->SocketCode() == platform::kSocketConnectionReset ||
                httpError->SocketCode() == platform::kSocketHostNotFound) {
                RecreateHttpClient(true);
            } else if (Http) {
                Http->Disconnect();
            }
            break;
        case platform::HttpFailure::Status:
        case platform::HttpFailure::Protocol:
            break;  // the connection itself is sound
    }
}

void TCustomDownloadThread::AddJobLogLine(const std::string& text) {
    jobLog_.push_back(TimeStamped(text));
}

void TCustomDownloadThread::AddErrorLogLine(const std::string& text, std::uint8_t kind) {
    if (kind == kErrorLogHeaderLine) {
        errorLog_.push_back("#\t" + text);
    } else if (kind == kErrorLogTimedLine) {
        errorLog_.push_back(TimeStamped(text));
    }
}

void TCustomDownloadThread::AddErrorLine(const std::string& text, std::int32_t code) {
    // The code right-aligned in four characters, padded with spaces.
    char field[16];
    std::snprintf(field, sizeof field, "%4d", static_cast<int>(code));
    AddErrorLogLine(std::string(field) + "\t" + text, kErrorLogTimedLine);
}

void TCustomDownloadThread::AddCurrentErrorLine(const std::string& text) {
    AddErrorLine(text, ErrorCode);
}

}  // namespace vu
