// Update jobs end to end: the test host runs jobs against package lists on the test server, and
// these tests read back the notifications, the download cache, the job's records and the
// requests the server saw.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "RaVuviraZut.h"
#include "helpers/temp_folder.h"
#include "helpers/test_server.h"
#include "host_runner.h"
#include "platform/file_system.h"
#include "platform/path_mapping.h"
#include "support/md5.h"

namespace vu {
namespace {

using test::HostRun;
using test::LoggedRequest;
using test::Notice;
using test::Notices;
using test::TestServer;

constexpr std::int32_t kWhole = 10000;  // progress is told in ten-thousandths
constexpr char kCacheFolder[] = "DlCache\\";

std::string LowerCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string DigestOf(const std::string& bytes) {
    Md5Context context;
    context.Add(bytes.data(), bytes.size());
    return LowerCase(DigestToHex(context.Finish()));
}

std::string AfterLastBackslash(const std::string& path) {
    return path.substr(path.find_last_of('\\') + 1);
}

// A file of a package: listed under its entry name, served from the package's folder.
struct PackageFile {
    PackageFile(std::string name, std::size_t size) : entryName(std::move(name)) {
        // A first line of its own makes the digest, and so the requests carrying it, this
        // test's alone.
        bytes = TestServer::UniqueName("content") + "\n" + test::GeneratedBytes(0, size);
        digest = DigestOf(bytes);
    }

    std::string ListLine() const {
        return entryName + "\t" + digest + "\t" + std::to_string(bytes.size());
    }
    // Its path below the package folder on the server.
    std::string ServedName() const {
        std::string name = entryName;
        for (char& c : name) {
            if (c == '\\') c = '/';
        }
        return name;
    }

