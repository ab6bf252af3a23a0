#pragma once
// What the transfer tests share: a worker that is never started, with its protected settings
// reachable; a stream over a byte string; the diagnostic log beside the test program; and the
// time-stamp split of log lines.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "helpers/fake_http_client.h"
#include "helpers/temp_folder.h"
#include "platform/file_system.h"
#include "platform/stream.h"
#include "support/diagnostic_log.h"
#include "transfer/custom_download_thread.h"

namespace vu::test {

class TestWorker : public TCustomDownloadThread {
public:
    using TCustomDownloadThread::TCustomDownloadThread;
    ~TestWorker() override { WaitFor(); }

    using TCustomDownloadThread::MacAddress;
    using TCustomDownloadThread::Port;
    using TCustomDownloadThread::RecreateHttpClient;
    using TCustomDownloadThread::RetryPort;

protected:
    void Execute() override {}
};

class StringStream final : public platform::Stream {
public:
    explicit StringStream(std::string bytes = {}) : bytes_(std::move(bytes)) {}
    std::int64_t Size() override { return static_cast<std::int64_t>(bytes_.size()); }
    std::int64_t Position() override { return position_; }
    void Seek(std::int64_t position) override { position_ = static_cast<std::size_t>(position); }
    std::size_t Read(void* buffer, std::size_t count) override {
        const std::size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
        const std::size_t n = std::min(count, available);
        bytes_.copy(static_cast<char*>(buffer), n, position_);
        position_ += n;
        return n;
    }
    void Write(const void* buffer, std::size_t count) override {
        if (bytes_.size() < position_ + count) bytes_.resize(position_ + count, '\0');
        bytes_.replace(position_, count, static_cast<const char*>(buffer), count);
        position_ += count;
    }
    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
    std::size_t position_ = 0;
};

// The diagnostic log the workers write, beside the test program; removed before and after.
inline std::string DiagnosticLogPath() { return HostExecutableFolder() + kDiagnosticLogName; }

inline void RemoveDiagnosticLog() {
    platform::RemoveFile(DiagnosticLogPath());
    platform::RemoveFolder(DiagnosticLogPath());
}

// A log line "[<date-time>]\t<text>" split into its date-time and its text; the date-time is
// empty when the line has no such time stamp.
struct StampedLine {
    std::string dateTime;
    std::string text;
};

inline StampedLine SplitStamp(const std::string& line) {
    const std::size_t close = line.find("]\t");
    if (line.empty() || line.front() != '[' || close == std::string::npos) return {{}, line};
    return {line.substr(1, close - 1), line.substr(close + 2)};
}

inline std::vector<std::string> TextsOf(const std::vector<std::string>& lines) {
    std::vector<std::string> texts;
    for (const auto& line : lines) texts.push_back(SplitStamp(line).text);
    return texts;
}

}  // namespace vu::test
