#pragma once
// Where error reports are posted.

#include <string>

namespace vu {

// The report endpoint's URL: the environment variable VU_REPORT_URL when it holds a full
// "http://" or "https://" URL, otherwise the address this build was configured with.
std::string ReportEndpointUrl();

}  // namespace vu
