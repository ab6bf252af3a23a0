#include "support/ini_file_ex.h"

namespace vu {

std::string TIniFileEx::ReadString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue) {
    return ReadStringWithin(section, key, defaultValue, kLongStringBufferSize);
}

void TIniFileEx::ReadSection(const std::string& section, std::vector<std::string>& keys) {
    ReadSectionWithin(section, keys, kLongSectionBufferSize);
}

void TNEIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    lastWriteError_ = TryWriteString(section, key, value);
}

}  // namespace vu
