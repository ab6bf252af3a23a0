// File analysis: every package list line against the disk and the job's records, deciding which
// entries need work and deleting those the list marks for removal.

#include "job/download_thread.h"

#include "host/work_paths.h"
#include "job/package_line.h"
#include "platform/file_system.h"
#include "support/diagnostic_log.h"
#include "support/file_helpers.h"
#include "support/md5.h"
#include "support/text_compare.h"

namespace vu {

namespace {

constexpr char kFilesSection[] = "Files";
constexpr char kRunSection[] = "Patch";
constexpr char kVersionEntryName[] = "version.dat";
constexpr char kPatchEngineEntryName[] = "vekpatch.dll";

bool SameText(std::string_view a, std::string_view b) {
    return CompareText(a, b) == 0;
}

bool Holds(const std::string& text, char c) {
    return text.find(c) != std::string::npos;
}

// True when the file exists and its digest is the listed one; a file that exists but cannot be
// read raises.
bool FileHasDigest(const std::string& path, const std::string& digest) {
    return platform::FileExists(path) && SameText(DigestToHex(FileDigest(path)), digest);
}

}  // namespace

bool IsAlreadyDownloaded(const std::string& path, const std::string& digest) {
    return FileHasDigest(path, digest);
}

bool TDownloadThread::AnalyseFiles() {
    const std::string workDir = WorkDir();
    const auto lineCount = static_cast<std::int32_t>(PackageList.size());
    Notify(status::kAnalysisBegin, lineCount, 0, nullptr);

    std::unique_ptr<TFileInfo> versionEntry;
    std::unique_ptr<TFileInfo> patchEngineEntry;
    for (std::int32_t index = 0; index < lineCount; ++index) {
        if (StopIsRequested()) return false;
        const std::string& text = PackageList[static_cast<std::size_t>(index)];
        auto line = ParsePackageLine(text);
        if (!line) continue;
        const std::string localName = LocalNameOf(line->entryName);
        // Lines that could never be verified, or would reach outside the working folder, are
        // never acted on; the error line sends them to the server with the report.
        if (!IsSafeLocalName(localName)) {
            RejectListLine("Unsafe file name in the package list", text);
            continue;
        }
        if (!IsDigestText(line->digest)) {
            RejectListLine("Invalid digest in the package list", text);
            continue;
        }
        WriteDiagnosticLog("[FName/FName2]" + line->entryName + "/" + localName, false);

        const std::int32_t number = index + 1;
        Notify(status::kAnalysisLine, number, lineCount, localName.c_str());
        Notify(status::kAnalysisLineAgain, number, lineCount, localName.c_str());
        if (IsNeeded(line->entryName, localName, line->digest, line->size, workDir)) {
            WriteDiagnosticLog("[NeedPatch]" + localName + "|" + line->digest, false);
            auto entry = std::make_unique<TFileInfo>(line->entryName, localName, line->digest,
                                                     line->size);
            if (SameText(localName, kVersionEntryName)) {
                versionEntry = std::move(entry);
            } else if (SameText(localName, kPatchEngineEntryName)) {
                patchEngineEntry = std::move(entry);
            } else {
                NeedList.push_back(std::move(entry));
            }
        }
        Notify(status::kAnalysisDecided, number, lineCount, localName.c_str());
    }
    if (versionEntry) NeedList.push_back(std::move(versionEntry));
    if (patchEngineEntry) NeedList.insert(NeedList.begin(), std::move(patchEngineEntry));

    const std::string needCount = std::to_string(NeedList.size());
    WriteDiagnosticLog("[NeedPatch Count]" + needCount, false);
    AddJobLogLine("AnalyzeFile result: " + needCount + " need update");
    Notify(status::kAnalysisEnd, lineCount, 0, nullptr);
    return true;
}

bool TDownloadThread::IsNeeded(const std::string& entryName, const std::string& localName,
                               const std::string& digest, std::int64_t size,
                               const std::string& workDir) {
    const std::string path = workDir + localName;
    if (Holds(entryName, '/')) {
        const std::string ran = InstallLogIni->ReadString(kRunSection, FileNamePart(localName),
                                                          "false");
        if (SameText(ran, "true")) return false;
        AddJobLogLine("Patch " + localName);
        return true;
    }
    if (Holds(entryName, '~')) {
        if (platform::FileExists(path)) {
            ClearReadOnly(path);
            platform::RemoveFile(path);
        }
        FileListIni->DeleteKey(kFilesSection, localName);
        return false;
    }
    if (Holds(entryName, '|')) {
        return !SameText(FileListIni->ReadString(kFilesSection, RecordNameOf(entryName), ""),
                         digest);
    }
    const bool exists = platform::FileExists(path);
    if (!Holds(entryName, '?') && !exists && !StartsWithPkg(localName)) {
        std::string target;
        if (!ReplacementTargetName(localName, target)) return true;
        // A pending replacement is current when the file it replaces already has its digest.
        return !FileHasDigest(workDir + target, digest);
    }

    const std::string recorded = FileListIni->ReadString(kFilesSection, localName, "");
    if (!Holds(entryName, '*') && !recorded.empty()) return !SameText(recorded, digest);
    if (!exists) return true;
    if (size != -1) {
        const std::int64_t actualSize = FileSizeOf(path);
        if (actualSize != -1 && actualSize != size) return true;
    }
    if (!SameText(DigestToHex(FileDigest(path)), digest)) return true;
    FileListIni->WriteString(kFilesSection, localName, digest);
    return false;
}

void TDownloadThread::RejectListLine(const std::string& reason, const std::string& line) {
    const std::string text = reason + ": " + line;
    AddJobLogLine(text);
    AddCurrentErrorLine(text);
}

}  // namespace vu
