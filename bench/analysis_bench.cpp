// File analysis of a warm installation: every listed entry is on disk and recorded in the file
// record with its listed digest, so the record decides each entry and nothing is hashed. Times
// the job's preparation plus its analysis, best of three with a fresh job each time, for three
// list lengths so that growth faster than linear shows. Fails when any entry comes out needed.
//
//   analysis_bench

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/work_paths.h"
#include "platform/path_mapping.h"
#include "scratch_folder.h"
#include "stage_job.h"
#include "support/md5.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::array<int, 3> kEntryCounts = {10000, 50000, 100000};
constexpr int kSubfolders = 100;
constexpr int kRuns = 3;
constexpr char kListUrl[] = "http://127.0.0.1/bench/plist.txt";

struct InstalledEntry {
    std::string name;  // relative to the working folder, core form
    std::string digest;
    std::size_t size;
};

std::string EntryName(int index) {
    char name[64];
    std::snprintf(name, sizeof name, "data\\d%02d\\file%05d.pak", index % kSubfolders, index);
    return name;
}

// Writes every entry's file below the working folder; its digest is the MD5 of what was written.
std::vector<InstalledEntry> InstallFiles(const std::string& workDir, int count) {
    std::vector<InstalledEntry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index) {
        const std::string name = EntryName(index);
        const std::string content = "content of entry " + std::to_string(index) + "\n";
        const std::filesystem::path path = vu::platform::NativePath(workDir + name);
        if (index < kSubfolders) std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        vu::Md5Context md5;
        md5.Add(content.data(), content.size());
        entries.push_back({name, vu::DigestToHex(md5.Finish()), content.size()});
    }
    return entries;
}

// The file record holding the first count entries, each with its digest.
void WriteFileRecord(const std::string& path, const std::vector<InstalledEntry>& entries,
                     int count) {
    std::string text = "[Files]\r\n";
    for (int index = 0; index < count; ++index) {
        const InstalledEntry& entry = entries[static_cast<std::size_t>(index)];
        text += entry.name + "=" + entry.digest + "\r\n";
    }
    std::ofstream(vu::platform::NativePath(path), std::ios::binary | std::ios::trunc) << text;
}

std::vector<std::string> PackageList(const std::vector<InstalledEntry>& entries, int count) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index) {
        const InstalledEntry& entry = entries[static_cast<std::size_t>(index)];
        lines.push_back(entry.name + "\t" + entry.digest + "\t" + std::to_string(entry.size));
    }
    return lines;
}

struct AnalysisRun {
    double seconds = 0;
    bool completed = false;
    std::size_t needed = 0;
};

AnalysisRun RunAnalysis(const UpdateRequest& request, const std::vector<std::string>& lines) {
    vu::bench::StageJob job;
    job.HandOverRequest(request);
    job.SetPackageList(lines);
    const auto start = Clock::now();
    job.PrepareJob();
    const bool completed = job.AnalyseFiles();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return {seconds, completed, job.NeededCount()};
}

}  // namespace

int main() {
    const vu::bench::ScratchFolder work("vu-analysis-bench");
    const std::string workDir = work.Core();
    vu::InitializeWorkPaths(workDir + "RaVuviraZut.dll", workDir + "host.exe");

    const int largest = *std::max_element(kEntryCounts.begin(), kEntryCounts.end());
    const auto setupStart = Clock::now();
    const std::vector<InstalledEntry> entries = InstallFiles(workDir, largest);
    std::printf("File analysis of a warm installation (%d files in %d folders, all recorded), "
                "preparation included\n",
                largest, kSubfolders);
    std::printf("  setup: %.2f s\n",
                std::chrono::duration<double>(Clock::now() - setupStart).count());

    UpdateRequest request{};
    std::memcpy(request.ListUrl, kListUrl, sizeof kListUrl);

    bool allCurrent = true;
    for (const int count : kEntryCounts) {
        WriteFileRecord(workDir + "flist.txt", entries, count);
        const std::vector<std::string> lines = PackageList(entries, count);
        AnalysisRun best;
        best.seconds = 1e30;
        for (int run = 0; run < kRuns; ++run) {
            const AnalysisRun result = RunAnalysis(request, lines);
            if (!result.completed || result.needed != 0) allCurrent = false;
            if (result.seconds < best.seconds) best = result;
        }
        std::printf("  file analysis of %d entries against a full file record: %.3f s "
                    "(best of %d), %.2f us per entry, %zu needed%s\n",
                    count, best.seconds, kRuns, best.seconds * 1e6 / count, best.needed,
                    best.completed ? "" : ", stopped early");
    }
    if (!allCurrent) {
        std::fprintf(stderr, "analysis_bench: entries of a full record came out needed\n");
        return 1;
    }
    return 0;
}
