// The job driver with substituted stages: the order the stages run in, the interrupted codes
// of the stop checks, failures, the epilogue and the final notification, all seen by a host
// callback running on the test's own thread through a real dispatcher window.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "helpers/temp_folder.h"
#include "host/dll_main_form.h"
#include "host/work_paths.h"
#include "job/download_thread.h"
#include "job/error_update.h"
#include "platform/thread.h"

namespace vu {
namespace {

struct Notification {
    std::int32_t kind, code, value;
    bool hasText;
    std::string text;
    std::int32_t context;
    std::uint64_t thread;
};

std::vector<Notification> g_notifications;
std::function<void(const Notification&)> g_onNotification;

std::int32_t VU_CALL RecordingCallback(std::int32_t kind, std::int32_t code, std::int32_t value,
                                       const char* text, std::int32_t context) {
    g_notifications.push_back({kind, code, value, text != nullptr, text ? text : "", context,
                               platform::CurrentThreadId()});
    if (g_onNotification) g_onNotification(g_notifications.back());
    return 0;
}

// What a stage does when the driver calls it.
enum class Act { ReturnTrue, ReturnFalse, StopThenTrue, StopThenFalse, RaiseUpdateError,
                 RaiseStdError, RaiseOther, Block };

// What the test sees of a job after it is gone.
struct JobTrace {
    std::vector<std::string> stages;
    std::vector<std::string> errorLog;
    std::atomic<bool> freed{false};
    std::atomic<bool> released{false};  // lets a blocked stage go on
};

class ScriptedJob : public TDownloadThread {
public:
    ScriptedJob(std::map<std::string, Act> acts, int needed, std::shared_ptr<JobTrace> trace)
        : acts_(std::move(acts)), needed_(needed), trace_(std::move(trace)) {}
    ~ScriptedJob() override {
        WaitFor();
        trace_->freed = true;
    }

private:
    bool Run(const std::string& stage) {
        trace_->stages.push_back(stage);
        const auto found = acts_.find(stage);
        switch (found == acts_.end() ? Act::ReturnTrue : found->second) {
        case Act::ReturnTrue: return true;
        case Act::ReturnFalse: return false;
        case Act::StopThenTrue: RequestStop(false); return true;
        case Act::StopThenFalse: RequestStop(false); return false;
        case Act::RaiseUpdateError: throw ErrorUpdate("Download List Fail", status::kListFailed);
        case Act::RaiseStdError:
            SetErrorCode(status::kFileFailed);
            throw std::runtime_error("disk on fire");
        case Act::RaiseOther: throw 42;
        case Act::Block:
            while (!trace_->released) platform::SleepMilliseconds(1);
            return !StopIsRequested();
        }
        return true;
    }

    void PrepareJob() override { Run("prepare"); }
    void CheckServerVersion(std::int32_t& checkCode) override {
        Run("version");
        checkCode = 2;
    }
    bool FetchPackageList() override { return Run("list"); }
    bool AnalyseFiles() override {
        for (int i = 0; i < needed_; ++i) NeedList.push_back(std::make_unique<TFileInfo>("a.dll", "a.dll", "", -1));
        return Run("analyse");
    }
    bool DownloadFiles() override { return Run("download"); }
    bool RunDownloadedPrograms() override { return Run("run"); }
    bool ApplyDiffPatches() override { return Run("patch"); }
    void RunPackageInstaller() override { Run("installer"); }
    void DeleteKeptArchives() override { Run("kept"); }
    void FinalCleanup() override { Run("cleanup"); }
    void SaveLogsAndReport() override {
        trace_->errorLog = ErrorLog();
        Run("epilogue");
    }

