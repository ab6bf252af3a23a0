// Hashes one large file with FileDigest and with the system's md5sum and openssl, and prints
// the rates and their ratios. Usage: md5_bench [size in MiB, default 1024]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/path_mapping.h"
#include "support/md5.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 3;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Best of kRuns wall times of a shell command; the digest text it printed first is kept.
double TimeCommand(const std::string& command, std::string& output) {
    double best = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return -1;
        char line[512] = {};
        if (std::fgets(line, sizeof line, pipe) != nullptr) output = line;
        if (pclose(pipe) != 0) return -1;
        best = std::min(best, Seconds(start));
    }
    return best;
}

void WriteTestFile(const std::string& path, std::int64_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<char> block(1 << 20);
    std::uint32_t seed = 12345;
    for (auto& byte : block) byte = static_cast<char>((seed = seed * 1103515245 + 12345) >> 24);
    for (std::int64_t written = 0; written < size; written += static_cast<std::int64_t>(block.size()))
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

}  // namespace

int main(int argc, char** argv) {
    const std::int64_t mebibytes = argc > 1 ? std::atoll(argv[1]) : 1024;
    const std::int64_t size = mebibytes << 20;
    const std::string path = (std::filesystem::temp_directory_path() / "vu-md5-bench.bin").string();
    WriteTestFile(path, size);
    const double megabytes = static_cast<double>(size) / 1e6;

    std::string ours;
    double oursSeconds = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        ours = vu::DigestToHex(vu::FileDigest(vu::platform::CorePath(path)));
        oursSeconds = std::min(oursSeconds, Seconds(start));
    }
    std::string md5sumOutput;
    std::string opensslOutput;
    const double md5sumSeconds = TimeCommand("md5sum '" + path + "'", md5sumOutput);
    const double opensslSeconds = TimeCommand("openssl md5 -r '" + path + "'", opensslOutput);
    std::filesystem::remove(path);

    std::printf("file: %lld MiB, page-cached, best of %d runs\n", static_cast<long long>(mebibytes), kRuns);
    std::printf("FileDigest   : %8.1f MB/s  %s\n", megabytes / oursSeconds, ours.c_str());
    bool agree = true;
    for (const auto& [name, seconds, output] : {std::tuple{"md5sum", md5sumSeconds, md5sumOutput},
                                                std::tuple{"openssl md5", opensslSeconds, opensslOutput}}) {
        if (seconds < 0) {
            std::printf("%-12s : not available\n", name);
            continue;
        }
        std::string digest = output.substr(0, 32);
        for (auto& c : digest) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        agree = agree && digest == ours;
        std::printf("%-12s : %8.1f MB/s  %s  ratio FileDigest/%s = %.2f\n", name, megabytes / seconds,
                    digest.c_str(), name, seconds / oursSeconds);
    }
    std::printf("digests agree: %s\n", agree ? "yes" : "NO");
    return agree ? 0 : 1;
}