    std::string entryName;  // relative to the working folder, with backslashes
    std::string bytes;
    std::string digest;  // lower-case hexadecimal, as listed
};

std::vector<std::string> ListLines(const std::vector<PackageFile>& files) {
    std::vector<std::string> lines;
    for (const auto& file : files) lines.push_back(file.ListLine());
    return lines;
}

Notice Note(std::uint32_t kind, std::uint32_t code, std::int32_t value) {
    Notice notice;
    notice.kind = kind;
    notice.code = code;
    notice.value = value;
    return notice;
}

Notice Note(std::uint32_t kind, std::uint32_t code, std::int32_t value, const std::string& text) {
    Notice notice = Note(kind, code, value);
    notice.hasText = true;
    notice.text = text;
    return notice;
}

void Append(std::vector<Notice>& to, const std::vector<Notice>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// What the file analysis tells for the list's lines, named in order; an empty name is a line
// the analysis refuses, which it passes over in silence.
std::vector<Notice> AnalysisNotices(const std::vector<std::string>& lineNames) {
    const auto count = static_cast<std::int32_t>(lineNames.size());
    std::vector<Notice> notices = {Note(VU_EVENT_ANALYSIS_BEGIN, count, 0)};
    for (std::int32_t number = 1; number <= count; ++number) {
        const std::string& name = lineNames[static_cast<std::size_t>(number - 1)];
        if (name.empty()) continue;
        for (const std::uint32_t kind : {VU_EVENT_ANALYSIS_LINE, VU_EVENT_ANALYSIS_LINE_AGAIN,
                                         VU_EVENT_ANALYSIS_DECIDED}) {
            notices.push_back(Note(kind, number, count, name));
        }
    }
    notices.push_back(Note(VU_EVENT_ANALYSIS_END, count, 0));
    return notices;
}

enum class Fetch { Transferred, FoundInCache };

// What the download stage tells, progress left out.
std::vector<Notice> DownloadNotices(const std::vector<std::string>& names, Fetch fetch) {
    const auto count = static_cast<std::int32_t>(names.size());
    std::vector<Notice> notices = {Note(VU_EVENT_DOWNLOAD_BEGIN, count, 0)};
    for (std::int32_t number = 1; number <= count; ++number) {
        const std::string& name = names[static_cast<std::size_t>(number - 1)];
        if (fetch == Fetch::Transferred) {
            notices.push_back(Note(VU_EVENT_DOWNLOAD_FILE, number, count, name));
        }
        notices.push_back(Note(VU_EVENT_DOWNLOAD_FILE_DONE, number, count, name));
    }
    notices.push_back(Note(VU_EVENT_DOWNLOAD_END, count, 0));
    return notices;
}

// The whole story of a download-only job whose list holds exactly the files, all needed.
std::vector<Notice> DownloadOnlyJobNotices(const std::vector<std::string>& names, Fetch fetch) {
    std::vector<Notice> notices = {Note(VU_EVENT_JOB_STARTED, 0, 0)};
    Append(notices, AnalysisNotices(names));
    Append(notices, DownloadNotices(names, fetch));
    notices.push_back(Note(VU_EVENT_JOB_ENDED, VU_RESULT_UPDATED,
                           static_cast<std::int32_t>(names.size()), ""));
    return notices;
}

std::vector<std::string> EntryNames(const std::vector<PackageFile>& files) {
    std::vector<std::string> names;
    for (const auto& file : files) names.push_back(file.entryName);
    return names;
}

std::vector<Notice> WithoutProgress(const std::vector<Notice>& notices) {
    std::vector<Notice> kept;
    for (const auto& notice : notices) {
        if (notice.kind != VU_EVENT_DOWNLOAD_PROGRESS) kept.push_back(notice);
    }
    return kept;
}

// The progress of a job that transferred every one of the named files, in order: each event
// lies between the start and the end of its file and names the file; the file's progress never
// goes down and ends at the whole, and the overall progress never goes down and ends each file
// at the share of the files done.
void ExpectProgressOfEachFile(const std::vector<Notice>& notices,
                              const std::vector<std::string>& names) {
    const double count = static_cast<double>(names.size());
    std::size_t done = 0;              // files whose transfer has ended
    const std::string* current = nullptr;  // the file in transfer
    std::int32_t fileProgress = -1;
    std::int32_t overallProgress = 0;
    for (const auto& notice : notices) {
        if (notice.kind == VU_EVENT_DOWNLOAD_FILE) {
            ASSERT_EQ(notice.code, done + 1) << "files transferred out of order";
            current = &names.at(done);
            fileProgress = -1;
        } else if (notice.kind == VU_EVENT_DOWNLOAD_FILE_DONE && current) {
            ++done;
            EXPECT_EQ(fileProgress, kWhole) << *current;
            EXPECT_EQ(overallProgress, std::lround(kWhole * static_cast<double>(done) / count))
                << *current;
            current = nullptr;
        } else if (notice.kind == VU_EVENT_DOWNLOAD_PROGRESS) {
            ASSERT_NE(current, nullptr) << "progress outside a file's transfer: "
                                        << ::testing::PrintToString(notice);
            const auto progress = static_cast<std::int32_t>(notice.code);
            EXPECT_EQ(notice.text, AfterLastBackslash(*current));
            EXPECT_GE(progress, fileProgress) << *current;
            EXPECT_LE(progress, kWhole) << *current;
            EXPECT_GE(notice.value, overallProgress) << *current;
            fileProgress = progress;
            overallProgress = notice.value;
        }
    }
    EXPECT_EQ(current, nullptr) << "a transfer without its end";
    EXPECT_EQ(done, names.size());
}

// Every file (not folder) below the folder, by its path relative to it.
std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> found;
    const std::filesystem::path root(platform::NativePath(folder));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        found.push_back(entry.path().lexically_relative(root).string());
    }
    return found;
}

class JobDownloadTest : public test::HostProgramTest {
protected:
    void SetUp() override {
        // Reports of the failures some jobs meet on their way go to the test server.
        test::SetReportUrlForChildren(server_.Url(reportPath_));
    }
    void TearDown() override { test::SetReportUrlForChildren(""); }

