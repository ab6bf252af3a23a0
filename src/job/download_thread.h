#pragma once
// The update job: one run of a fixed sequence of stages on a thread of its own, told to the host
// through notifications and ended with one final notification.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/syn_download_thread.h"
#include "job/file_info.h"
#include "job/job_clock.h"
#include "job/status_codes.h"
#include "platform/file.h"
#include "support/ini_file_ex.h"

namespace vu {

class TDownloadThread : public TSynDownloadThread {
public:
    explicit TDownloadThread(HttpClientFactory clientFactory = {});
    ~TDownloadThread() override;

    // Before the thread starts, on the caller's thread: copies the record, applies the working
    // subfolder its ListUrl names and takes DownloadOnly from its Flags.
    void HandOverRequest(const UpdateRequest& request);

    // From any thread, without waiting: the job stops at its next stop check, its transfers
    // make no further attempt and the one in progress is broken off; with detach the host
    // hears nothing more from it.
    void RequestStop(bool detach) noexcept;

    // Before the thread starts: the clock of the speed measurement and the limiter.
    void SetClock(JobClock clock) { Clock = std::move(clock); }

    bool IsJobRunning() const noexcept { return JobRunning.load(); }
    bool IsDownloadOnly() const noexcept { return DownloadOnly; }

protected:
    void Execute() override;

    // Raises ErrorUpdate(code, "更新中断！") once a stop was requested.
    void CheckStop(StatusCode code);
    bool StopIsRequested() const noexcept { return StopRequested.load() != 0; }

    // The stages, in the order Execute runs them. Each is one call in one place.
    virtual void PrepareJob();
    virtual void CheckServerVersion(std::int32_t& checkCode);
    virtual bool FetchPackageList();
    virtual bool AnalyseFiles();
    virtual bool DownloadFiles();
    virtual bool PlaceFiles();
    virtual bool RunDownloadedPrograms();
    virtual bool ApplyDiffPatches();
    virtual void RunPackageInstaller();
    virtual void DeleteKeptArchives();
    virtual void FinalCleanup();

    // The end of every job: logs saved, the error report sent when it holds an error.
    virtual void SaveLogsAndReport();

    // The redirect handler of the package list fetch: the download base follows the list.
    void OnListRedirect(const std::string& location);
    // The work handler of file transfers: progress, the range record, speed and the limiter.
    void OnDownloadProgress(std::int64_t workCount, std::int64_t contentLength);

    std::vector<std::string> PackageList;
    std::vector<std::string> RunList;
    std::vector<std::string> KeptArchives;
    std::unique_ptr<TNEIniFile> FileListIni;
    std::unique_ptr<TNEIniFile> InstallLogIni;
    std::unique_ptr<TNEIniFile> RangeIni;
    std::vector<std::unique_ptr<TFileInfo>> NeedList;
    std::atomic<bool> JobRunning{false};
    std::string FDownloadUrl;
    std::string FallbackDownloadUrl;
    std::int32_t CurrentIndex = 0;
    std::string CurrentFileName;
    std::uint32_t DownloadStartTick = 0;
    std::atomic<std::int32_t> StopRequested{0};
    bool DownloadOnly = false;
    JobClock Clock;

private:
    // Saves the record writes still waiting, so that they are on disk when the job has ended.
    void FlushRecords() noexcept;
    // The file analysis of one listed entry: true when it needs work.
    bool IsNeeded(const std::string& entryName, const std::string& localName,
                  const std::string& digest, std::int64_t size, const std::string& workDir);
    // Logs and reports a package list line that is never acted on.
    void RejectListLine(const std::string& reason, const std::string& line);
    // Opens the entry's temporary file and returns where its transfer starts.
    platform::File OpenTempFile(const TFileInfo& entry, const std::string& tempPath,
                                std::int64_t& startPosition);
    void EraseRangeSection(const std::string& digest, bool alsoDiagnosticLog);
    // The speed limiter: pauses while the current transfer's average rate is above the limit.
    void HoldToSpeedLimit(std::int64_t workCount);
};

// The request's switches: a stage runs when the low four bits of its field are all set.
bool SwitchIsOn(std::uint16_t value);

// True when a file exists at path and its MD5 is the digest (hexadecimal, either case); a file
// that exists but cannot be read raises.
bool IsAlreadyDownloaded(const std::string& path, const std::string& digest);

}  // namespace vu
