// The worker's log files: the error log header, saving the job and error logs at the worker's
// end, deleting and rolling log files.

#include <cstdint>
#include <mutex>

#include "platform/date_time.h"
#include "platform/file_system.h"
#include "support/file_helpers.h"
#include "transfer/custom_download_thread.h"
#include "transfer/log_text.h"

namespace vu {
namespace {

// A file between these sizes (both exclusive) is copied aside to its name + ".bk" and started
// afresh; a larger one is left to grow.
constexpr std::int64_t kRollLowerBound = 5'242'880;
constexpr std::int64_t kRollUpperBound = 10'485'760;

constexpr char kHeaderRule[] = "#########################################";

// A job and a version-list worker may end together and save the same files: their saves of one
// file must not interleave.
std::mutex& LogFileLock() {
    static std::mutex lock;
    return lock;
}

// Copies the file aside when its size is in the roll window. True only when the copy is really
// there: a failed copy must not cost the old content.
bool BackedUpForRoll(const std::string& path) {
    if (!BackupIfInSizeRange(path, kRollLowerBound, kRollUpperBound)) return false;
    const std::int64_t size = FileSizeOf(path);
    return size >= 0 && FileSizeOf(path + ".bk") == size;
}

// Writes the lines after the file's own lines, or alone when `replace` or no file exists.
void SaveLines(const std::string& path, const std::vector<std::string>& lines, bool replace) {
    std::vector<std::string> content;
    if (!replace && platform::FileExists(path)) content = SplitLines(ReadLogFile(path));
    content.insert(content.end(), lines.begin(), lines.end());
    ReplaceLogFile(path, JoinLines(content));
}

}  // namespace

void TCustomDownloadThread::WriteErrorLogHeader(const std::string& productName,
                                                const std::string& productVersion) {
    AddErrorLogLine(kHeaderRule, kErrorLogHeaderLine);
    AddErrorLogLine("Name:" + productName, kErrorLogHeaderLine);
    AddErrorLogLine("Version:" + productVersion, kErrorLogHeaderLine);
    AddErrorLogLine("Date:" + platform::LocalDateTimeText(), kErrorLogHeaderLine);
    AddErrorLogLine("Mac:" + MacAddress, kErrorLogHeaderLine);
    AddErrorLogLine(kHeaderRule, kErrorLogHeaderLine);
}

void TCustomDownloadThread::SaveJobLog(const std::string& path) {
    if (jobLog_.empty()) return;
    const std::lock_guard guard(LogFileLock());
    ClearReadOnly(path);
    SaveLines(path, jobLog_, BackedUpForRoll(path));
}

void TCustomDownloadThread::SaveErrorLog(const std::string& path) {
    if (errorLog_.empty()) return;
    const std::lock_guard guard(LogFileLock());
    ClearReadOnly(path);
    SaveLines(path, errorLog_, false);
}

void TCustomDownloadThread::DeleteLogFile(const std::string& path) {
    const std::lock_guard guard(LogFileLock());
    ClearReadOnly(path);
    platform::RemoveFile(path);
}

void TCustomDownloadThread::RollLogFile(const std::string& path) {
    const std::lock_guard guard(LogFileLock());
    ClearReadOnly(path);
    if (BackedUpForRoll(path)) platform::RemoveFile(path);
}

}  // namespace vu
