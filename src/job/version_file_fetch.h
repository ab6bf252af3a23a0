#pragma once
// The fetch both version files share (the version list, the server's version range): the
// address with its cache-busting id and the transfer with its failure label and code.

#include <string>

#include "transfer/custom_download_thread.h"

namespace vu {

// The URL followed by "?id=" and a number below 1,000,000.
std::string VersionFileAddress(const std::string& url);

// Fetches the address on the worker's thread under error code 0x0E000101; raises ErrorUpdate
// 0x0E000101 "Download VerList Fail" when every attempt failed.
std::string FetchVersionFile(TCustomDownloadThread& worker, const std::string& address);

}  // namespace vu