    // Writes the files into a new folder of the server root, and a package list "list.txt" of
    // the lines beside them; returns the folder.
    std::string Publish(const std::vector<PackageFile>& files,
                        const std::vector<std::string>& lines) const {
        const std::string folder = TestServer::UniqueName("package");
        for (const auto& file : files) {
            server_.WriteFile(folder + "/" + file.ServedName(), file.bytes);
        }
        std::string list;
        for (const auto& line : lines) list += line + "\r\n";
        server_.WriteFile(folder + "/list.txt", list);
        return folder;
    }
    std::string Publish(const std::vector<PackageFile>& files) const {
        return Publish(files, ListLines(files));
    }

    // Runs a download-only job for each list URL, one after the other, with contexts 1, 2, ...
    HostRun RunJobs(const std::vector<std::string>& listUrls, const std::string& moreKeys = "") {
        const std::string keys = "flags=" + std::to_string(VU_FLAG_DOWNLOAD_ONLY) + " " + moreKeys;
        std::string script;
        for (std::size_t i = 0; i < listUrls.size(); ++i) {
            script += "start url=" + listUrls[i] + " context=" + std::to_string(i + 1) + " " +
                      keys + "\nwait-ends " + std::to_string(i + 1) + "\n";
        }
        return RunScript(script);
    }

    std::string CachePath(const PackageFile& file, const std::string& workFolder) const {
        return workFolder + kCacheFolder + file.entryName + ".temp";
    }
    std::string CachePath(const PackageFile& file) const { return CachePath(file, WorkFolder()); }

    // The requests for a file: those that carry its digest.
    std::vector<LoggedRequest> RequestsFor(const PackageFile& file) const {
        return server_.Log("md5=" + file.digest);
    }

    const TestServer& server_ = TestServer::Instance();
    const std::string reportPath_ = "/" + TestServer::UniqueName("reports") + "/report3.php";
};

// Three files: one in the working folder itself, one in a subfolder and one whose name needs
// percent-encoding in its address, with the form the address takes.
struct ListedFile {
    const char* entryName;
    std::size_t size;
    const char* addressName;
};
constexpr ListedFile kThreeFiles[] = {
    {"base.bin", 150000, "base.bin"},
    {"maps\\area.bin", 400000, "maps/area.bin"},
    {"read me.txt", 3000, "read%20me.txt"},
};

std::vector<PackageFile> ThreeFiles() {
    std::vector<PackageFile> files;
    for (const auto& listed : kThreeFiles) files.emplace_back(listed.entryName, listed.size);
    return files;
}

TEST_F(JobDownloadTest, DownloadOnlyJobFetchesEveryListedFileIntoTheCacheAndTellsEachStep) {
    const std::vector<PackageFile> files = ThreeFiles();
    const std::string folder = Publish(files);
    const HostRun run = RunJobs({server_.Url("/" + folder + "/list.txt")});
    ASSERT_EQ(run.exitCode, 0) << (run.lines.empty() ? "" : run.lines.back());

    const auto notices = Notices(run, 1);
    EXPECT_EQ(WithoutProgress(notices),
              DownloadOnlyJobNotices(EntryNames(files), Fetch::Transferred));
    ExpectProgressOfEachFile(notices, EntryNames(files));
    for (const auto& notice : notices) EXPECT_TRUE(notice.onLoadingThread);

    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i].entryName);
        EXPECT_TRUE(test::ReadFileBytes(CachePath(files[i])) == files[i].bytes);
        const auto requests = RequestsFor(files[i]);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].path, "/" + folder + "/" + kThreeFiles[i].addressName +
                                        "?md5=" + files[i].digest);
        EXPECT_FALSE(requests[0].HasHeader("Range"));
    }
    // The package list asked for with an id that keeps caches on the way from answering.
    const auto listRequests = server_.Log("/" + folder + "/list.txt");
    ASSERT_EQ(listRequests.size(), 1u);
    EXPECT_EQ(listRequests[0].path.rfind("/" + folder + "/list.txt?id=", 0), 0u)
        << listRequests[0].path;
}

