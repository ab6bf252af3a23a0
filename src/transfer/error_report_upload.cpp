// The upload of a saved error log to the report endpoint.

#include <exception>

#include "platform/date_time.h"
#include "platform/file_system.h"
#include "support/diagnostic_log.h"
#include "support/file_helpers.h"
#include "transfer/custom_download_thread.h"
#include "transfer/log_text.h"

namespace vu {
namespace {

// A line other than a header line ("#...") with more than spaces and control characters.
bool IsErrorLine(const std::string& line) {
    if (!line.empty() && line.front() == '#') return false;
    for (const char c : line) {
        if (static_cast<unsigned char>(c) > ' ') return true;
    }
    return false;
}

bool HoldsErrorLine(const std::vector<std::string>& lines) {
    for (const auto& line : lines) {
        if (IsErrorLine(line)) return true;
    }
    return false;
}

}  // namespace

void TCustomDownloadThread::UploadErrorLog(const std::string& path, const std::string& productName,
                                           const std::string& reportUrl, const std::string& version,
                                           const std::string& series) {
    ClearReadOnly(path);
    if (!platform::FileExists(path)) return;
    // A file that cannot be read is an error of this operation, not a failed upload.
    const std::string content = ReadLogFile(path);
    if (!HoldsErrorLine(SplitLines(content))) return;

    try {
        // A client of its own: the worker's client may be broken by the failures being reported.
        const auto client = NewHttpClient();
        const std::vector<platform::MultipartPart> parts{
            {"ufile", content, path, "multipart/form-data"},
            {"product", productName, {}, {}},
            {"series", series, {}, {}},
            {"version", version, {}, {}},
            {"date", platform::LocalDateTimeText(), {}, {}},
        };
        client->PostMultipart(reportUrl, parts);
    } catch (const std::exception& failure) {
        SetErrorCode(0);
        const std::string line = std::string("Updated error log Failed: ") + failure.what();
        AddJobLogLine(line);
        WriteDiagnosticLog(line, true);
        AddCurrentErrorLine(line);
    }
}

}  // namespace vu
