// Job preparation, the package list fetch and the server version check, with a scripted HTTP
// client: addresses, ports, the download base, the lines kept, failures and the check codes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job/error_update.h"
#include "job/stage_harness.h"
#include "platform/file_system.h"

namespace vu {
namespace {

using test::Notice;

class ListAndVersionTest : public test::StageTest {
protected:
    // Runs the check, returning the failure code (0 without one) and the check code.
    std::pair<std::int32_t, std::int32_t> Check(test::StageJob& job, std::string* message = nullptr) {
        std::int32_t checkCode = -1;
        try {
            job.CheckServerVersion(checkCode);
            return {0, checkCode};
        } catch (const ErrorUpdate& error) {
            if (message) *message = error.what();
            return {error.Code, checkCode};
        }
    }
};

// The digits after "?id=" when the address is the URL followed by them; -1 otherwise.
long long IdAfter(const std::string& address, const std::string& url, std::size_t maxDigits) {
    const std::string prefix = url + "?id=";
    if (address.rfind(prefix, 0) != 0) return -1;
    const std::string digits = address.substr(prefix.size());
    if (digits.empty() || digits.size() > maxDigits ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
        return -1;
    }
    return std::stoll(digits);
}

TEST_F(ListAndVersionTest, PreparationSetsTheDownloadBaseAndItsPortAndDropsTheEngineLog) {
    test::WriteFileBytes(Work("vekpatch.log"), "old");
    auto& job = NewJob("http://files.test:8081\\upd\\plist.txt");
    EXPECT_EQ(job.FDownloadUrl, "http://files.test:8081/upd/");
    EXPECT_EQ(job.FallbackDownloadUrl, job.FDownloadUrl);
    EXPECT_EQ(job.Port, 8081);
    EXPECT_EQ(job.RetryPort, 8081);
    EXPECT_FALSE(platform::FileExists(Work("vekpatch.log")));
    EXPECT_FALSE(platform::FileExists(Work("flist.txt"))) << "nothing is created yet";
}

TEST_F(ListAndVersionTest, TheListIsAskedForWithAnIdUnlessItsUrlHasAQuery) {
    const std::string plain = "http://files.test/upd/plist.txt";
    auto& job = NewJob(plain);
    script_->Add({"a.dll\tD\r\nb.dll\tD\rc.dll\tD\n\nd.dll\tD\n"});
    EXPECT_FALSE(job.FetchPackageList());
    EXPECT_GE(IdAfter(script_->Gets().at(0).request.url, plain, 7), 0)
        << script_->Gets().at(0).request.url;
    EXPECT_EQ(job.PackageList, (std::vector<std::string>{"a.dll\tD", "b.dll\tD", "c.dll\tD", "",
                                                         "d.dll\tD"}));

    const std::string withQuery = "http://files.test/upd/list.php?channel=beta";
    auto& second = NewJob(withQuery);
    script_->Add({""});
    EXPECT_FALSE(second.FetchPackageList());
    EXPECT_EQ(script_->Gets().at(1).request.url, withQuery);
    EXPECT_TRUE(second.PackageList.empty());

    // The working subfolder after "#" is not sent, so the id goes before it.
    auto& third = NewJob(plain + "#data*hd");
    script_->Add({""});
    EXPECT_FALSE(third.FetchPackageList());
    const std::string url = script_->Gets().at(2).request.url;
    const auto hash = url.find('#');
    ASSERT_NE(hash, std::string::npos) << url;
    EXPECT_EQ(url.substr(hash), "#data*hd");
    EXPECT_GE(IdAfter(url.substr(0, hash), plain, 7), 0) << url;
}

TEST_F(ListAndVersionTest, AListThatCannotBeFetchedEndsTheJob) {
    auto& job = NewJob();
    for (int i = 0; i < 3; ++i) script_->Add({"", test::StatusFailure(404, "HTTP/1.1 404 Not Found")});
    EXPECT_EQ(test::ErrorUpdateOf([&] { job.FetchPackageList(); }),
              (test::Raised{0x0E000002, "Download List Fail"}));
    EXPECT_NE(ErrorLogText().find("234881026\t[GetPlist Err]("), std::string::npos)
        << ErrorLogText();
}

TEST_F(ListAndVersionTest, TheServerVersionRangeDecidesByTextComparison) {
    struct Case {
        const char* version;
        const char* versionFile;
        std::int32_t failure;
        std::int32_t checkCode;
    };
    const char* range = "[Info]\r\nVersionBegin=1.0.0\r\nVersionVal=1.0.5\r\n";
    const std::vector<Case> cases = {
        {"1.0.3", range, 0, 0},
        {"1.0.0", range, 0, 0},
        {"1.0.5", range, 0, 0},
        {"0.9.9", range, 0x0E000100, 1},
        {"1.0.6", range, 0x0E000100, 2},
        {"1.0.10", "[Info]\nVersionBegin=1.0.0\nVersionVal=1.0.9\n", 0, 0},  // as text, 1.0.10 < 1.0.9
        {"1.0.3B", "[info]\nversionbegin=1.0.3a\nVERSIONVAL=1.0.3b\n", 0, 0},
        {"1.0.3", "[Info]\nVersionBegin=1.0.0\n", 0x0E000100, 2},
        {"", "[Other]\nx=1\n", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.version) + " against " + c.versionFile);
        auto& job = NewJob("http://files.test/upd/plist.txt", VU_FLAG_DOWNLOAD_ONLY, c.version);
        notices_.clear();
        script_->Add({c.versionFile});
        std::string message;
        const auto [failure, checkCode] = Check(job, &message);
        EXPECT_EQ(failure, c.failure);
        EXPECT_EQ(checkCode, c.checkCode);
        if (failure == 0) {
            EXPECT_EQ(notices_, (std::vector<Notice>{{0x05000000, 0, 0, ""}}));
        } else {
            EXPECT_EQ(message, "Version not Right");
            EXPECT_TRUE(notices_.empty());
        }
        EXPECT_FALSE(platform::FileExists(Work("vlt.tmp"))) << "the file is deleted after reading";
    }
    const auto gets = script_->Gets();
    EXPECT_GE(IdAfter(gets.at(0).request.url, "http://files.test/upd/vuver.dat", 6), 0)
        << gets.at(0).request.url;
}

TEST_F(ListAndVersionTest, AReadOnlyLeftoverIsReplacedBeforeReading) {
    test::WriteFileBytes(Work("vlt.tmp"), "[Info]\r\nVersionBegin=9\r\nVersionVal=9\r\n");
    platform::WriteAttributes(Work("vlt.tmp"), platform::kAttributeReadOnly);
    auto& job = NewJob("http://files.test/upd/plist.txt", VU_FLAG_DOWNLOAD_ONLY, "1.0.3");
    script_->Add({"[Info]\nVersionBegin=1.0.0\nVersionVal=1.0.5\n"});
    EXPECT_EQ(Check(job), std::make_pair(0, 0));
}

TEST_F(ListAndVersionTest, AVersionFileThatCannotBeFetchedLeavesTheFolderAsItWas) {
    test::WriteFileBytes(Work("vlt.tmp"), "saved version list");
    auto& job = NewJob("http://files.test/upd/plist.txt", VU_FLAG_DOWNLOAD_ONLY, "1.0.3");
    for (int i = 0; i < 3; ++i) script_->Add({"", test::SocketFailure(10061, "Connection refused")});
    std::string message;
    EXPECT_EQ(Check(job, &message), std::make_pair(0x0E000101, 0));
    EXPECT_EQ(message, "Download VerList Fail");
    EXPECT_EQ(test::ReadFileBytes(Work("vlt.tmp")), "saved version list");
}

}  // namespace
}  // namespace vu
