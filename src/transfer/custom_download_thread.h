#pragma once
// The base of every worker: HTTP transfers with the retry policy, the in-memory job and error
// logs, the current error code, and the saving and reporting of the logs at the worker's end.

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/http_client.h"
#include "platform/stream.h"
#include "support/thread_base.h"

namespace vu {

using HttpClientFactory = std::function<std::unique_ptr<platform::HttpClient>()>;

class TCustomDownloadThread : public TThread {
public:
    using RedirectEvent = std::function<void(std::string& location)>;
    using WorkEvent = std::function<void(std::int64_t bytesSoFar, std::int64_t contentLength)>;

    // Created suspended. An empty factory means the platform's HTTP client; tests pass their own.
    explicit TCustomDownloadThread(HttpClientFactory clientFactory = {});
    ~TCustomDownloadThread() override;

    // Transfers (worker thread only).
    void SetTransferEvents(RedirectEvent redirectHandler, WorkEvent workHandler);
    void SetErrorCode(std::int32_t code) { ErrorCode = code; }
    void HttpGetText(const std::string& url, const std::string& retryUrl, const std::string& label,
                     bool& success, std::string& body);
    // Writes the body into the stream from startPosition, asking for the range from there when
    // it is not 0; a server that answers with the whole resource instead has it written from 0.
    // With sizeLimit 0 or more, a body that would take the stream past that size fails the
    // attempt.
    bool HttpGetStream(const std::string& url, const std::string& retryUrl,
                       const std::string& label, platform::Stream& stream,
                       std::int64_t startPosition, std::int64_t sizeLimit = -1);
    // Where the body of the current stream attempt is written from: its start position, or 0
    // once the server has answered a range request with the whole resource.
    std::int64_t TransferRangeStart() const { return transferRangeStart_; }

    // In-memory logs.
    void AddJobLogLine(const std::string& text);
    void AddErrorLogLine(const std::string& text, std::uint8_t kind);
    void AddErrorLine(const std::string& text, std::int32_t code);
    void AddCurrentErrorLine(const std::string& text);
    const std::vector<std::string>& JobLog() const { return jobLog_; }
    const std::vector<std::string>& ErrorLog() const { return errorLog_; }

    // Log files and the error report, at the worker's start and end.
    void WriteErrorLogHeader(const std::string& productName, const std::string& productVersion);
    void SaveJobLog(const std::string& path);
    void SaveErrorLog(const std::string& path);
    static void DeleteLogFile(const std::string& path);
    static void RollLogFile(const std::string& path);
    void UploadErrorLog(const std::string& path, const std::string& productName,
                        const std::string& reportUrl, const std::string& version,
                        const std::string& series);

    // From any thread: AbortFlag := -1, then a connected client is disconnected so that a
    // transfer in progress fails at once.
    void AbortTransfers() noexcept;

    std::int32_t CurrentErrorCode() const { return ErrorCode; }
    bool Aborted() const noexcept { return AbortFlag.load() != 0; }

protected:
    void CreateHttpClient();  // replaces Http with a new client, redirect following on
    void FreeHttpClient() noexcept;
    void RecreateHttpClient(bool followRedirects);

    RedirectEvent RedirectHandler;
    WorkEvent WorkHandler;
    std::atomic<std::int32_t> AbortFlag{0};
    std::string MacAddress;
    std::int32_t ErrorCode = 0;
    std::int32_t RetryCount = 3;
    std::int32_t Port = 80;
    std::int32_t RetryPort = 80;

private:
    // One attempt of a transfer: performs the GET on the client; raises on failure.
    using Attempt = std::function<void(platform::HttpClient& client,
                                       const platform::HttpGetRequest& request,
                                       const platform::HttpEvents& events)>;
    static constexpr std::uint8_t kErrorLogTimedLine = 0;
    static constexpr std::uint8_t kErrorLogHeaderLine = 1;

    std::unique_ptr<platform::HttpClient> NewHttpClient() const;
    // The retry loop both transfers share; true when an attempt completed and no stop came.
    bool RunAttempts(const std::string& url, const std::string& retryUrl,
                     const std::string& label, const char* messageSeparator,
                     std::int64_t rangeStart, const Attempt& attempt);
    // After a failed attempt: a fresh client after a reset or a failed name look-up, a
    // disconnect after other socket failures, nothing after an error status.
    void RecoverClient(const std::exception& failure);

    HttpClientFactory clientFactory_;
    std::vector<std::string> jobLog_;
    std::vector<std::string> errorLog_;
    std::int64_t transferRangeStart_ = 0;
    // Guards the Http pointer between the worker (which replaces it) and AbortTransfers.
    mutable std::mutex httpLock_;
    std::unique_ptr<platform::HttpClient> Http;
};

}  // namespace vu
