#pragma once
// Runs the test host program on a script and reads back what it wrote: every notification, the
// answers of its queries and whether it got to the end of the script.

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "helpers/temp_folder.h"

namespace vu::test {

struct HostRun {
    int exitCode = -1;
    std::vector<std::string> lines;

    bool Has(const std::string& line) const;
    // The "notify" lines of one request context, in the order received.
    std::vector<std::string> Notifications(int context) const;
};

// One notification as the host received it.
struct Notice {
    std::uint32_t kind = 0;
    std::uint32_t code = 0;
    std::int32_t value = 0;
    bool hasText = false;  // false: the text pointer was null
    std::string text;
    bool onLoadingThread = true;

    bool operator==(const Notice& other) const {
        return kind == other.kind && code == other.code && value == other.value &&
               hasText == other.hasText && text == other.text;
    }
};
void PrintTo(const Notice& notice, std::ostream* out);

// The notifications of one request context, decoded.
std::vector<Notice> Notices(const HostRun& run, int context);

// The text of a notification line, decoded from its hex bytes.
std::string NotifiedText(const std::string& line);

bool EndsWith(const std::string& text, const std::string& tail);

// Where the library posts its error reports: the test server, through the run-time override the
// host programs inherit.
void SetReportUrlForChildren(const std::string& url);

// The host and the library run from the test's own folder, so that the library's working folder
// (the folder it lies in) and the diagnostic log beside the host are this test's alone.
class HostProgramTest : public ::testing::Test {
protected:
    HostRun RunScript(const std::string& script);
    // The library's working folder: the test's folder.
    const std::string& WorkFolder() const { return folder_.Path(); }

    TempFolder folder_;
};

}  // namespace vu::test
