#pragma once
// The diagnostic log: single lines appended to a text file beside the host executable, on disk
// as soon as the call returns. Callers compose the whole line; each call site fixes its switch.

#include <string>

namespace vu {

inline constexpr char kDiagnosticLogName[] = "errlog.log";

// Appends `text` and CR LF to `fileName` (default "errlog.log") in the host executable's folder.
// Does nothing when `enabled` is false. A failure to open, write or close the file raises
// platform::SystemError with the OS error code. Writes from this process's threads are
// serialised, so two threads logging at once never make one of them fail.
void WriteDiagnosticLog(const std::string& text, bool enabled, const std::string& fileName = {});

// The host executable's folder, with its trailing backslash.
std::string HostExecutableFolder();

}  // namespace vu
