// The download stage with a scripted HTTP client: addresses, temporary files, resume from the
// range record, skip by digest, failures, stops, and the progress handler's arithmetic, range
// record, speed and limiter on a driven clock.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "host/work_paths.h"
#include "job/error_update.h"
#include "job/stage_harness.h"
#include "platform/file_system.h"
#include "support/ini_file_ex.h"

namespace vu {
namespace {

using test::DigestOf;
using test::Notice;
using test::ScriptedAttempt;

const std::string kFileA = "contents of a.dll";
const std::string kFileB = "0123456789ABCDEF";
const std::string kDigestA = DigestOf(kFileA);
const std::string kDigestB = DigestOf(kFileB);
constexpr std::int32_t kFileFailed = 0x0E000003;

class FileDownloadTest : public test::StageTest {
protected:
    // A prepared job whose analysis found a.dll and "sub\b c.pak" needed.
    test::StageJob& JobNeedingTwo(std::uint32_t flags = VU_FLAG_DOWNLOAD_ONLY) {
        auto& job = NewJob("http://files.test/upd/plist.txt", flags);
        SetPackageList("a.dll\t" + kDigestA + "\t" + std::to_string(kFileA.size()) +
                       "\nsub\\b c.pak\t" + kDigestB + "\t" + std::to_string(kFileB.size()));
        EXPECT_TRUE(job.AnalyseFiles());
        notices_.clear();
        return job;
    }
    std::string Range(const std::string& section, const std::string& key) {
        TIniFile range(Work("range.log"));
        return range.ReadString(section, key, "(none)");
    }
    void SetRange(const std::string& section, const std::string& key, const std::string& value) {
        TIniFile range(Work("range.log"));
        range.WriteString(section, key, value);
    }
    std::vector<std::string> Urls() const {
        std::vector<std::string> urls;
        for (const auto& get : script_->Gets()) urls.push_back(get.request.url);
        return urls;
    }
};

TEST_F(FileDownloadTest, DownloadOnlyFetchesEveryEntryIntoTheCacheAndReportsEachStep) {
    auto& job = JobNeedingTwo();
    script_->Add({kFileA});
    script_->Add({kFileB});
    EXPECT_TRUE(job.DownloadFiles());

    const std::vector<Notice> expected = {
        {0x02000001, 2, 0, "(null)"},
        {0x02000003, 1, 2, "a.dll"},
        {0x02000004, 10000, 5000, "a.dll"},
        {0x02000005, 1, 2, "a.dll"},
        {0x02000003, 2, 2, "sub\\b c.pak"},
        {0x02000004, 10000, 10000, "b c.pak"},
        {0x02000005, 2, 2, "sub\\b c.pak"},
        {0x02000002, 2, 0, "(null)"},
    };
    EXPECT_EQ(notices_, expected);
    EXPECT_EQ(Urls(), (std::vector<std::string>{
                          "http://files.test/upd/a.dll?md5=" + kDigestA,
                          "http://files.test/upd/sub/b%20c.pak?md5=" + kDigestB}));
    EXPECT_EQ(test::ReadFileBytes(Cache("a.dll.temp")), kFileA);
    EXPECT_EQ(test::ReadFileBytes(Cache("sub\\b c.pak.temp")), kFileB);
    EXPECT_TRUE(job.NeedList[0]->Downloaded && job.NeedList[1]->Downloaded);
    EXPECT_EQ(Range(kDigestA, "PreStartRange"), "(none)") << "a complete file has no section";
    EXPECT_EQ(Range(kDigestB, "StartRange"), "(none)");
}

TEST_F(FileDownloadTest, AJobThatMustPlaceFilesFailsClearlyUntilPlacingExists) {
    auto& job = JobNeedingTwo(0);
    script_->Add({kFileA});
    script_->Add({kFileB});
    EXPECT_EQ(test::ErrorUpdateOf([&] { job.DownloadFiles(); }),
              (test::Raised{0x0E000001, "Not available in this build: placing of downloaded files"}));
    EXPECT_EQ(notices_.back(), (Notice{0x02000002, 2, 0, "(null)"}));
}

TEST_F(FileDownloadTest, NothingNeededMeansNoNotificationAndFalse) {
    auto& job = NewJob();
    EXPECT_FALSE(job.DownloadFiles());
    EXPECT_TRUE(notices_.empty());
}

TEST_F(FileDownloadTest, ATemporaryFileThatAlreadyMatchesIsNotFetchedAgain) {
    auto& job = JobNeedingTwo();
    platform::MakeFolders(Cache("sub\\"));
    test::WriteFileBytes(Cache("sub\\b c.pak.temp"), kFileB);
    SetRange(kDigestB, "StartRange", "3");
    script_->Add({kFileA});
    EXPECT_TRUE(job.DownloadFiles());

    EXPECT_EQ(Urls().size(), 1u);
    EXPECT_EQ(test::OfKinds(notices_, {0x02000003, 0x02000005}),
              (std::vector<Notice>{{0x02000003, 1, 2, "a.dll"},
                                   {0x02000005, 1, 2, "a.dll"},
                                   {0x02000005, 2, 2, "sub\\b c.pak"}}));
    EXPECT_EQ(Range(kDigestB, "StartRange"), "(none)") << "the section is erased";
}

struct ResumeCase {
    const char* what;
    std::optional<std::string> startRange;
    std::int64_t expectedStart;
};

TEST_F(FileDownloadTest, AnExistingTemporaryFileResumesFromTheRecordedStart) {
    const std::vector<ResumeCase> cases = {
        {"recorded position", "4", 4},
        {"the whole file so far", "10", 10},
        {"beyond the file", "11", 0},
        {"negative", "-3", 0},
        {"not a number", "four", 0},
        {"no section", std::nullopt, 0},
        {"beyond 2 GiB", "4294967296", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempFolder caseFolder;
        InitializeWorkPaths(caseFolder / "RaVuviraZut.dll", caseFolder / "host.exe");
        script_ = test::HttpScript::Make();
        auto& job = NewJob();
        SetPackageList("sub\\b c.pak\t" + kDigestB + "\t16");
        ASSERT_TRUE(job.AnalyseFiles());
        platform::MakeFolders(Cache("sub\\"));
        test::WriteFileBytes(Cache("sub\\b c.pak.temp"), kFileB.substr(0, 10));
        if (c.startRange) SetRange(kDigestB, "StartRange", *c.startRange);
        std::string preStartDuringTransfer;
        script_->Add({kFileB.substr(static_cast<std::size_t>(c.expectedStart)), std::nullopt,
                      [&] { preStartDuringTransfer = Range(kDigestB, "PreStartRange"); }});

        EXPECT_TRUE(job.DownloadFiles());
        ASSERT_EQ(script_->Gets().size(), 1u);
        EXPECT_EQ(script_->Gets()[0].request.rangeStart, c.expectedStart);
        EXPECT_EQ(preStartDuringTransfer, std::to_string(c.expectedStart));
        EXPECT_EQ(test::ReadFileBytes(Cache("sub\\b c.pak.temp")), kFileB);
        EXPECT_EQ(Range(kDigestB, "PreStartRange"), "(none)");
    }
}

TEST_F(FileDownloadTest, AWholeFileAnsweringAResumeIsWrittenFromTheStart) {
    auto& job = JobNeedingTwo();
    platform::MakeFolders(Cache("sub\\"));
    test::WriteFileBytes(Cache("sub\\b c.pak.temp"), "0123456xxxxxxxxxxxxxx");
    SetRange(kDigestB, "StartRange", "7");
    script_->Add({kFileA});
    script_->Add({kFileB, std::nullopt, {}, "", 200});
    EXPECT_TRUE(job.DownloadFiles());
    EXPECT_EQ(script_->Gets()[1].request.rangeStart, 7);
    // The old file was longer; it is never truncated, so the tail stays for the digest check.
    EXPECT_EQ(test::ReadFileBytes(Cache("sub\\b c.pak.temp")), kFileB + "xxxxx");
    EXPECT_EQ(test::OfKinds(notices_, {0x02000004})[1], (Notice{0x02000004, 10000, 10000, "b c.pak"}))
        << "progress counts from 0, not from the range asked for";
}

TEST_F(FileDownloadTest, ThreeFailedAttemptsEndTheStageWithTheFileName) {
    auto& job = NewJob();
    SetPackageList("sub\\b c.pak\t" + kDigestB + "\t16");
    ASSERT_TRUE(job.AnalyseFiles());
    for (int i = 0; i < 3; ++i) {
        script_->Add({"0123", test::SocketFailure(10054, "Connection reset by peer")});
    }
    EXPECT_EQ(test::ErrorUpdateOf([&] { job.DownloadFiles(); }),
              (test::Raised{kFileFailed, "b c.pak"}));
    EXPECT_EQ(script_->Gets().size(), 3u);
    EXPECT_NE(ErrorLogText().find("234881027\t[DownloadFile Err]("), std::string::npos)
        << ErrorLogText();
    // The partial file and its position stay for the next job.
    EXPECT_EQ(test::ReadFileBytes(Cache("sub\\b c.pak.temp")), "0123");
    EXPECT_EQ(Range(kDigestB, "PreStartRange"), "4");
}

TEST_F(FileDownloadTest, ABodyLongerThanTheListedSizeFailsTheFile) {
    auto& job = NewJob();
    SetPackageList("a.dll\t" + kDigestA + "\t5");
    ASSERT_TRUE(job.AnalyseFiles());
    for (int i = 0; i < 3; ++i) script_->Add({kFileA});
    EXPECT_THROW(job.DownloadFiles(), ErrorUpdate);
    EXPECT_LE(test::ReadFileBytes(Cache("a.dll.temp")).size(), 5u);
}

TEST_F(FileDownloadTest, ARedirectedListMovesTheFirstAttemptButNotTheRetries) {
    auto& job = NewJob("http://files.test/upd/plist.txt");
    script_->Add({"a.dll\t" + kDigestA, std::nullopt, {}, "http://mirror.test:8080/new/plist.txt?id=1"});
    EXPECT_FALSE(job.FetchPackageList());
    EXPECT_EQ(job.FDownloadUrl, "http://mirror.test:8080/new/");
    EXPECT_EQ(job.FallbackDownloadUrl, "http://files.test/upd/");
    EXPECT_EQ(job.Port, 8080);
    EXPECT_EQ(job.RetryPort, 80);
    ASSERT_TRUE(job.AnalyseFiles());

    script_->Add({"", test::StatusFailure(404, "HTTP/1.1 404 Not Found")});
    script_->Add({kFileA});
    EXPECT_TRUE(job.DownloadFiles());
    const auto gets = script_->Gets();
    ASSERT_EQ(gets.size(), 3u);
    EXPECT_EQ(gets[1].request.url, "http://mirror.test:8080/new/a.dll?md5=" + kDigestA);
    EXPECT_EQ(gets[1].request.port, 8080);
    EXPECT_EQ(gets[2].request.url, "http://files.test/upd/a.dll?md5=" + kDigestA);
    EXPECT_EQ(gets[2].request.port, 80);
}

TEST_F(FileDownloadTest, AStopBetweenFilesEndsBeforeTheNextOne) {
    auto& job = JobNeedingTwo();
    script_->Add({kFileA});
    onNotice_ = [&job](const Notice& notice) {
        if (notice.kind == 0x02000005) job.RequestStop(false);
    };
    EXPECT_FALSE(job.DownloadFiles());
    EXPECT_EQ(script_->Gets().size(), 1u);
    EXPECT_FALSE(platform::FileExists(Cache("sub\\b c.pak.temp")));
}

TEST_F(FileDownloadTest, AStopDuringATransferFailsThatFile) {
    auto& job = JobNeedingTwo();
    script_->Add({"", test::SocketFailure(10053, "Connection aborted"),
                  [&job] { job.RequestStop(false); }});
    EXPECT_EQ(test::ErrorUpdateOf([&] { job.DownloadFiles(); }),
              (test::Raised{kFileFailed, "a.dll"}));
    EXPECT_EQ(script_->Gets().size(), 1u);
}

TEST_F(FileDownloadTest, ATemporaryFileThatCannotBeCreatedIsLoggedAndFailsTheFile) {
    auto& job = JobNeedingTwo();
    ASSERT_TRUE(platform::MakeFolders(Cache("a.dll.temp\\")));
    EXPECT_EQ(test::ErrorUpdateOf([&] { job.DownloadFiles(); }),
              (test::Raised{kFileFailed, "a.dll"}));
    EXPECT_NE(JobLogText().find("]\tCreate temp file a.dll failed: "), std::string::npos)
        << JobLogText();
    EXPECT_NE(ErrorLogText().find("234881027\tCreate temp file a.dll failed: "),
              std::string::npos)
        << ErrorLogText();
    EXPECT_TRUE(script_->Gets().empty());
}

// The progress handler driven directly, as the client calls it during a transfer.
class ProgressTest : public FileDownloadTest {
protected:
    test::StageJob& JobWith(int entries, int current) {
        auto& job = NewJob();
        std::string list;
        for (int i = 0; i < entries; ++i) {
            list += "f" + std::to_string(i) + ".dat\t" + DigestOf(std::to_string(i)) + "\n";
        }
        SetPackageList(list);
        EXPECT_TRUE(job.AnalyseFiles());
        job.CurrentIndex = current;
        job.CurrentFileName = "f" + std::to_string(current) + ".dat";
        job.DownloadStartTick = clock_.now;
        notices_.clear();
        return job;
    }
};

TEST_F(ProgressTest, ReportsTenThousandthsRoundedToEven) {
    struct Case {
        int entries, current;
        std::int64_t work, length;
        std::int32_t file, overall;
    };
    const std::vector<Case> cases = {
        {1, 0, 1, 8, 1250, 1250},
        {1, 0, 1, 32, 312, 312},         // 312.5 goes to the even 312
        {1, 0, 3, 32, 938, 938},         // 937.5 goes to the even 938
        {2, 0, 1, 64, 156, 78},          // 156.25 and 78.125
        {2, 1, 1, 2, 5000, 7500},
        {3, 2, 3, 3, 10000, 10000},
        {4, 1, 1, 3, 3333, 3333},        // (1/4 + 1/4 * 1/3) * 10000 = 3333.33
        {1, 0, 0, 0, 0, 0},              // nothing at all: the total counts as 1
        {1, 0, 3000000000LL, 4000000000LL, 7500, 7500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.work) + "/" + std::to_string(c.length));
        auto& job = JobWith(c.entries, c.current);
        job.OnDownloadProgress(c.work, c.length);
        ASSERT_EQ(notices_.size(), 1u);
        EXPECT_EQ(notices_[0], (Notice{0x02000004, c.file, c.overall, job.CurrentFileName}));
    }
}

TEST_F(ProgressTest, AnAnswerWithoutLengthIsMeasuredAgainstTheListedSize) {
    auto& job = NewJob();
    SetPackageList("a.dll\t" + kDigestA + "\t400");
    ASSERT_TRUE(job.AnalyseFiles());
    job.CurrentFileName = "a.dll";
    notices_.clear();
    job.OnDownloadProgress(100, -1);
    EXPECT_EQ(notices_.at(0), (Notice{0x02000004, 2500, 2500, "a.dll"}));
}

TEST_F(ProgressTest, TheRangeRecordKeepsStartRangeOneEventBehind) {
    auto& job = JobWith(1, 0);
    const std::string digest = job.NeedList[0]->Digest;
    job.OnDownloadProgress(100, 1000);
    EXPECT_EQ(Range(digest, "StartRange"), "0");
    EXPECT_EQ(Range(digest, "PreStartRange"), "100");
    job.OnDownloadProgress(300, 1000);
    EXPECT_EQ(Range(digest, "StartRange"), "100");
    EXPECT_EQ(Range(digest, "PreStartRange"), "300");
    job.OnDownloadProgress(3000000000LL, 4000000000LL);
    EXPECT_EQ(Range(digest, "StartRange"), "300");
    EXPECT_EQ(Range(digest, "PreStartRange"), "3000000000") << "positions beyond 2 GiB";
}

TEST_F(ProgressTest, SpeedIsTheAverageSinceTheStartOfTheRequest) {
    auto& job = JobWith(1, 0);
    CurrentSpeed.store(-1.0);
    job.OnDownloadProgress(1000, 5000);  // at the start tick: unchanged
    EXPECT_EQ(CurrentSpeed.load(), -1.0);
    clock_.now += 500;
    job.OnDownloadProgress(0, 5000);  // nothing read yet: unchanged
    EXPECT_EQ(CurrentSpeed.load(), -1.0);
    job.OnDownloadProgress(1000, 5000);
    EXPECT_DOUBLE_EQ(CurrentSpeed.load(), 2000.0);
}

TEST_F(ProgressTest, TheLimiterHoldsTheAverageInWholeSecondsAtTheLimit) {
    struct Case {
        const char* what;
        std::int32_t limit;
        std::uint32_t elapsed;
        std::int64_t work;
        std::size_t pauses;
    };
    const std::vector<Case> cases = {
        {"3000 bytes at 1.2 s under 1000 B/s wait until 3 s", 1000, 1200, 3000, 18},
        {"at the limit", 1000, 3000, 3000, 0},
        {"first second: never", 1, 999, 1000000, 0},
        {"no limit", kNoSpeedLimit, 5000, 1000000000, 0},
        {"just above after 2 s", 1000, 2000, 2001, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto& job = JobWith(1, 0);
        LimitSpeed.store(c.limit);
        clock_.sleeps.clear();
        clock_.now = job.DownloadStartTick + c.elapsed;
        job.OnDownloadProgress(c.work, c.work * 10);
        EXPECT_EQ(clock_.sleeps.size(), c.pauses);
        for (const auto pause : clock_.sleeps) EXPECT_EQ(pause, 100u);
    }
}

TEST_F(ProgressTest, TheLimitIsReadAfreshAtEveryPauseAndAStopEndsTheWait) {
    auto& job = JobWith(1, 0);
    LimitSpeed.store(1);
    clock_.now = job.DownloadStartTick + 1000;
    int pauses = 0;
    job.SetClock({[this] { return clock_.now; },
                  [&](std::uint32_t ms) {
                      clock_.now += ms;
                      if (++pauses == 3) LimitSpeed.store(kNoSpeedLimit);
                  }});
    job.OnDownloadProgress(1000000, 2000000);
    EXPECT_EQ(pauses, 3);

    LimitSpeed.store(1);
    pauses = 0;
    job.SetClock({[this] { return clock_.now; },
                  [&](std::uint32_t ms) {
                      clock_.now += ms;
                      if (++pauses == 2) job.RequestStop(false);
                  }});
    job.OnDownloadProgress(1000000, 2000000);
    EXPECT_EQ(pauses, 2);
}

}  // namespace
}  // namespace vu