    std::map<std::string, Act> acts_;
    int needed_;
    std::shared_ptr<JobTrace> trace_;
};

const std::vector<std::string> kAllStages = {"prepare", "list", "analyse", "download", "run",
                                             "patch", "installer", "kept", "cleanup", "epilogue"};
const std::string kInterrupted = "\xB8\xFC\xD0\xC2\xD6\xD0\xB6\xCF\xA3\xA1";

class JobDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_notifications.clear();
        g_onNotification = nullptr;
        InitializeWorkPaths(folder_ / "RaVuviraZut.dll", folder_ / "host.exe");
        window_ = std::make_unique<TDllMainForm>([this] {
            auto job = std::make_unique<ScriptedJob>(nextActs_, nextNeeded_, nextTrace_);
            return job;
        });
        DispatcherWindow.store(window_.get());
    }

    void TearDown() override {
        DispatcherWindow.store(nullptr);
        window_.reset();
        g_onNotification = nullptr;
    }

    std::shared_ptr<JobTrace> Start(std::map<std::string, Act> acts, int needed = 0,
                                    std::uint32_t flags = 0, std::uint16_t versionCheck = 0,
                                    bool withCallback = true, std::int32_t context = 7) {
        nextActs_ = std::move(acts);
        nextNeeded_ = needed;
        nextTrace_ = std::make_shared<JobTrace>();
        UpdateRequest request{};
        request.Context = context;
        request.Flags = static_cast<std::int32_t>(flags);
        request.VersionCheck = versionCheck;
        request.Callback = withCallback ? &RecordingCallback : nullptr;
        window_->StartJob(request);
        return nextTrace_;
    }

    // Pumps the window on this thread until the job has been freed.
    void PumpUntilFreed(const JobTrace& trace) {
        const std::uint32_t start = platform::TickCount();
        while (!trace.freed && platform::TickCount() - start < 20000) {
            window_->DispatchPending();
            platform::SleepMilliseconds(1);
        }
        ASSERT_TRUE(trace.freed) << "the job was not freed";
    }

    std::vector<Notification> OfContext(std::int32_t context) const {
        std::vector<Notification> result;
        for (const auto& n : g_notifications) {
            if (n.context == context) result.push_back(n);
        }
        return result;
    }

    test::TempFolder folder_;
    std::unique_ptr<TDllMainForm> window_;
    std::map<std::string, Act> nextActs_;
    int nextNeeded_ = 0;
    std::shared_ptr<JobTrace> nextTrace_;
};

struct DriverCase {
    const char* name;
    std::map<std::string, Act> acts;
    int needed;
    std::uint32_t flags;
    std::uint16_t versionCheck;
    std::vector<std::string> stages;
    std::int32_t finalCode;
    std::int32_t finalValue;
    std::string finalText;
};