TEST_F(JobDownloadTest, SecondRunFindsTheFilesInTheCacheAndFetchesNothing) {
    const std::vector<PackageFile> files = ThreeFiles();
    const std::string listUrl = server_.Url("/" + Publish(files) + "/list.txt");
    const HostRun run = RunJobs({listUrl, listUrl});
    ASSERT_EQ(run.exitCode, 0) << (run.lines.empty() ? "" : run.lines.back());

    EXPECT_EQ(WithoutProgress(Notices(run, 1)),
              DownloadOnlyJobNotices(EntryNames(files), Fetch::Transferred));
    EXPECT_EQ(Notices(run, 2), DownloadOnlyJobNotices(EntryNames(files), Fetch::FoundInCache));
    for (const auto& file : files) {
        SCOPED_TRACE(file.entryName);
        EXPECT_EQ(RequestsFor(file).size(), 1u);
        EXPECT_TRUE(test::ReadFileBytes(CachePath(file)) == file.bytes);
    }
}

TEST_F(JobDownloadTest, FilesAlreadyInPlaceLeaveNothingToUpdate) {
    const std::vector<PackageFile> files = ThreeFiles();
    const std::string folder = Publish(files);
    ASSERT_TRUE(platform::MakeFolders(WorkFolder() + "maps"));
    for (const auto& file : files) test::WriteFileBytes(WorkFolder() + file.entryName, file.bytes);

    const HostRun run = RunJobs({server_.Url("/" + folder + "/list.txt")});
    ASSERT_EQ(run.exitCode, 0) << (run.lines.empty() ? "" : run.lines.back());
    std::vector<Notice> expected = {Note(VU_EVENT_JOB_STARTED, 0, 0)};
    Append(expected, AnalysisNotices(EntryNames(files)));
    expected.push_back(Note(VU_EVENT_JOB_ENDED, VU_RESULT_NOTHING_TO_UPDATE, 0, ""));
    EXPECT_EQ(Notices(run, 1), expected);
    for (const auto& file : files) EXPECT_TRUE(RequestsFor(file).empty()) << file.entryName;
}

// A download that an earlier job left unfinished: its temporary file and its range record.
struct ResumeCase {
    const char* name;
    const char* faults;            // a fault prefix of the package folder's path, or ""
    std::size_t servedPrefix;      // the temporary file starts with this much of the file
    std::size_t junk;              // then holds this many bytes that are not the file's
    const char* rangeRecord;       // the keys of the file's range section; null: no section
    const char* expectedRange;     // the Range header of the request; null: none
};

constexpr ResumeCase kResumeCases[] = {
    {"resumes at the recorded start", "", 1000, 4000,
     "StartRange=1000\r\nPreStartRange=5000\r\n", "bytes=1000-"},
    // Several progress events, the first well above nothing.
    {"resumes with the rest arriving slowly", "fault/slow=16384:20/", 150000, 0,
     "StartRange=150000\r\nPreStartRange=150000\r\n", "bytes=150000-"},
    {"resumes at the end of the temporary file", "", 5000, 0,
     "StartRange=5000\r\nPreStartRange=5000\r\n", "bytes=5000-"},
    {"start beyond the temporary file", "", 0, 5000,
     "StartRange=9000\r\nPreStartRange=9000\r\n", nullptr},
    {"negative start", "", 0, 5000, "StartRange=-1\r\nPreStartRange=5000\r\n", nullptr},
    {"no range record", "", 0, 5000, nullptr, nullptr},
    // The whole file comes back instead of the range: it is written from the start.
    {"server ignores the range", "fault/norange=1/", 0, 5000,
     "StartRange=1000\r\nPreStartRange=5000\r\n", "bytes=1000-"},
};

