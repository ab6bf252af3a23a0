#include "transfer/log_text.h"

#include "platform/file.h"
#include "platform/system_error.h"
#include "support/ini_storage.h"

namespace vu {

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& entry : lines) {
        if (entry.empty()) {
            text += "\r\n";
            continue;
        }
        for (const auto& line : SplitLines(entry)) text += line + "\r\n";
    }
    return text;
}

std::string ReadLogFile(const std::string& path) {
    auto file = platform::File::Open(path, platform::FileAccess::Read,
                                     platform::FileShare::ReadWrite,
                                     platform::FileCreation::OpenExisting);
    std::string text;
    char buffer[65536];
    for (std::size_t count; (count = file.Read(buffer, sizeof buffer)) > 0;) {
        text.append(buffer, count);
    }
    return text;
}

void ReplaceLogFile(const std::string& path, std::string_view text) {
    // The INI files' one-step replacement: a temporary file beside it renamed over it.
    const std::uint32_t error = ReplaceIniFile(path, text);
    if (error != 0) throw platform::SystemError(error, "Writing " + path);
}

}  // namespace vu
