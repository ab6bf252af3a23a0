#include "host_runner.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/file_system.h"
#include "platform/path_mapping.h"
#include "platform/process.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <stdlib.h>
#endif

namespace vu::test {
namespace {

std::string FileName(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

// A path of the build in the core's form; the Windows build under Wine sees the Unix root as
// drive Z:.
std::string BuildPath(const std::string& path) {
#if defined(_WIN32)
    std::string windowsPath = "Z:" + path;
    for (char& c : windowsPath) {
        if (c == '/') c = '\\';
    }
    return windowsPath;
#else
    return platform::CorePath(path);
#endif
}

// The text after "<key>=" up to the next blank.
std::string Field(const std::string& line, const std::string& key) {
    const std::string marker = " " + key + "=";
    const std::size_t start = line.find(marker);
    if (start == std::string::npos) return {};
    const std::size_t from = start + marker.size();
    return line.substr(from, line.find(' ', from) - from);
}

}  // namespace

bool HostRun::Has(const std::string& line) const {
    for (const auto& l : lines) {
        if (l == line) return true;
    }
    return false;
}

std::vector<std::string> HostRun::Notifications(int context) const {
    std::vector<std::string> found;
    const std::string tail = " context=" + std::to_string(context) + " thread=";
    for (const auto& l : lines) {
        if (l.rfind("notify ", 0) == 0 && l.find(tail) != std::string::npos) found.push_back(l);
    }
    return found;
}

void PrintTo(const Notice& notice, std::ostream* out) {
    char head[64];
    std::snprintf(head, sizeof head, "{%08X %08X %d ", notice.kind, notice.code, notice.value);
    *out << head << (notice.hasText ? "\"" + notice.text + "\"" : std::string("null")) << "}";
}

std::vector<Notice> Notices(const HostRun& run, int context) {
    std::vector<Notice> notices;
    for (const auto& line : run.Notifications(context)) {
        Notice notice;
        notice.kind = static_cast<std::uint32_t>(std::stoul(Field(line, "kind"), nullptr, 16));
        notice.code = static_cast<std::uint32_t>(std::stoul(Field(line, "code"), nullptr, 16));
        notice.value = static_cast<std::int32_t>(std::stol(Field(line, "value")));
        notice.hasText = Field(line, "text") != "(null)";
        notice.text = notice.hasText ? NotifiedText(line) : "";
        notice.onLoadingThread = Field(line, "thread") == "loading";
        notices.push_back(notice);
    }
    return notices;
}

std::string NotifiedText(const std::string& line) {
    const std::string hex = Field(line, "text");
    std::string text;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        text += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return text;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void SetReportUrlForChildren(const std::string& url) {
#if defined(_WIN32)
    SetEnvironmentVariableA("VU_REPORT_URL", url.c_str());
#else
    setenv("VU_REPORT_URL", url.c_str(), 1);
#endif
}

HostRun HostProgramTest::RunScript(const std::string& script) {
    const std::string host = folder_ / FileName(VU_TEST_HOST_PATH);
    const std::string library = folder_ / FileName(VU_LIBRARY_PATH);
    EXPECT_TRUE(platform::CopyFileTo(BuildPath(VU_TEST_HOST_PATH), host, true));
    EXPECT_TRUE(platform::CopyFileTo(BuildPath(VU_LIBRARY_PATH), library, true));
    WriteFileBytes(folder_ / "script.txt", script);
    const std::string commandLine = "\"" + platform::NativePath(host) + "\" \"" +
                                    platform::NativePath(library) + "\" \"" +
                                    platform::NativePath(folder_ / "script.txt") + "\" \"" +
                                    platform::NativePath(folder_ / "output.txt") + "\"";
    auto process = platform::Process::Start(commandLine, folder_.Path(), false);
    HostRun run;
    if (!process) return run;
    run.exitCode = static_cast<int>(process->WaitForExit());
    std::istringstream output(ReadFileBytes(folder_ / "output.txt"));
    for (std::string line; std::getline(output, line);) run.lines.push_back(line);
    return run;
}

}  // namespace vu::test
