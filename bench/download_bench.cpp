// A download-only job of one 1 GiB file from the loopback test server, its stages called on this
// thread, against curl fetching the same file to disk in the same run, and against the platform
// HTTP client alone writing it into a file (what the job adds to its own client). Three rounds,
// each transfer into a fresh folder; prints the best time of each, the ratios, the process's peak
// resident memory before and after the jobs.
//
//   download_bench <port file of the test server> [curl's time in seconds, measured elsewhere]
//
// The file and its package list go into a fresh folder below the server's root (the folder
// "root" beside the port file); the transfers write into fresh temporary folders. All of them
// are removed at the end. Without a time on the command line, curl is run here.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "peak_memory.h"
#include "host/work_paths.h"
#include "job/job_files.h"
#include "platform/file.h"
#include "platform/http_client.h"
#include "platform/path_mapping.h"
#include "scratch_folder.h"
#include "stage_job.h"
#include "support/md5.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int64_t kFileSize = std::int64_t{1} << 30;
constexpr std::size_t kBlockSize = std::size_t{1} << 20;
constexpr char kFileName[] = "payload.bin";
constexpr char kListName[] = "plist.txt";
constexpr int kRounds = 3;
constexpr double kRatioAim = 1.3;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double MegabytesPerSecond(double seconds) {
    return static_cast<double>(kFileSize) / seconds / 1e6;
}

double MebibytesOf(std::int64_t kibibytes) {
    return static_cast<double>(kibibytes) / 1024.0;
}

// Writes kFileSize bytes of a fixed pseudo-random sequence and makes them durable, so that the
// timed transfers do not pay for writing them back; returns their MD5 text.
std::string WritePayload(const std::filesystem::path& path) {
    vu::platform::File out = vu::platform::File::Open(
        vu::platform::CorePath(path.string()), vu::platform::FileAccess::Write,
        vu::platform::FileShare::Read, vu::platform::FileCreation::CreateAlways);
    std::vector<std::uint64_t> block(kBlockSize / sizeof(std::uint64_t));
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    vu::Md5Context md5;
    for (std::int64_t written = 0; written < kFileSize;
         written += static_cast<std::int64_t>(kBlockSize)) {
        for (auto& word : block) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            word = state;
        }
        md5.Add(block.data(), kBlockSize);
        out.Write(block.data(), kBlockSize);
    }
    out.Sync();
    out.Close();
    return vu::DigestToHex(md5.Finish());
}

struct JobResult {
    double seconds = 0;
    double downloadSeconds = 0;
};

// Checks the job's download in the cache folder against the served file.
void VerifyDownload(const std::string& digest) {
    const std::string path = vu::CacheDir() + kFileName + vu::kTempExtension;
    const std::filesystem::path native = vu::platform::NativePath(path);
    std::error_code error;
    const auto size = std::filesystem::file_size(native, error);
    if (error || static_cast<std::int64_t>(size) != kFileSize) {
        throw std::runtime_error("the download " + native.string() + " is missing or short");
    }
    if (vu::DigestToHex(vu::FileDigest(path)) != digest) {
        throw std::runtime_error("the download's MD5 differs from the list's");
    }
}

// One job in a fresh working folder: preparation, package list, analysis and download, timed
// as a whole; then its download is checked.
JobResult RunJob(const std::string& listUrl, const std::string& digest) {
    const vu::bench::ScratchFolder work("vu-download-bench-work");
    vu::InitializeWorkPaths(work.Core() + "RaVuviraZut.dll", work.Core() + "host.exe");
    UpdateRequest request{};
    if (listUrl.size() >= sizeof request.ListUrl) throw std::runtime_error("list URL too long");
    std::memcpy(request.ListUrl, listUrl.data(), listUrl.size());
    request.Flags = static_cast<std::int32_t>(VU_FLAG_DOWNLOAD_ONLY);

    JobResult result;
    bool downloaded = false;
    std::size_t needed = 0;
    {
        vu::bench::StageJob job;
        job.HandOverRequest(request);
        const auto start = Clock::now();
        job.PrepareJob();
        job.FetchPackageList();
        job.AnalyseFiles();
        needed = job.NeededCount();
        const auto downloadStart = Clock::now();
        downloaded = job.DownloadFiles();
        result.downloadSeconds = SecondsSince(downloadStart);
        result.seconds = SecondsSince(start);
    }
    if (needed != 1 || !downloaded) {
        throw std::runtime_error("the job needed " + std::to_string(needed) + " entries and " +
                                 (downloaded ? "downloaded them" : "did not finish downloading"));
    }
    VerifyDownload(digest);
    return result;
}

