#pragma once
// The process's peak resident memory so far, in KiB: the peak working set on Windows, the
// maximum resident set size on Linux.

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

namespace vu::bench {

#ifdef _WIN32
inline std::int64_t PeakResidentKiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
    return static_cast<std::int64_t>(counters.PeakWorkingSetSize / 1024);
}
#else
inline std::int64_t PeakResidentKiB() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return -1;
    return static_cast<std::int64_t>(usage.ru_maxrss);
}
#endif

}  // namespace vu::bench
