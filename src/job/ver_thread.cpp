#include "job/ver_thread.h"

#include <exception>

#include "host/dll_main_form.h"
#include "host/work_paths.h"
#include "job/error_update.h"
#include "job/job_files.h"
#include "job/version_catalogue.h"
#include "job/version_file_fetch.h"
#include "platform/file_system.h"
#include "support/diagnostic_log.h"
#include "support/fixed_text.h"
#include "support/path_helpers.h"
#include "support/url_helpers.h"
#include "transfer/log_text.h"

namespace vu {

namespace {

constexpr char kSaveFailedMessage[] = "Version cannot Save";
constexpr char kSaveErrorPrefix[] = "Save VerList error: ";

}  // namespace

void TVerThread::Execute() {
    StatusCode code = status::kNothingToUpdate;
    std::string text;
    try {
        text = FetchAndSave();
    } catch (const ErrorUpdate& error) {
        code = error.Code;
        text = error.what();
        AddErrorLine(text, code);
    } catch (const std::exception& error) {
        code = status::kFailed;
        text = error.what();
    } catch (...) {
        code = status::kFailed;
        text = "Unknown exception";
    }
    // The error lines go with the worker: only the job log is kept.
    try {
        SaveJobLog(WorkDir() + kJobLogName);
    } catch (...) {
    }
    Notify(status::kVersionListEnded, code, 0, text.c_str());
    SendEndMessage(kVersionListEndedMessage, code);
}

std::string TVerThread::FetchAndSave() {
    const std::string listUrl = FixedFieldText(Request().ListUrl);
    Port = PortOfUrl(ExtractUrlPath(BackslashToSlash(listUrl)), 80);
    RetryPort = Port;

    const std::string workDir = WorkDir();
    const std::string target = workDir + kVersionListFileName;
    platform::MakeFolders(workDir);

    const std::string text = FetchVersionFile(*this, VersionFileAddress(listUrl));
    SetErrorCode(status::kVersionListNotSaved);
    SaveList(text, target);
    return target;
}

void TVerThread::SaveList(const std::string& text, const std::string& target) {
    try {
        SaveVersionList(target, JoinLines(SplitLines(text)));
    } catch (const std::exception& error) {
        const std::string line = kSaveErrorPrefix + std::string(error.what());
        AddJobLogLine(line);
        try {
            WriteDiagnosticLog(line, true);
        } catch (...) {
            // A diagnostic log that cannot be written does not change the outcome.
        }
        AddCurrentErrorLine(line + " File: " + target);
        throw ErrorUpdate(kSaveFailedMessage, status::kVersionListNotSaved);
    }
}

}  // namespace vu
