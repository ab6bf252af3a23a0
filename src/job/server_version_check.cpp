// The server version check: refuses a host whose installed version lies outside the range of
// versions the server's update accepts.

#include "job/download_thread.h"

#include "host/work_paths.h"
#include "job/error_update.h"
#include "job/job_files.h"
#include "job/version_file_fetch.h"
#include "platform/file_system.h"
#include "support/file_helpers.h"
#include "support/fixed_text.h"
#include "support/text_compare.h"
#include "support/url_helpers.h"
#include "transfer/log_text.h"

namespace vu {

namespace {

constexpr char kOutOfRangeMessage[] = "Version not Right";
constexpr std::int32_t kBelowRange = 1;
constexpr std::int32_t kAboveRange = 2;

}  // namespace

void TDownloadThread::CheckServerVersion(std::int32_t& checkCode) {
    checkCode = 0;
    const std::string text = FetchVersionFile(
        *this, VersionFileAddress(MakeUrlFolder(FDownloadUrl) + kServerVersionFileName));
    const std::string target = WorkDir() + kVersionListFileName;
    ClearReadOnly(target);
    ReplaceLogFile(target, JoinLines(SplitLines(text)));
    SetErrorCode(status::kVersionNotRight);
    std::string versionBegin;
    std::string versionVal;
    {
        TNEIniFile versionFile(target);
        versionBegin = versionFile.ReadString("Info", "VersionBegin", "");
        versionVal = versionFile.ReadString("Info", "VersionVal", "");
    }
    // Versions compare as text only, never as numbers.
    const std::string local = FixedFieldText(Request().Version);
    if (CompareText(local, versionBegin) < 0) {
        checkCode = kBelowRange;
    } else if (CompareText(versionVal, local) < 0) {
        checkCode = kAboveRange;
    }
    platform::RemoveFile(target);

    if (checkCode != 0) throw ErrorUpdate(kOutOfRangeMessage, status::kVersionNotRight);
    Notify(status::kVersionInRange, 0, 0, "");
}

}  // namespace vu
