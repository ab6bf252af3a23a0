#pragma once
// The job's stages called one by one on the test's thread: a job object that is never started,
// a scripted HTTP client, a working folder of the test's own and a dispatcher window owned by
// the test's thread, so every notification reaches the recording callback at once.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "helpers/fake_http_client.h"
#include "helpers/temp_folder.h"
#include "host/dll_main_form.h"
#include "job/download_thread.h"

namespace vu::test {

struct Notice {
    std::int32_t kind, code, value;
    std::string text;  // "(null)" for no text
    bool operator==(const Notice&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Notice& notice);

// A planned failure of a stage: the code and message of its ErrorUpdate.
struct Raised {
    std::int32_t code;
    std::string message;
    bool operator==(const Raised&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Raised& raised);
// The ErrorUpdate the call raises; none when it returns.
std::optional<Raised> ErrorUpdateOf(const std::function<void()>& call);

// Notices of the given kinds only, in order.
std::vector<Notice> OfKinds(const std::vector<Notice>& notices,
                            const std::vector<std::int32_t>& kinds);

class StageJob : public TDownloadThread {
public:
    using TDownloadThread::TDownloadThread;

    using TDownloadThread::AnalyseFiles;
    using TDownloadThread::CheckServerVersion;
    using TDownloadThread::DownloadFiles;
    using TDownloadThread::FetchPackageList;
    using TDownloadThread::OnDownloadProgress;
    using TDownloadThread::PrepareJob;

    using TDownloadThread::CurrentIndex;
    using TDownloadThread::CurrentFileName;
    using TDownloadThread::DownloadStartTick;
    using TDownloadThread::FallbackDownloadUrl;
    using TDownloadThread::FDownloadUrl;
    using TDownloadThread::NeedList;
    using TDownloadThread::PackageList;
    using TDownloadThread::Port;
    using TDownloadThread::RetryPort;

    // The names in NeedList order.
    std::vector<std::string> NeededNames() const;
};

// A clock the test drives: sleeping moves it on.
struct DrivenClock {
    std::uint32_t now = 100000;
    std::vector<std::uint32_t> sleeps;
    JobClock Clock();
};

class StageTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A job for a request with this list URL and flags, prepared (records opened, download base
    // set); the previous job of the test goes first.
    StageJob& NewJob(const std::string& listUrl = "http://files.test/upd/plist.txt",
                     std::uint32_t flags = VU_FLAG_DOWNLOAD_ONLY, const std::string& version = "");
    // The package list the analysis reads.
    void SetPackageList(const std::string& text);

    std::string Work(const std::string& name) const;   // WorkDir + name
    std::string Cache(const std::string& name) const;  // CacheDir + name
    std::string JobLogText() const;                    // the job log lines, joined by "\n"
    std::string ErrorLogText() const;

    TempFolder folder_;
    std::shared_ptr<HttpScript> script_ = HttpScript::Make();
    std::unique_ptr<TDllMainForm> window_;
    std::unique_ptr<StageJob> job_;
    DrivenClock clock_;
    static std::vector<Notice> notices_;
    // Runs on each notification, after it is recorded.
    static std::function<void(const Notice&)> onNotice_;

private:
    static std::int32_t VU_CALL Record(std::int32_t kind, std::int32_t code, std::int32_t value,
                                       const char* text, std::int32_t context);
};

// The MD5 of bytes as upper-case hex.
std::string DigestOf(const std::string& bytes);

}  // namespace vu::test
