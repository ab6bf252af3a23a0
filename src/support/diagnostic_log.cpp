#include "support/diagnostic_log.h"

#include <mutex>

#include "platform/file.h"
#include "platform/process.h"

namespace vu {
namespace {

// One lock for the whole process: the file is opened without write sharing, so a second
// concurrent opener in this process would otherwise fail.
std::mutex& DiagnosticLogLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

std::string HostExecutableFolder() {
    const std::string path = platform::HostExecutablePath();
    return path.substr(0, path.find_last_of('\\') + 1);
}

void WriteDiagnosticLog(const std::string& text, bool enabled, const std::string& fileName) {
    if (!enabled) return;
    const std::string path = HostExecutableFolder() + (fileName.empty() ? kDiagnosticLogName : fileName);
    const std::string line = text + "\r\n";

    const std::lock_guard guard(DiagnosticLogLock());
    auto file = platform::File::Open(path, platform::FileAccess::Write, platform::FileShare::Read,
                                     platform::FileCreation::OpenAlways);
    file.SeekToEnd();
    file.Write(line.data(), line.size());
    file.Close();
}

}  // namespace vu
