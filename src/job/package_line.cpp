#include "job/package_line.h"

#include <array>

#include "host/work_paths.h"
#include "support/integer_text.h"
#include "support/text_compare.h"

namespace vu {

namespace {

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
    return text;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The component without what Windows ignores for device names: an extension and trailing
// blanks.
std::string_view DeviceStem(std::string_view component) {
    component = component.substr(0, component.find('.'));
    while (!component.empty() && component.back() == ' ') component.remove_suffix(1);
    return component;
}

bool IsDeviceName(std::string_view component) {
    static constexpr std::array<std::string_view, 6> kNames = {"CON", "PRN", "AUX", "NUL",
                                                                "CONIN$", "CONOUT$"};
    const std::string_view stem = DeviceStem(component);
    for (const auto name : kNames) {
        if (CompareText(stem, name) == 0) return true;
    }
    if (stem.size() != 4 || stem[3] < '1' || stem[3] > '9') return false;
    const std::string_view prefix = stem.substr(0, 3);
    return CompareText(prefix, "COM") == 0 || CompareText(prefix, "LPT") == 0;
}

}  // namespace

std::optional<PackageLine> ParsePackageLine(std::string_view line) {
    line = Trimmed(line);
    const auto firstTab = line.find('\t');
    if (firstTab == std::string_view::npos) return std::nullopt;
    PackageLine parsed;
    parsed.entryName = std::string(line.substr(0, firstTab));
    const std::string_view rest = line.substr(firstTab + 1);
    const auto secondTab = rest.find('\t');
    parsed.digest = std::string(rest.substr(0, secondTab));
    if (secondTab != std::string_view::npos) {
        const std::string_view sizeField = rest.substr(secondTab + 1);
        const auto size = ParseInteger64(sizeField.substr(0, sizeField.find('\t')));
        if (size) parsed.size = *size;
    }
    return parsed;
}

bool IsDigestText(std::string_view text) {
    if (text.size() != 32) return false;
    for (const char c : text) {
        if (!IsHexDigit(c)) return false;
    }
    return true;
}

bool IsSafeLocalName(std::string_view localName) {
    if (localName.empty() || !IsContainedRelativePath(std::string(localName))) return false;
    std::size_t start = 0;
    while (true) {
        const auto end = localName.find('\\', start);
        const std::string_view component = localName.substr(start, end - start);
        if (component.empty() || IsDeviceName(component)) return false;
        for (const char c : component) {
            if (static_cast<unsigned char>(c) < ' ') return false;
        }
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

}  // namespace vu
