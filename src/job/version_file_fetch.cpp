#include "job/version_file_fetch.h"

#include "job/error_update.h"
#include "support/pseudo_random.h"

namespace vu {

namespace {

constexpr std::int32_t kRequestIdBound = 1000000;
constexpr char kFetchLabel[] = "[GetVerlist Err]";
constexpr char kFetchFailedMessage[] = "Download VerList Fail";

}  // namespace

std::string VersionFileAddress(const std::string& url) {
    // The id keeps caches between the host and the server from answering with an old file.
    return url + "?id=" + std::to_string(PseudoRandomBelow(kRequestIdBound));
}

std::string FetchVersionFile(TCustomDownloadThread& worker, const std::string& address) {
    worker.SetErrorCode(status::kVersionListFailed);
    worker.SetTransferEvents(nullptr, nullptr);
    bool fetched = false;
    std::string text;
    worker.HttpGetText(address, address, kFetchLabel, fetched, text);
    if (!fetched) throw ErrorUpdate(kFetchFailedMessage, status::kVersionListFailed);
    return text;
}

}  // namespace vu
