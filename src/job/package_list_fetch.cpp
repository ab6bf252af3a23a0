// The first stages of a job: the records opened and the download base set, then the package
// list fetched, with a redirect moving the download base along.

#include "job/download_thread.h"

#include <algorithm>

#include "host/work_paths.h"
#include "job/error_update.h"
#include "job/job_files.h"
#include "platform/file_system.h"
#include "support/diagnostic_log.h"
#include "support/fixed_text.h"
#include "support/path_helpers.h"
#include "support/pseudo_random.h"
#include "support/url_helpers.h"
#include "transfer/log_text.h"

namespace vu {

namespace {

constexpr std::int32_t kListRequestIdBound = 10000000;
constexpr std::int32_t kDefaultPort = 80;
constexpr char kListFetchLabel[] = "[GetPlist Err]";
constexpr char kListFailedMessage[] = "Download List Fail";

}  // namespace

void TDownloadThread::PrepareJob() {
    const std::string workDir = WorkDir();
    FileListIni = std::make_unique<TNEIniFile>(workDir + kFileRecordName);
    InstallLogIni = std::make_unique<TNEIniFile>(workDir + kRunRecordName);
    RangeIni = std::make_unique<TNEIniFile>(workDir + kRangeRecordName);
    platform::RemoveFile(workDir + kPatchEngineLogName);

    FDownloadUrl = ExtractUrlPath(BackslashToSlash(FixedFieldText(Request().ListUrl)));
    FallbackDownloadUrl = FDownloadUrl;
    Port = PortOfUrl(FDownloadUrl, kDefaultPort);
    RetryPort = Port;
}

bool TDownloadThread::FetchPackageList() {
    const std::string listUrl = FixedFieldText(Request().ListUrl);
    // The id keeps caches between the host and the server from answering with an old list; a
    // URL with a query of its own is left as it is. The id goes before a "#" (the working
    // subfolder), which the request leaves out.
    std::string address = listUrl;
    if (listUrl.find('?') == std::string::npos) {
        address.insert(std::min(listUrl.find('#'), listUrl.size()),
                       "?id=" + std::to_string(PseudoRandomBelow(kListRequestIdBound)));
    }
    WriteDiagnosticLog("[ListUrl]" + address, false);

    SetTransferEvents([this](const std::string& location) { OnListRedirect(location); }, nullptr);
    SetErrorCode(status::kListFailed);
    bool fetched = false;
    std::string text;
    HttpGetText(address, address, kListFetchLabel, fetched, text);
    PackageList = SplitLines(text);
    if (!fetched) throw ErrorUpdate(kListFailedMessage, status::kListFailed);
    return false;
}

void TDownloadThread::OnListRedirect(const std::string& location) {
    FDownloadUrl = ExtractUrlPath(BackslashToSlash(location));
    Port = PortOfUrl(location, kDefaultPort);
    WriteDiagnosticLog("[Redirect URL]" + location, false);
    WriteDiagnosticLog("[New FDownloadUrl]" + FDownloadUrl, false);
}

}  // namespace vu
