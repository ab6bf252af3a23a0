#include "support/ini_file.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace vu {
namespace {

// An integer as the platform's text-to-integer conversion reads it: optional leading spaces and
// sign, then decimal digits, or hexadecimal digits after "$", "0x" or "0X" (up to eight, taken as
// 32 bits). Anything else, nothing after the prefix, or a decimal value out of range: none.
std::optional<std::int32_t> ParseInteger(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with('$')) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (base == 16) {
        if (magnitude > 0xFFFFFFFFu) return std::nullopt;
        const auto bits = static_cast<std::uint32_t>(negative ? 0u - magnitude : magnitude);
        return static_cast<std::int32_t>(bits);
    }
    if (magnitude > (negative ? 2147483648u : 2147483647u)) return std::nullopt;
    return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(magnitude)
                                              : static_cast<std::int64_t>(magnitude));
}

}  // namespace

TIniFile::TIniFile(std::string fileName, IniRegistry& registry)
    : fileName_(std::move(fileName)), file_(registry.Open(fileName_)) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) {
    return ReadStringWithin(section, key, defaultValue, kStringBufferSize);
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    if (TryWriteString(section, key, value) != 0) ThrowWriteError();
}

std::int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key, std::int32_t defaultValue) {
    return ParseInteger(ReadString(section, key, "")).value_or(defaultValue);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool defaultValue) {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::ReadSection(const std::string& section, std::vector<std::string>& keys) {
    ReadSectionWithin(section, keys, kSectionBufferSize);
}

void TIniFile::ReadSections(std::vector<std::string>& sections) {
    sections = NamesInBlock(file_.File().ListSectionNames(kSectionBufferSize));
}

void TIniFile::ReadSectionValues(const std::string& section, std::vector<std::string>& values) {
    std::vector<std::string> keys;
    ReadSection(section, keys);
    values.clear();
    for (const std::string& key : keys) values.push_back(key + "=" + ReadString(section, key, ""));
}

void TIniFile::EraseSection(const std::string& section) {
    if (file_.File().RemoveSection(section) != 0) ThrowWriteError();
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    file_.File().RemoveKey(section, key);
}

void TIniFile::UpdateFile() { file_.File().Flush(); }

std::string TIniFile::ReadStringWithin(const std::string& section, const std::string& key,
                                       const std::string& defaultValue, std::size_t bufferSize) {
    return file_.File().ReadValue(section, key, defaultValue, bufferSize);
}

void TIniFile::ReadSectionWithin(const std::string& section, std::vector<std::string>& keys,
                                 std::size_t bufferSize) {
    keys = NamesInBlock(file_.File().ListKeyNames(section, bufferSize));
}

std::uint32_t TIniFile::TryWriteString(const std::string& section, const std::string& key,
                                       const std::string& value) {
    return file_.File().WriteValue(section, key, value);
}

void TIniFile::ThrowWriteError() const { throw EIniFileException("Unable to write to " + fileName_); }

}  // namespace vu
