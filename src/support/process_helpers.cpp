#include "support/process_helpers.h"

#include <exception>

#include "platform/process.h"
#include "support/path_helpers.h"

namespace vu {
namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trimmed(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlankOrControl(text[first])) ++first;
    while (last > first && IsBlankOrControl(text[last - 1])) --last;
    return text.substr(first, last - first);
}

}  // namespace

std::string RunCommandLine(const std::string& program, const std::string& arguments) {
    return Trimmed("\"" + program + "\" " + arguments);
}

std::int32_t RunAndWait(const std::string& program, const std::string& arguments, bool showWindow) {
    try {
        auto process = platform::Process::Start(RunCommandLine(program, arguments), FolderOfPath(program),
                                                showWindow);
        if (!process) return -1;
        return static_cast<std::int32_t>(process->WaitForExit());
    } catch (const std::exception&) {
        return -1;
    }
}

}  // namespace vu