TEST_F(JobDownloadTest, UnfinishedDownloadResumesWhereTheRangeRecordSaysOrStartsAgain) {
    std::vector<PackageFile> files;
    std::vector<std::string> listUrls;
    std::string rangeLog;
    ASSERT_TRUE(platform::MakeFolders(WorkFolder() + kCacheFolder));
    for (const auto& c : kResumeCases) {
        // No blank in the name: past a "=" in the folder, the address is encoded as a query.
        files.emplace_back(TestServer::UniqueName("resume") + ".bin", 300000);
        const PackageFile& file = files.back();
        listUrls.push_back(
            server_.Url("/" + std::string(c.faults) + Publish({file}) + "/list.txt"));
        test::WriteFileBytes(CachePath(file),
                             file.bytes.substr(0, c.servedPrefix) + std::string(c.junk, 'x'));
        if (c.rangeRecord) rangeLog += "[" + file.digest + "]\r\n" + c.rangeRecord;
    }
    test::WriteFileBytes(WorkFolder() + "range.log", rangeLog);

    const HostRun run = RunJobs(listUrls);
    ASSERT_EQ(run.exitCode, 0) << (run.lines.empty() ? "" : run.lines.back());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const ResumeCase& c = kResumeCases[i];
        const PackageFile& file = files[i];
        SCOPED_TRACE(c.name);
        const auto notices = Notices(run, static_cast<int>(i + 1));
        EXPECT_EQ(WithoutProgress(notices),
                  DownloadOnlyJobNotices({file.entryName}, Fetch::Transferred));
        ExpectProgressOfEachFile(notices, {file.entryName});
        EXPECT_TRUE(test::ReadFileBytes(CachePath(file)) == file.bytes);
        const auto requests = RequestsFor(file);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].HasHeader("Range"), c.expectedRange != nullptr);
        EXPECT_EQ(requests[0].Header("Range"), c.expectedRange ? c.expectedRange : "");
    }
}

TEST_F(JobDownloadTest, JobRecordsAreOnDiskWhenTheJobHasEnded) {
    // Files in place are recorded with their digests by the analysis; a resumed file that is
    // complete leaves no range record. The host exits right after the job's end.
    const std::vector<PackageFile> inPlace = ThreeFiles();
    ASSERT_TRUE(platform::MakeFolders(WorkFolder() + "maps"));
    for (const auto& file : inPlace) {
        test::WriteFileBytes(WorkFolder() + file.entryName, file.bytes);
    }
    const PackageFile resumed("resumed.bin", 300000);
    ASSERT_TRUE(platform::MakeFolders(WorkFolder() + kCacheFolder));
    test::WriteFileBytes(CachePath(resumed), resumed.bytes.substr(0, 1000));
    test::WriteFileBytes(WorkFolder() + "range.log",
                         "[" + resumed.digest + "]\r\nStartRange=1000\r\nPreStartRange=1000\r\n");
    std::vector<PackageFile> files = inPlace;
    files.push_back(resumed);
    const std::string folder = Publish(files);

    const HostRun run = RunJobs({server_.Url("/" + folder + "/list.txt")});
    ASSERT_EQ(run.exitCode, 0) << (run.lines.empty() ? "" : run.lines.back());
    const auto notices = Notices(run, 1);
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.back(), Note(VU_EVENT_JOB_ENDED, VU_RESULT_UPDATED, 1, ""));
    EXPECT_TRUE(test::ReadFileBytes(CachePath(resumed)) == resumed.bytes);

    const std::string fileRecord = test::ReadFileBytes(WorkFolder() + "flist.txt");
    for (const auto& file : inPlace) {
        EXPECT_NE(fileRecord.find(file.entryName + "=" + file.digest), std::string::npos)
            << file.entryName << " in\n" << fileRecord;
    }
    const std::string rangeRecord = test::ReadFileBytes(WorkFolder() + "range.log");
    EXPECT_EQ(rangeRecord.find(resumed.digest), std::string::npos) << rangeRecord;
}

