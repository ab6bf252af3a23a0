#include "transfer/report_endpoint.h"

#include <string_view>

#include "platform/environment.h"

namespace vu {
namespace {

constexpr char kReportUrlVariable[] = "VU_REPORT_URL";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

bool IsFullHttpUrl(std::string_view url) {
    for (const std::string_view scheme : {"http://", "https://"}) {
        if (StartsWithNoCase(url, scheme) && url.size() > scheme.size()) return true;
    }
    return false;
}

}  // namespace

std::string ReportEndpointUrl() {
    const auto configured = platform::EnvironmentVariable(kReportUrlVariable);
    if (configured && IsFullHttpUrl(*configured)) return *configured;
    return VU_DEFAULT_REPORT_URL;
}

}  // namespace vu