TEST_F(JobDriverTest, StageOrderStopCodesAndFinalNotification) {
    const std::vector<std::string> untilDownload = {"prepare", "list", "analyse", "download",
                                                    "epilogue"};
    const std::vector<DriverCase> cases = {
        {"nothing to update", {}, 0, 0, 0, kAllStages, 0, 0, ""},
        {"two files updated", {}, 2, 0, 0, kAllStages, 0x0E000000, 2, ""},
        {"version check runs and gives its code", {}, 0, 0, 0x000F,
         {"prepare", "version", "list", "analyse", "download", "run", "patch", "installer",
          "kept", "cleanup", "epilogue"}, 0, 2, ""},
        {"version check switch 0x00F0 skips it", {}, 0, 0, 0x00F0, kAllStages, 0, 0, ""},
        {"download only ends after the download", {}, 3, 0x10000000, 0, untilDownload,
         0x0E000000, 3, ""},
        {"other flag bits change nothing", {}, 1, 0xEFFFFFFF, 0, kAllStages, 0x0E000000, 1, ""},
        {"download only ignores a stop after the download", {{"download", Act::StopThenFalse}},
         1, 0x10000000, 0, untilDownload, 0x0E000000, 1, ""},
        {"stop during the list fetch", {{"list", Act::StopThenFalse}}, 0, 0, 0,
         {"prepare", "list", "epilogue"}, 0x0E000010, 0, kInterrupted},
        {"stop during the analysis", {{"analyse", Act::StopThenFalse}}, 0, 0, 0,
         {"prepare", "list", "analyse", "epilogue"}, 0x0E000011, 0, kInterrupted},
        {"stop after a complete analysis", {{"analyse", Act::StopThenTrue}}, 0, 0, 0,
         {"prepare", "list", "analyse", "epilogue"}, 0x0E000010, 0, kInterrupted},
        {"stop cutting the download short", {{"download", Act::StopThenFalse}}, 1, 0, 0,
         untilDownload, 0x0E000010, 0, kInterrupted},
        {"stop after a complete download", {{"download", Act::StopThenTrue}}, 1, 0, 0,
         untilDownload, 0x0E000012, 0, kInterrupted},
        {"stop after all programs ran", {{"run", Act::StopThenTrue}}, 0, 0, 0,
         {"prepare", "list", "analyse", "download", "run", "epilogue"}, 0x0E000014, 0,
         kInterrupted},
        {"stop cutting the programs short", {{"run", Act::StopThenFalse}}, 0, 0, 0,
         {"prepare", "list", "analyse", "download", "run", "epilogue"}, 0x0E000012, 0,
         kInterrupted},
        {"stop after patching", {{"patch", Act::StopThenTrue}}, 0, 0, 0,
         {"prepare", "list", "analyse", "download", "run", "patch", "epilogue"}, 0x0E00001F, 0,
         kInterrupted},
        {"stop during patching", {{"patch", Act::StopThenFalse}}, 0, 0, 0,
         {"prepare", "list", "analyse", "download", "run", "patch", "epilogue"}, 0x0E000014, 0,
         kInterrupted},
        {"stop after the last check changes nothing", {{"installer", Act::StopThenTrue}}, 2, 0,
         0, kAllStages, 0x0E000000, 2, ""},
        {"planned failure", {{"list", Act::RaiseUpdateError}}, 0, 0, 0,
         {"prepare", "list", "epilogue"}, 0x0E000002, 0, "Download List Fail"},
        {"planned failure keeps the version check code", {{"list", Act::RaiseUpdateError}}, 0,
         0, 0x000F, {"prepare", "version", "list", "epilogue"}, 0x0E000002, 2,
         "Download List Fail"},
        {"other failure", {{"analyse", Act::RaiseStdError}}, 4, 0, 0,
         {"prepare", "list", "analyse", "epilogue"}, 0x0E000001, 0, "disk on fire"},
        {"failure that is no exception object", {{"prepare", Act::RaiseOther}}, 0, 0, 0,
         {"prepare", "epilogue"}, 0x0E000001, 0, "Unknown exception"},
        {"failing epilogue still ends the job", {{"epilogue", Act::RaiseStdError}}, 0, 0, 0,
         kAllStages, 0, 0, ""},
    };
    std::int32_t context = 100;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto trace = Start(c.acts, c.needed, c.flags, c.versionCheck, true, ++context);
        PumpUntilFreed(*trace);
        EXPECT_EQ(trace->stages, c.stages);
        const auto seen = OfContext(context);
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[0].kind, 0);
        EXPECT_FALSE(seen[0].hasText);
        EXPECT_EQ(seen[1].kind, 0x0F000000);
        EXPECT_EQ(seen[1].code, c.finalCode);
        EXPECT_EQ(seen[1].value, c.finalValue);
        EXPECT_TRUE(seen[1].hasText);
        EXPECT_EQ(seen[1].text, c.finalText);
    }
}

TEST_F(JobDriverTest, FailuresReachTheErrorLogWithTheirCodes) {
    auto trace = Start({{"list", Act::RaiseUpdateError}});
    PumpUntilFreed(*trace);
    ASSERT_FALSE(trace->errorLog.empty());
    EXPECT_NE(trace->errorLog.back().find("\t234881026\tDownload List Fail"), std::string::npos)
        << trace->errorLog.back();

    // Any other exception carries the step code current when it was raised.
    trace = Start({{"analyse", Act::RaiseStdError}});
    PumpUntilFreed(*trace);
    ASSERT_FALSE(trace->errorLog.empty());
    EXPECT_NE(trace->errorLog.back().find("\t234881027\tdisk on fire"), std::string::npos)
        << trace->errorLog.back();
}