TEST_F(JobDownloadTest, RedirectedListMovesTheDownloadsToTheFolderItWasFoundIn) {
    const std::vector<PackageFile> files = {PackageFile("one.bin", 20000),
                                            PackageFile("two\\two.bin", 30000)};
    const std::string folder = Publish(files);
    // Asked for on the main port, the list is served from the second one.
    const HostRun run = RunJobs({server_.Url("/redirect-port/" + folder + "/list.txt")});
    ASSERT_EQ(run.exitCode, 0) << (run.lines.empty() ? "" : run.lines.back());
    EXPECT_EQ(WithoutProgress(Notices(run, 1)),
              DownloadOnlyJobNotices(EntryNames(files), Fetch::Transferred));
    for (const auto& file : files) {
        SCOPED_TRACE(file.entryName);
        EXPECT_TRUE(test::ReadFileBytes(CachePath(file)) == file.bytes);
        const auto requests = RequestsFor(file);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].path, "/" + folder + "/" + file.ServedName() + "?md5=" + file.digest);
        EXPECT_EQ(requests[0].Header("Host"), "127.0.0.1:" + std::to_string(server_.SecondPort()));
    }
}

TEST_F(JobDownloadTest, FileMissingFromTheRedirectedFolderIsRetriedFromTheListsOwnFolder) {
    // The list's own folder is the server root; it redirects to a package folder that lacks
    // the file, which only the root has.
    const PackageFile file(TestServer::UniqueName("root-only") + ".bin", 20000);
    server_.WriteFile(file.ServedName(), file.bytes);
    const std::string folder = Publish({}, {file.ListLine()});
    const HostRun run =
        RunJobs({server_.Url("/redirect-to?location=%2F" + folder + "%2Flist.txt")});
    ASSERT_EQ(run.exitCode, 0) << (run.lines.empty() ? "" : run.lines.back());
    EXPECT_EQ(WithoutProgress(Notices(run, 1)),
              DownloadOnlyJobNotices({file.entryName}, Fetch::Transferred));
    EXPECT_TRUE(test::ReadFileBytes(CachePath(file)) == file.bytes);
    const auto requests = RequestsFor(file);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].path, "/" + folder + "/" + file.ServedName() + "?md5=" + file.digest);
    EXPECT_EQ(requests[1].path, "/" + file.ServedName() + "?md5=" + file.digest);
}

// The server's accepted range of installed versions, and a host's version against it.
struct VersionCase {
    const char* name;
    const char* version;
    const char* versionBegin;
    const char* versionVal;
    std::int32_t checkCode;  // 0: in range
};

constexpr VersionCase kVersionCases[] = {
    {"inside", "1.0.3", "1.0.2", "1.0.5", 0},
    {"at the lower bound", "1.0.2", "1.0.2", "1.0.5", 0},
    {"at the upper bound", "1.0.5", "1.0.2", "1.0.5", 0},
    {"letters compare without case", "V1.0.3", "v1.0.2", "v1.0.5", 0},
    {"below", "1.0.1", "1.0.2", "1.0.5", 1},
    {"above", "1.0.6", "1.0.2", "1.0.5", 2},
    // Text, not numbers: "1.0.10" sorts before "1.0.2".
    {"compared as text", "1.0.10", "1.0.2", "1.0.5", 1},
};

