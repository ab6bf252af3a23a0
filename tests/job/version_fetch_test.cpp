// The version list worker with a scripted HTTP client and a real dispatcher window pumped by the
// test's thread: the address it asks for, the saved file, the catalogue it publishes to, its
// failures and the one notification it ends with.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "helpers/fake_http_client.h"
#include "helpers/temp_folder.h"
#include "host/dll_main_form.h"
#include "host/work_paths.h"
#include "job/ver_thread.h"
#include "job/version_catalogue.h"
#include "platform/file_system.h"
#include "platform/thread.h"
#include "support/diagnostic_log.h"

namespace vu {
namespace {

struct Seen {
    std::int32_t kind, code, value;
    std::string text;
    std::int32_t context;
    std::uint64_t thread;
};

std::vector<Seen> g_seen;

std::int32_t VU_CALL Record(std::int32_t kind, std::int32_t code, std::int32_t value,
                            const char* text, std::int32_t context) {
    g_seen.push_back({kind, code, value, text ? text : "(null)", context,
                      platform::CurrentThreadId()});
    return 0;
}

// A version list worker that tells the test when the window has freed it.
class ObservedVerThread : public TVerThread {
public:
    ObservedVerThread(HttpClientFactory factory, std::shared_ptr<std::atomic<bool>> freed)
        : TVerThread(std::move(factory)), freed_(std::move(freed)) {}
    ~ObservedVerThread() override { *freed_ = true; }

private:
    std::shared_ptr<std::atomic<bool>> freed_;
};

std::string DiagnosticLogPath() { return HostExecutableFolder() + kDiagnosticLogName; }

class VersionFetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_seen.clear();
        platform::RemoveFile(DiagnosticLogPath());
        InitializeWorkPaths(folder_ / "RaVuviraZut.dll", folder_ / "host.exe");
        ResetVersionCatalogue();
        window_ = std::make_unique<TDllMainForm>();
        DispatcherWindow.store(window_.get());
    }

    void TearDown() override {
        DispatcherWindow.store(nullptr);
        window_.reset();
        ResetVersionCatalogue();
        platform::RemoveFile(DiagnosticLogPath());
    }

    // Starts a worker the way VuGetVersion does; the flag is set when the window has freed it.
    std::shared_ptr<std::atomic<bool>> Start(const std::string& listUrl, bool withCallback) {
        UpdateRequest request{};
        std::memcpy(request.ListUrl, listUrl.data(), listUrl.size());
        request.Context = 9;
        request.Callback = withCallback ? &Record : nullptr;
        auto freed = std::make_shared<std::atomic<bool>>(false);
        auto worker = std::make_unique<ObservedVerThread>(script_->Factory(), freed);
        worker->TakeRequest(request);
        worker->Resume();
        worker.release();
        return freed;
    }

    // Pumps the window on this thread, running `between` after each pass, until every worker
    // was freed.
    void PumpUntilFreed(const std::vector<std::shared_ptr<std::atomic<bool>>>& freed,
                        const std::function<void()>& between = {}) {
        const auto allFreed = [&] {
            return std::all_of(freed.begin(), freed.end(), [](const auto& f) { return f->load(); });
        };
        const std::uint32_t start = platform::TickCount();
        while (!allFreed() && platform::TickCount() - start < 20000) {
            window_->DispatchPending();
            if (between) between();
            platform::SleepMilliseconds(1);
        }
        ASSERT_TRUE(allFreed()) << "a worker was not freed";
    }

    void Fetch(const std::string& listUrl, bool withCallback = true) {
        PumpUntilFreed({Start(listUrl, withCallback)});
    }

    static std::int32_t Query(const std::string& product, const std::string& version) {
        VersionQuery query{};
        std::memcpy(query.ProductName, product.data(), product.size());
        std::memcpy(query.CurrentVersion, version.data(), version.size());
        return CheckVersion(query);
    }

    void ExpectOneEnd(std::int32_t code, const std::string& text) {
        ASSERT_EQ(g_seen.size(), 1u);
        EXPECT_EQ(g_seen[0].kind, 0x10000000);
        EXPECT_EQ(g_seen[0].code, code);
        EXPECT_EQ(g_seen[0].value, 0);
        EXPECT_EQ(g_seen[0].text, text);
        EXPECT_EQ(g_seen[0].context, 9);
        EXPECT_EQ(g_seen[0].thread, platform::CurrentThreadId());
    }

    std::string ListPath() const { return WorkDir() + "vlt.tmp"; }

    test::TempFolder folder_;
    std::shared_ptr<test::HttpScript> script_ = test::HttpScript::Make();
    std::unique_ptr<TDllMainForm> window_;
};

// The number after "?id=" at the end of the address, or -1 when the address has no such end.
long RequestId(const std::string& address, const std::string& listUrl) {
    const std::string prefix = listUrl + "?id=";
    if (address.rfind(prefix, 0) != 0) return -1;
    const std::string digits = address.substr(prefix.size());
    if (digits.empty() || digits.size() > 6 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
        return -1;
    }
    return std::stol(digits);
}