TEST_F(JobDriverTest, CallbackRunsOnTheWindowThreadWithTheRequestContext) {
    const auto trace = Start({}, 1, 0, 0, true, 4242);
    PumpUntilFreed(*trace);
    ASSERT_EQ(g_notifications.size(), 2u);
    for (const auto& n : g_notifications) {
        EXPECT_EQ(n.context, 4242);
        EXPECT_EQ(n.thread, platform::CurrentThreadId());
    }
}

TEST_F(JobDriverTest, JobWithoutCallbackNotifiesNobodyAndIsStillFreed) {
    const auto trace = Start({}, 2, 0, 0, false);
    PumpUntilFreed(*trace);
    EXPECT_EQ(trace->stages, kAllStages);
    EXPECT_TRUE(g_notifications.empty());
    EXPECT_EQ(window_->CurrentJobForTesting(), nullptr);
}

TEST_F(JobDriverTest, RaisingCallbackDoesNotStopTheJob) {
    g_onNotification = [](const Notification& n) {
        if (n.kind == 0) throw std::runtime_error("host failure");
    };
    const auto trace = Start({}, 1);
    PumpUntilFreed(*trace);
    EXPECT_EQ(trace->stages, kAllStages);
    ASSERT_EQ(g_notifications.size(), 2u);
    EXPECT_EQ(g_notifications[1].code, 0x0E000000);
}

TEST_F(JobDriverTest, StopFromInsideTheCallbackEndsTheJobLater) {
    g_onNotification = [this](const Notification& n) {
        if (n.kind == 0) window_->StopJob(false);
    };
    const auto trace = Start({{"list", Act::ReturnFalse}}, 0);
    PumpUntilFreed(*trace);
    EXPECT_EQ(trace->stages, (std::vector<std::string>{"prepare", "list", "epilogue"}));
    ASSERT_EQ(g_notifications.size(), 2u);
    EXPECT_EQ(g_notifications[1].code, 0x0E000010);
    EXPECT_EQ(g_notifications[1].text, kInterrupted);
}

TEST_F(JobDriverTest, SecondStartSilencesTheFirstJob) {
    const auto first = Start({{"prepare", Act::Block}}, 0, 0, 0, true, 1);
    // Let the first job notify its start, then replace it while it is inside a stage.
    const std::uint32_t start = platform::TickCount();
    while (OfContext(1).empty() && platform::TickCount() - start < 10000) {
        window_->DispatchPending();
        platform::SleepMilliseconds(1);
    }
    ASSERT_EQ(OfContext(1).size(), 1u);
    const auto second = Start({}, 0, 0, 0, true, 2);
    first->released = true;
    PumpUntilFreed(*first);
    PumpUntilFreed(*second);
    EXPECT_EQ(OfContext(1).size(), 1u) << "the replaced job spoke to the host again";
    const auto seen = OfContext(2);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].kind, 0);
    EXPECT_EQ(seen[1].code, 0);
    // The replaced job was still asked to stop: it ran no stage after the blocked one.
    EXPECT_EQ(first->stages, (std::vector<std::string>{"prepare", "list", "epilogue"}));
}

TEST_F(JobDriverTest, StopAfterTheJobWasFreedTouchesNothing) {
    const auto trace = Start({}, 0);
    PumpUntilFreed(*trace);
    EXPECT_EQ(window_->CurrentJobForTesting(), nullptr);
    window_->StopJob(false);
    window_->StopJob(true);
}

TEST_F(JobDriverTest, ReplacedJobThatIsNotStartedYetIsStoppedToo) {
    // A job asked to stop before its thread reached the stage block still stops at the first
    // check; the stop with detach keeps it silent.
    const auto first = Start({{"prepare", Act::Block}}, 0, 0, 0, true, 1);
    window_->StopJob(true);
    first->released = true;
    PumpUntilFreed(*first);
    EXPECT_LE(OfContext(1).size(), 1u);
    for (const auto& n : OfContext(1)) EXPECT_EQ(n.kind, 0);
}

}  // namespace
}  // namespace vu
