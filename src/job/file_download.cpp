// The download stage: every needed entry fetched into its temporary file below the cache folder,
// resumed from the range record, skipped when its digest already matches, with progress, the
// measured speed and the speed limit.

#include "job/download_thread.h"

#include <cmath>
#include <exception>
#include <stdexcept>

#include "host/work_paths.h"
#include "job/error_update.h"
#include "job/job_files.h"
#include "job/package_line.h"
#include "platform/file_system.h"
#include "support/diagnostic_log.h"
#include "support/file_helpers.h"
#include "support/integer_text.h"
#include "support/path_helpers.h"
#include "support/url_helpers.h"

namespace vu {

namespace {

constexpr char kDownloadLabel[] = "[DownloadFile Err]";
constexpr char kStartRangeKey[] = "StartRange";
constexpr char kPreStartRangeKey[] = "PreStartRange";
constexpr char kEraseFailedPrefix[] = "[Ini]EraseSection Failed: ";
constexpr std::uint32_t kLimiterPauseMs = 100;
constexpr double kProgressScale = 10000.0;

// Ties go to the even neighbour, as the default floating point rounding does.
std::int32_t RoundedScale(double fraction) {
    return static_cast<std::int32_t>(std::nearbyint(fraction * kProgressScale));
}

std::string DownloadAddress(const std::string& base, const TFileInfo& entry) {
    // The query is added after encoding: the digest is sent as it stands.
    return EncodeUrl(MakeUrlFolder(base) + BackslashToSlash(entry.LocalName)) + "?md5=" +
           entry.Digest;
}

// A range record position: 0 when missing or not a number.
std::int64_t ReadPosition(TNEIniFile& ini, const std::string& section, const char* key) {
    return ParseInteger64(ini.ReadString(section, key, "")).value_or(0);
}

}  // namespace

bool TDownloadThread::DownloadFiles() {
    SetErrorCode(status::kFileFailed);
    const auto count = static_cast<std::int32_t>(NeedList.size());
    if (count == 0) return false;
    Notify(status::kDownloadBegin, count, 0, nullptr);
    CurrentIndex = 0;
    WriteDiagnosticLog("Start Download File ...", false);

    const std::string cacheDir = CacheDir();
    for (std::int32_t index = 0; index < count; ++index) {
        if (StopIsRequested()) return false;
        TFileInfo& entry = *NeedList[static_cast<std::size_t>(index)];
        // The analysis admits only names inside the folder; this stage joins them to another.
        if (!IsSafeLocalName(entry.LocalName)) {
            throw ErrorUpdate(FileNamePart(entry.LocalName), status::kFileFailed);
        }
        const std::string tempPath = cacheDir + entry.LocalName + kTempExtension;
        const std::string folder = FolderOfPath(tempPath);
        if (!platform::FolderExists(folder) && !platform::MakeFolders(folder)) {
            throw std::runtime_error("Cannot create the folder " + folder);
        }
        ClearReadOnly(folder);
        ClearReadOnly(tempPath);

        if (IsAlreadyDownloaded(tempPath, entry.Digest)) {
            entry.Downloaded = true;
            Notify(status::kDownloadFileDone, index + 1, count, entry.LocalName.c_str());
            EraseRangeSection(entry.Digest, true);
            ++CurrentIndex;
            continue;
        }

        Notify(status::kDownloadFile, index + 1, count, entry.LocalName.c_str());
        CurrentFileName = FileNamePart(entry.LocalName);
        const std::string address = DownloadAddress(FDownloadUrl, entry);
        const std::string retryAddress = DownloadAddress(FallbackDownloadUrl, entry);
        WriteDiagnosticLog("[Local/Name/Url/Url2]" + tempPath + "/" + CurrentFileName + "/" +
                               address + "/" + retryAddress,
                           false);
        {
            std::int64_t startPosition = 0;
            platform::File file = OpenTempFile(entry, tempPath, startPosition);
            DownloadStartTick = Clock.tickCount();
            SetTransferEvents(nullptr, [this](std::int64_t workCount, std::int64_t length) {
                OnDownloadProgress(workCount, length);
            });
            // A listed size bounds the file: a server sending more fails the attempt.
            const bool fetched = HttpGetStream(address, retryAddress, kDownloadLabel, file,
                                               startPosition, entry.Size);
            SetTransferEvents(nullptr, nullptr);
            if (!fetched) throw ErrorUpdate(CurrentFileName, status::kFileFailed);
            entry.Downloaded = true;
            Notify(status::kDownloadFileDone, index + 1, count, entry.LocalName.c_str());
            EraseRangeSection(entry.Digest, false);
            file.Close();
        }
        if (StopIsRequested()) return false;
        ++CurrentIndex;
    }
    WriteDiagnosticLog("Download Complate ...", false);
    Notify(status::kDownloadEnd, count, 0, nullptr);
    if (DownloadOnly) return true;
    return PlaceFiles();
}

platform::File TDownloadThread::OpenTempFile(const TFileInfo& entry, const std::string& tempPath,
                                             std::int64_t& startPosition) {
    try {
        if (!platform::FileExists(tempPath)) {
            startPosition = 0;
            return platform::File::Open(tempPath, platform::FileAccess::ReadWrite,
                                        platform::FileShare::Read,
                                        platform::FileCreation::CreateAlways);
        }
        // An earlier transfer's bytes stay: the file is opened without truncating it.
        platform::File file =
            platform::File::Open(tempPath, platform::FileAccess::ReadWrite,
                                 platform::FileShare::Read, platform::FileCreation::OpenExisting);
        startPosition = ReadPosition(*RangeIni, entry.Digest, kStartRangeKey);
        if (startPosition < 0 || startPosition > file.Size()) startPosition = 0;
        RangeIni->WriteString(entry.Digest, kPreStartRangeKey, std::to_string(startPosition));
        return file;
    } catch (const std::exception& error) {
        const std::string text =
            "Create temp file " + entry.LocalName + " failed: " + error.what();
        AddJobLogLine(text);
        AddCurrentErrorLine(text);
        throw ErrorUpdate(FileNamePart(entry.LocalName), status::kFileFailed);
    }
}

void TDownloadThread::EraseRangeSection(const std::string& digest, bool alsoDiagnosticLog) {
    try {
        RangeIni->EraseSection(digest);
    } catch (const std::exception&) {
        const std::string text = kEraseFailedPrefix + digest;
        AddJobLogLine(text);
        if (alsoDiagnosticLog) WriteDiagnosticLog(text, true);
    }
}

void TDownloadThread::OnDownloadProgress(std::int64_t workCount, std::int64_t contentLength) {
    const auto count = static_cast<double>(NeedList.size());
    const TFileInfo& entry = *NeedList[static_cast<std::size_t>(CurrentIndex)];
    const std::int64_t start = TransferRangeStart();
    const std::int64_t position = start + workCount;
    // An answer without a length is measured against the listed size, else against itself.
    std::int64_t total = contentLength >= 0 ? start + contentLength
                                            : (entry.Size > 0 ? entry.Size : position);
    if (total <= 0) total = 1;
    const double fileFraction = static_cast<double>(position) / static_cast<double>(total);
    const std::int32_t fileProgress = RoundedScale(fileFraction);
    const std::int32_t overallProgress =
        RoundedScale(static_cast<double>(CurrentIndex) / count + (1.0 / count) * fileFraction);

    if (!entry.Digest.empty()) {
        const std::int64_t previous = ReadPosition(*RangeIni, entry.Digest, kPreStartRangeKey);
        RangeIni->WriteString(entry.Digest, kStartRangeKey, std::to_string(previous));
        RangeIni->WriteString(entry.Digest, kPreStartRangeKey, std::to_string(position));
    }

    const std::uint32_t elapsed = Clock.tickCount() - DownloadStartTick;
    if (elapsed > 0 && workCount > 0) {
        CurrentSpeed.store(static_cast<double>(workCount) / elapsed * 1000.0);
    }
    Notify(status::kDownloadProgress, fileProgress, overallProgress, CurrentFileName.c_str());
    HoldToSpeedLimit(workCount);
}

void TDownloadThread::HoldToSpeedLimit(std::int64_t workCount) {
    const auto wholeSeconds = [this] { return (Clock.tickCount() - DownloadStartTick) / 1000; };
    // Nothing is held back in a transfer's first second; a stop ends the wait.
    for (std::uint32_t seconds = wholeSeconds();
         seconds != 0 && LimitSpeed.load() != kNoSpeedLimit && !StopIsRequested() &&
         static_cast<double>(workCount) / seconds > LimitSpeed.load();
         seconds = wholeSeconds()) {
        Clock.sleep(kLimiterPauseMs);
    }
}

}  // namespace vu
