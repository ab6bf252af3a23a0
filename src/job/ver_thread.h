#pragma once
// The version list worker that VuGetVersion starts: fetches the list named by the request's
// ListUrl, saves it as "vlt.tmp" in the working folder, publishes it to the version catalogue,
// tells the host the outcome (kind VU_EVENT_VERSION_LIST_ENDED) and is freed by the dispatcher
// window. Each worker runs once; nothing stops it early.

#include <string>

#include "host/syn_download_thread.h"

namespace vu {

class TVerThread : public TSynDownloadThread {
public:
    using TSynDownloadThread::TSynDownloadThread;
    ~TVerThread() override { WaitFor(); }

protected:
    void Execute() override;

private:
    // Fetches and saves the list; returns the saved file's path. Raises ErrorUpdate.
    std::string FetchAndSave();
    // Saves the list with CR LF line ends and publishes it; raises ErrorUpdate
    // "Version cannot Save" after logging the cause.
    void SaveList(const std::string& text, const std::string& target);
};

}  // namespace vu