TEST_F(VersionFetchTest, SavesTheListWithCrLfAndPublishesIt) {
    script_->Add({"[P]\nVersion=1\r\n1=a|b|c\r-1=x", {}, {}});
    const std::string listUrl = "http://lists.test:8081\\lists\\ver.txt";
    Fetch(listUrl);

    ExpectOneEnd(0, ListPath());
    EXPECT_EQ(test::ReadFileBytes(ListPath()), "[P]\r\nVersion=1\r\n1=a|b|c\r\n-1=x\r\n");
    const auto gets = script_->Gets();
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_GE(RequestId(gets[0].request.url, listUrl), 0) << gets[0].request.url;
    EXPECT_EQ(gets[0].request.port, 8081) << "the port of the list's folder";
    EXPECT_EQ(Query("P", "1"), VU_CHECK_UP_TO_DATE);
    EXPECT_EQ(Query("P", "2"), VU_CHECK_UPDATE_FOUND);
}

TEST_F(VersionFetchTest, IdIsAppendedEvenAfterAQuery) {
    script_->Add({"[P]\r\n", {}, {}});
    const std::string listUrl = "http://lists.test/ver.php?product=p";
    Fetch(listUrl);
    ExpectOneEnd(0, ListPath());
    const auto gets = script_->Gets();
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_GE(RequestId(gets[0].request.url, listUrl), 0) << gets[0].request.url;
    EXPECT_EQ(gets[0].request.port, 80);
}

TEST_F(VersionFetchTest, FailedTransferKeepsTheCatalogue) {
    const std::string earlier = folder_ / "earlier.txt";
    SaveVersionList(earlier, "[P]\r\nVersion=5\r\n");
    for (int attempt = 0; attempt < 3; ++attempt) {
        script_->Add({"", test::StatusFailure(404, "HTTP/1.1 404 Not Found"), {}});
    }
    Fetch("http://lists.test/ver.txt");

    ExpectOneEnd(0x0E000101, "Download VerList Fail");
    EXPECT_EQ(script_->Gets().size(), 3u);
    EXPECT_FALSE(platform::FileExists(ListPath()));
    EXPECT_EQ(Query("P", "5"), VU_CHECK_UP_TO_DATE) << "the earlier list still answers";
    // Only the job log is kept, with the transfer's failure lines.
    const std::string jobLog = test::ReadFileBytes(WorkDir() + "freshline.log");
    EXPECT_NE(jobLog.find("[GetVerlist Err]"), std::string::npos) << jobLog;
    EXPECT_FALSE(platform::FileExists(WorkDir() + "freshline.err"));
}

TEST_F(VersionFetchTest, ListThatCannotBeSavedIsReportedAndLogged) {
    const std::string earlier = folder_ / "earlier.txt";
    SaveVersionList(earlier, "[P]\r\nVersion=5\r\n");
    ASSERT_TRUE(platform::MakeFolders(ListPath()));  // a folder where the file should go
    script_->Add({"[P]\r\nVersion=6\r\n", {}, {}});
    Fetch("http://lists.test/ver.txt");

    ExpectOneEnd(0x0E000102, "Version cannot Save");
    EXPECT_EQ(Query("P", "5"), VU_CHECK_UP_TO_DATE) << "the earlier list still answers";
    const std::string jobLog = test::ReadFileBytes(WorkDir() + "freshline.log");
    EXPECT_NE(jobLog.find("]\tSave VerList error: "), std::string::npos) << jobLog;
    const std::string diagnostic = test::ReadFileBytes(DiagnosticLogPath());
    EXPECT_NE(diagnostic.find("Save VerList error: "), std::string::npos) << diagnostic;
}

TEST_F(VersionFetchTest, WithoutCallbackTheHostHearsNothingAndTheWorkerIsFreed) {
    script_->Add({"[P]\r\nVersion=1\r\n", {}, {}});
    Fetch("http://lists.test/ver.txt", false);
    EXPECT_TRUE(g_seen.empty());
    EXPECT_EQ(Query("P", "1"), VU_CHECK_UP_TO_DATE);
}

TEST_F(VersionFetchTest, FetchesAtOnceLeaveOneWholeListThatAnswers) {
    constexpr int kFetches = 6;
    for (int i = 0; i < kFetches; ++i) {
        script_->Add({"[P]\r\nVersion=" + std::to_string(i) + "\r\n", {}, {}});
    }
    std::vector<std::shared_ptr<std::atomic<bool>>> freed;
    for (int i = 0; i < kFetches; ++i) freed.push_back(Start("http://lists.test/ver.txt", true));
    // Meanwhile the host keeps asking: no list yet, or a whole one (0 equal, any other newer).
    std::vector<std::int32_t> unexpected;
    PumpUntilFreed(freed, [&] {
        const std::int32_t result = Query("P", "0");
        if (result != VU_CHECK_NO_LIST && result != VU_CHECK_UP_TO_DATE &&
            result != VU_CHECK_NO_ENTRY) {
            unexpected.push_back(result);
        }
    });
    EXPECT_TRUE(unexpected.empty());

    ASSERT_EQ(g_seen.size(), static_cast<std::size_t>(kFetches));
    for (const auto& seen : g_seen) EXPECT_EQ(seen.code, 0) << seen.text;
    // The last one to save won: its list is on disk and answers.
    int answering = -1;
    for (int i = 0; i < kFetches; ++i) {
        if (Query("P", std::to_string(i)) == VU_CHECK_UP_TO_DATE) {
            EXPECT_EQ(answering, -1) << "two lists answer";
            answering = i;
        }
    }
    ASSERT_NE(answering, -1);
    EXPECT_EQ(test::ReadFileBytes(ListPath()),
              "[P]\r\nVersion=" + std::to_string(answering) + "\r\n");
}

}  // namespace
}  // namespace vu