// The platform HTTP client alone writing the file into a fresh folder, as the job's transfer
// does but without the job around it.
double TimeClientToFile(const std::string& fileUrl) {
    const vu::bench::ScratchFolder target("vu-download-bench-client");
    vu::platform::File file = vu::platform::File::Open(
        target.Core() + kFileName, vu::platform::FileAccess::ReadWrite,
        vu::platform::FileShare::Read, vu::platform::FileCreation::CreateAlways);
    const auto client = vu::platform::HttpClient::Create();
    vu::platform::HttpGetRequest request;
    request.url = fileUrl;
    std::int64_t received = 0;
    const auto start = Clock::now();
    client->Get(request, {}, [&](const char* data, std::size_t count) {
        file.Write(data, count);
        received += static_cast<std::int64_t>(count);
    });
    file.Close();
    const double seconds = SecondsSince(start);
    if (received != kFileSize) throw std::runtime_error("the client received a short body");
    return seconds;
}

// curl writing the file to a fresh folder; the wall time of the whole child process.
double TimeCurl(const std::string& fileUrl) {
    const vu::bench::ScratchFolder target("vu-download-bench-curl");
    const std::filesystem::path output = target.Native() / kFileName;
    const std::string command = "curl -s -o '" + output.string() + "' '" + fileUrl + "'";
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = SecondsSince(start);
    std::error_code error;
    const auto size = std::filesystem::file_size(output, error);
    if (status != 0 || error || static_cast<std::int64_t>(size) != kFileSize) {
        throw std::runtime_error("curl failed (" + command + ")");
    }
    return seconds;
}

int ReadPort(const std::string& portFile) {
    std::ifstream stream(portFile);
    int port = 0;
    stream >> port;
    return port;
}

int Run(const std::string& portFile, const char* curlSecondsText) {
    const int port = ReadPort(portFile);
    if (port == 0) {
        std::fprintf(stderr, "no port in %s\n", portFile.c_str());
        return 2;
    }
    const std::filesystem::path serverRoot = std::filesystem::path(portFile).parent_path() / "root";
    std::filesystem::create_directories(serverRoot);

    const vu::bench::ScratchFolder served("vu-download-bench", serverRoot);
    const auto writeStart = Clock::now();
    const std::string digest = WritePayload(served.Native() / kFileName);
    std::ofstream(served.Native() / kListName, std::ios::binary)
        << kFileName << '\t' << digest << '\t' << kFileSize << "\r\n";
    const double writeSeconds = SecondsSince(writeStart);
    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/" + served.Name() + "/";
    const std::string fileUrl = base + kFileName;

    std::printf("Download-only job of one %lld MiB file over loopback, against curl writing the "
                "same file to disk; best of %d rounds\n",
                static_cast<long long>(kFileSize >> 20), kRounds);
    std::printf("  served file written and hashed in %.2f s\n", writeSeconds);

    const bool curlHere = curlSecondsText == nullptr;
    const std::int64_t peakBefore = vu::bench::PeakResidentKiB();
    std::int64_t peakAfter = peakBefore;
    JobResult bestJob;
    bestJob.seconds = 1e30;
    double curlSeconds = curlHere ? 1e30 : std::atof(curlSecondsText);
    double clientSeconds = 1e30;
    for (int round = 0; round < kRounds; ++round) {
        const JobResult job = RunJob(base + kListName, digest);
        if (job.seconds < bestJob.seconds) bestJob = job;
        if (round == 0) peakAfter = vu::bench::PeakResidentKiB();
        clientSeconds = std::min(clientSeconds, TimeClientToFile(fileUrl));
        if (curlHere) curlSeconds = std::min(curlSeconds, TimeCurl(fileUrl));
    }
    if (curlSeconds <= 0) {
        std::fprintf(stderr, "no usable curl time\n");
        return 2;
    }

    std::printf("  job (preparation, list, analysis, download): %.3f s  (%.1f MB/s), "
                "download stage %.3f s; file and MD5 verified\n",
                bestJob.seconds, MegabytesPerSecond(bestJob.seconds), bestJob.downloadSeconds);
    std::printf("  curl: %.3f s  (%.1f MB/s)%s\n", curlSeconds, MegabytesPerSecond(curlSeconds),
                curlHere ? "" : ", measured by the Linux run");
    std::printf("  platform HTTP client alone into a file: %.3f s  (%.1f MB/s)\n", clientSeconds,
                MegabytesPerSecond(clientSeconds));
    std::printf("  job / curl: %.2f  (aim: within %.1f); job / client alone: %.2f\n",
                bestJob.seconds / curlSeconds, kRatioAim, bestJob.seconds / clientSeconds);
    std::printf("  peak resident memory: %.1f MiB before the first job, %.1f MiB after it "
                "(+%.1f MiB)\n",
                MebibytesOf(peakBefore), MebibytesOf(peakAfter),
                MebibytesOf(peakAfter - peakBefore));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: download_bench <port file> [curl seconds]\n");
        return 2;
    }
    try {
        return Run(argv[1], argc > 2 ? argv[2] : nullptr);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "download_bench: %s\n", error.what());
        return 1;
    }
}
