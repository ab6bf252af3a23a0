#include "host/options.h"

#include <charconv>
#include <cstdint>
#include <string_view>

#include "host/work_paths.h"
#include "platform/locale_format.h"

namespace vu {
namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameKey(std::string_view name, std::string_view key) {
    if (name.size() != key.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (AsciiLower(name[i]) != AsciiLower(key[i])) return false;
    }
    return true;
}

// A decimal integer after optional spaces and sign; anything else, or a value outside 32 bits,
// is -1.
std::int32_t ParseSpeed(std::string_view text) {
    while (text.starts_with(' ')) text.remove_prefix(1);
    if (text.starts_with('+')) text.remove_prefix(1);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return -1;
    return value;
}

// At least one digit before the locale's decimal separator and exactly two after it, rounded.
std::string FormatSpeed(double speed) {
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, speed, std::chars_format::fixed, 2);
    std::string text = error == std::errc() ? std::string(buffer, end) : std::string("0.00");
    const std::size_t point = text.find('.');
    if (point != std::string::npos) text.replace(point, 1, platform::DecimalSeparator());
    return text;
}

}  // namespace

void SetOption(const std::string& name, const std::string& value) {
    if (SameKey(name, "LimitSpeed")) {
        const std::int32_t limit = ParseSpeed(value);
        if (limit > 0) LimitSpeed.store(limit);
    } else if (SameKey(name, "DownloadPath")) {
        SetBaseWorkDir(value);
    }
}

std::optional<std::string> GetOption(const std::string& name) {
    if (SameKey(name, "LimitSpeed")) return std::to_string(LimitSpeed.load());
    if (SameKey(name, "DownloadPath")) return WorkDir();
    if (SameKey(name, "CurrentSpeed")) return FormatSpeed(CurrentSpeed.load());
    return std::nullopt;
}

}  // namespace vu