TEST_F(JobDownloadTest, ServerVersionCheckLetsOnlyVersionsInTheServersRangeThrough) {
    for (const auto& c : kVersionCases) {
        SCOPED_TRACE(c.name);
        const std::string folder = Publish({}, {});
        server_.WriteFile(folder + "/vuver.dat", std::string("[Info]\r\nVersionBegin=") +
                                                     c.versionBegin + "\r\nVersionVal=" +
                                                     c.versionVal + "\r\n");
        // A version list left by an earlier fetch is replaced by the check's download.
        test::WriteFileBytes(WorkFolder() + "vlt.tmp", "[Info]\r\nVersionBegin=0\r\n");
        const HostRun run = RunJobs({server_.Url("/" + folder + "/list.txt")},
                                    std::string("versioncheck=15 version=") + c.version);
        ASSERT_EQ(run.exitCode, 0) << (run.lines.empty() ? "" : run.lines.back());

        std::vector<Notice> expected = {Note(VU_EVENT_JOB_STARTED, 0, 0)};
        if (c.checkCode == 0) {
            expected.push_back(Note(VU_EVENT_VERSION_IN_RANGE, 0, 0, ""));
            Append(expected, AnalysisNotices({}));
            expected.push_back(Note(VU_EVENT_JOB_ENDED, VU_RESULT_NOTHING_TO_UPDATE, 0, ""));
        } else {
            expected.push_back(Note(VU_EVENT_JOB_ENDED, VU_RESULT_VERSION_NOT_RIGHT, c.checkCode,
                                    "Version not Right"));
        }
        EXPECT_EQ(Notices(run, 1), expected);
        EXPECT_FALSE(platform::FileExists(WorkFolder() + "vlt.tmp"));
        const auto checks = server_.Log("/" + folder + "/vuver.dat");
        ASSERT_EQ(checks.size(), 1u);
        EXPECT_EQ(checks[0].path.rfind("/" + folder + "/vuver.dat?id=", 0), 0u) << checks[0].path;
        // A host outside the range never gets as far as the package list.
        EXPECT_EQ(server_.Log("/" + folder + "/list.txt").size(), c.checkCode == 0 ? 1u : 0u);
    }
}

TEST_F(JobDownloadTest, UnsafeEntryNamesAreRefusedAndLoggedWhileTheOtherFilesDownload) {
    const std::string tag = TestServer::UniqueName("evil");
    const std::vector<PackageFile> unsafe = {
        PackageFile("..\\" + tag + ".dll", 100),
        PackageFile("sub\\..\\..\\" + tag + "-2.dll", 100),
        PackageFile("CON.txt", 100),
        PackageFile("\\" + tag + "-3.dll", 100),
    };
    const PackageFile good("good.bin", 5000);
    std::vector<std::string> lines = ListLines(unsafe);
    lines.push_back(good.ListLine());
    const std::string folder = Publish({good}, lines);

    // The job works in a subfolder of the test's folder, so that a name leading one level out
    // still lands inside the test's folder, where it can be seen.
    const std::string workFolder = WorkFolder() + "job\\";
    const HostRun run = RunJobs({server_.Url("/" + folder + "/list.txt") + "#job"});
    ASSERT_EQ(run.exitCode, 0) << (run.lines.empty() ? "" : run.lines.back());

    std::vector<std::string> lineNames(unsafe.size());
    lineNames.push_back(good.entryName);
    std::vector<Notice> expected = {Note(VU_EVENT_JOB_STARTED, 0, 0)};
    Append(expected, AnalysisNotices(lineNames));
    Append(expected, DownloadNotices({good.entryName}, Fetch::Transferred));
    expected.push_back(Note(VU_EVENT_JOB_ENDED, VU_RESULT_UPDATED, 1, ""));
    EXPECT_EQ(WithoutProgress(Notices(run, 1)), expected);
    EXPECT_TRUE(test::ReadFileBytes(CachePath(good, workFolder)) == good.bytes);

    // Nothing was written for the refused names, inside the working folder or out of it.
    for (const auto& path : FilesBelow(WorkFolder())) {
        EXPECT_EQ(path.find(tag), std::string::npos) << path;
        EXPECT_NE(LowerCase(std::filesystem::path(path).filename().string()).rfind("con.", 0), 0u)
            << path;
    }
    const std::string jobLog = test::ReadFileBytes(workFolder + "freshline.log");
    // The refusals are errors too: the job's error report carries them.
    const auto uploads = server_.Uploads(reportPath_);
    ASSERT_EQ(uploads.size(), 1u);
    ASSERT_FALSE(uploads[0].parts.empty());
    const std::string& report = uploads[0].parts[0].data;
    for (const auto& file : unsafe) {
        SCOPED_TRACE(file.entryName);
        EXPECT_TRUE(RequestsFor(file).empty());
        EXPECT_NE(jobLog.find(file.entryName + "\t" + file.digest), std::string::npos) << jobLog;
        EXPECT_NE(report.find(file.entryName + "\t" + file.digest), std::string::npos) << report;
    }
}

}  // namespace
}  // namespace vu
