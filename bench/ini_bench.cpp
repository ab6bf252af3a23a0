// The INI layer on a record file of 100,000 keys: 100,000 writes, then 100,000 reads, of one
// section of one file through TNEIniFile, with the time of each phase and the number of times
// the whole file was written.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/path_mapping.h"
#include "support/ini_file_ex.h"
#include "support/ini_registry.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kKeys = 100000;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Key(int index) { return "file" + std::to_string(index); }
std::string Value(int index) { return "d41d8cd98f00b204e9800998ecf8427e|" + std::to_string(index); }

}  // namespace

int main() {
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("vu-ini-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
    fs::create_directories(folder);
    const std::string path = vu::platform::CorePath((folder / "flist.txt").string());
    vu::IniRegistry& registry = vu::IniRegistry::Process();
    const vu::IniStatistics atStart = registry.Statistics();

    int failedWrites = 0;
    int wrongReads = 0;
    double writeSeconds = 0;
    double readSeconds = 0;
    vu::IniStatistics afterWrites;
    vu::IniStatistics afterReads;
    {
        vu::TNEIniFile file(path);
        Clock::time_point start = Clock::now();
        for (int i = 0; i < kKeys; ++i) {
            file.WriteString("files", Key(i), Value(i));
            if (file.LastWriteError() != 0) ++failedWrites;
        }
        writeSeconds = SecondsSince(start);
        afterWrites = registry.Statistics();

        start = Clock::now();
        for (int i = 0; i < kKeys; ++i) {
            if (file.ReadString("files", Key(i), "") != Value(i)) ++wrongReads;
        }
        readSeconds = SecondsSince(start);
        afterReads = registry.Statistics();
    }
    const vu::IniStatistics atEnd = registry.Statistics();
    const auto fileSize = fs::file_size(folder / "flist.txt");

    std::printf("INI record file, one section, %d keys, through TNEIniFile\n", kKeys);
    std::printf("  WriteString x %d: %8.3f s  (%6.2f us per call), %d failed\n", kKeys, writeSeconds,
                writeSeconds * 1e6 / kKeys, failedWrites);
    std::printf("  ReadString  x %d: %8.3f s  (%6.2f us per call), %d wrong\n", kKeys, readSeconds,
                readSeconds * 1e6 / kKeys, wrongReads);
    std::printf("  whole-file writes: %llu during the writes, %llu during the reads, %llu at close\n",
                static_cast<unsigned long long>(afterWrites.fileSaves - atStart.fileSaves),
                static_cast<unsigned long long>(afterReads.fileSaves - afterWrites.fileSaves),
                static_cast<unsigned long long>(atEnd.fileSaves - afterReads.fileSaves));
    std::printf("  whole-file reads: %llu; final file size %llu bytes\n",
                static_cast<unsigned long long>(atEnd.fileLoads - atStart.fileLoads),
                static_cast<unsigned long long>(fileSize));

    std::error_code error;
    fs::remove_all(folder, error);
    return failedWrites == 0 && wrongReads == 0 ? 0 : 1;
}
