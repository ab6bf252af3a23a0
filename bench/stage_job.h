#pragma once
// A job whose stages a benchmark calls one at a time on its own thread. The job's thread is
// never started (the object stays suspended), so nothing runs behind the benchmark's back; with
// no callback in the request the stages notify nobody.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "job/download_thread.h"

namespace vu::bench {

class StageJob : public TDownloadThread {
public:
    using TDownloadThread::AnalyseFiles;
    using TDownloadThread::DownloadFiles;
    using TDownloadThread::FetchPackageList;
    using TDownloadThread::PrepareJob;

    // Stands in for the package list fetch.
    void SetPackageList(std::vector<std::string> lines) { PackageList = std::move(lines); }
    std::size_t NeededCount() const { return NeedList.size(); }
};

}  // namespace vu::bench
