#include "job/stage_harness.h"

#include <cstdio>
#include <cstring>
#include <ostream>

#include "host/work_paths.h"
#include "job/error_update.h"
#include "support/md5.h"
#include "transfer/log_text.h"

namespace vu::test {

std::vector<Notice> StageTest::notices_;
std::function<void(const Notice&)> StageTest::onNotice_;

std::ostream& operator<<(std::ostream& out, const Notice& notice) {
    char kind[16];
    std::snprintf(kind, sizeof kind, "%08X", static_cast<unsigned>(notice.kind));
    return out << "{" << kind << ", " << notice.code << ", " << notice.value << ", \""
               << notice.text << "\"}";
}

std::ostream& operator<<(std::ostream& out, const Raised& raised) {
    char code[16];
    std::snprintf(code, sizeof code, "%08X", static_cast<unsigned>(raised.code));
    return out << "{" << code << ", \"" << raised.message << "\"}";
}

std::optional<Raised> ErrorUpdateOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const ErrorUpdate& error) {
        return Raised{error.Code, error.what()};
    }
    return std::nullopt;
}

std::vector<Notice> OfKinds(const std::vector<Notice>& notices,
                            const std::vector<std::int32_t>& kinds) {
    std::vector<Notice> result;
    for (const auto& notice : notices) {
        for (const auto kind : kinds) {
            if (notice.kind == kind) result.push_back(notice);
        }
    }
    return result;
}

std::vector<std::string> StageJob::NeededNames() const {
    std::vector<std::string> names;
    for (const auto& entry : NeedList) names.push_back(entry->LocalName);
    return names;
}

JobClock DrivenClock::Clock() {
    JobClock clock;
    clock.tickCount = [this] { return now; };
    clock.sleep = [this](std::uint32_t milliseconds) {
        sleeps.push_back(milliseconds);
        now += milliseconds;
    };
    return clock;
}

std::int32_t VU_CALL StageTest::Record(std::int32_t kind, std::int32_t code, std::int32_t value,
                                       const char* text, std::int32_t) {
    notices_.push_back({kind, code, value, text ? text : "(null)"});
    if (onNotice_) onNotice_(notices_.back());
    return 0;
}

void StageTest::SetUp() {
    notices_.clear();
    onNotice_ = nullptr;
    InitializeWorkPaths(folder_ / "RaVuviraZut.dll", folder_ / "host.exe");
    window_ = std::make_unique<TDllMainForm>();
    DispatcherWindow.store(window_.get());
}

void StageTest::TearDown() {
    onNotice_ = nullptr;
    job_.reset();
    DispatcherWindow.store(nullptr);
    window_.reset();
}

StageJob& StageTest::NewJob(const std::string& listUrl, std::uint32_t flags,
                            const std::string& version) {
    job_.reset();
    UpdateRequest request{};
    std::memcpy(request.ListUrl, listUrl.data(), std::min(listUrl.size(), sizeof request.ListUrl));
    std::memcpy(request.Version, version.data(), std::min(version.size(), sizeof request.Version));
    request.Flags = static_cast<std::int32_t>(flags);
    request.Callback = &Record;
    job_ = std::make_unique<StageJob>(script_->Factory());
    job_->HandOverRequest(request);
    job_->SetClock(clock_.Clock());
    job_->PrepareJob();
    return *job_;
}

void StageTest::SetPackageList(const std::string& text) {
    job_->PackageList = SplitLines(text);
}

std::string StageTest::Work(const std::string& name) const { return WorkDir() + name; }
std::string StageTest::Cache(const std::string& name) const { return CacheDir() + name; }

std::string StageTest::JobLogText() const {
    std::string text;
    for (const auto& line : job_->JobLog()) text += line + "\n";
    return text;
}

std::string StageTest::ErrorLogText() const {
    std::string text;
    for (const auto& line : job_->ErrorLog()) text += line + "\n";
    return text;
}

std::string DigestOf(const std::string& bytes) {
    Md5Context context;
    context.Add(bytes.data(), bytes.size());
    return DigestToHex(context.Finish());
}

}  // namespace vu::test
