#include "job/download_thread.h"

#include <exception>

#include "host/dll_main_form.h"
#include "host/work_paths.h"
#include "job/error_update.h"
#include "job/job_files.h"
#include "support/diagnostic_log.h"
#include "support/fixed_text.h"
#include "support/value_helpers.h"
#include "transfer/report_endpoint.h"

namespace vu {

namespace {

constexpr char kReportProductName[] = "RaVuviraZu";
constexpr char kReportVersion[] = "1.1.3.60";

// A stage that is not part of this build ends the job with a failure instead of pretending
// to have run.
[[noreturn]] void StageUnavailable(const char* stage) {
    throw ErrorUpdate(std::string("Not available in this build: ") + stage, status::kFailed);
}

}  // namespace

bool SwitchIsOn(std::uint16_t value) {
    return (value & 0xF) == 0xF;
}

TDownloadThread::TDownloadThread(HttpClientFactory clientFactory)
    : TSynDownloadThread(std::move(clientFactory)) {}

TDownloadThread::~TDownloadThread() {
    WaitFor();
}

void TDownloadThread::HandOverRequest(const UpdateRequest& request) {
    TakeRequest(request);
    ApplyWorkSubDir(Request());
    DownloadOnly = (static_cast<std::uint32_t>(Request().Flags) & VU_FLAG_DOWNLOAD_ONLY) != 0;
}

void TDownloadThread::RequestStop(bool detach) noexcept {
    StopRequested.exchange(1);
    if (detach) DetachCallback();
    AbortTransfers();
}

void TDownloadThread::CheckStop(StatusCode code) {
    if (StopIsRequested()) throw ErrorUpdate(message::kUpdateInterrupted, code);
}

void TDownloadThread::Execute() {
    if (Terminated()) return;
    std::int32_t checkCode = 0;
    JobRunning.store(true);
    StatusCode result = status::kNothingToUpdate;
    std::string message;
    try {
        Notify(status::kJobStarted, 0, 0, nullptr);
        DeleteLogFile(WorkDir() + kErrorLogName);
        WriteErrorLogHeader(FixedFieldText(Request().ProductName),
                            FixedFieldText(Request().Version));
        WriteDiagnosticLog("Start...", false);

        PrepareJob();
        if (SwitchIsOn(Request().VersionCheck)) CheckServerVersion(checkCode);
        CheckStop(SelectValue(FetchPackageList(), status::kInterrupted11, status::kInterrupted10));
        CheckStop(SelectValue(AnalyseFiles(), status::kInterrupted10, status::kInterrupted11));
        const bool downloaded = DownloadFiles();
        if (!DownloadOnly) {
            CheckStop(SelectValue(downloaded, status::kInterrupted12, status::kInterrupted10));
            CheckStop(SelectValue(RunDownloadedPrograms(), status::kInterrupted14,
                                  status::kInterrupted12));
            CheckStop(SelectValue(ApplyDiffPatches(), status::kInterrupted1F,
                                  status::kInterrupted14));
            RunPackageInstaller();
            DeleteKeptArchives();
            FinalCleanup();
        }
    } catch (const ErrorUpdate& error) {
        result = error.Code;
        message = error.what();
        AddErrorLine(message, error.Code);
    } catch (const std::exception& error) {
        result = status::kFailed;
        message = error.what();
        AddCurrentErrorLine(message);
    } catch (...) {
        // Not a failure the stages describe, but a failure all the same: never reported as
        // success.
        result = status::kFailed;
        message = "Unknown exception";
        AddCurrentErrorLine(message);
    }

    FlushRecords();
    try {
        SaveLogsAndReport();
    } catch (...) {
    }
    JobRunning.store(false);

    if (result == status::kNothingToUpdate && !NeedList.empty()) {
        Notify(status::kJobEnded, status::kUpdated, static_cast<std::int32_t>(NeedList.size()),
               message.c_str());
    } else {
        Notify(status::kJobEnded, result, checkCode, message.c_str());
    }
    SendEndMessage(kJobEndedMessage, 0);
}

void TDownloadThread::FlushRecords() noexcept {
    // Record writes close together are saved together; whatever waits is saved before the host
    // hears the job has ended, as it may exit then without unloading the library.
    for (TNEIniFile* const record : {FileListIni.get(), InstallLogIni.get(), RangeIni.get()}) {
        if (record == nullptr) continue;
        try {
            record->UpdateFile();
        } catch (...) {
            // A record that cannot be saved is decided again by the next job.
        }
    }
}

void TDownloadThread::SaveLogsAndReport() {
    const std::string workDir = WorkDir();
    SaveJobLog(workDir + kJobLogName);
    SaveErrorLog(workDir + kErrorLogName);
    UploadErrorLog(workDir + kErrorLogName, kReportProductName, ReportEndpointUrl(),
                   kReportVersion, std::to_string(Request().Flags));
    DeleteLogFile(workDir + kErrorLogName);
}

bool TDownloadThread::PlaceFiles() { StageUnavailable("placing of downloaded files"); }
bool TDownloadThread::RunDownloadedPrograms() { StageUnavailable("program run"); }
bool TDownloadThread::ApplyDiffPatches() { StageUnavailable("differential patching"); }
void TDownloadThread::RunPackageInstaller() { StageUnavailable("package installer"); }
void TDownloadThread::DeleteKeptArchives() { StageUnavailable("archive clean-up"); }
void TDownloadThread::FinalCleanup() { StageUnavailable("cache clean-up"); }

}  // namespace vu
