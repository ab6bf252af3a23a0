#pragma once
// The two INI classes the system uses:
// - TIniFileEx reads long values (up to 8,191 characters) and long key lists (a 5,242,880-byte
//   listing); it serves the patch lists, which are only read.
// - TNEIniFile writes without raising: WriteString (and WriteInteger through it) keeps the OS
//   error code of its last write instead, 0 after a write that succeeded; the file stays as it
//   was after a failed write.

#include <cstdint>
#include <string>
#include <vector>

#include "support/ini_file.h"

namespace vu {

class TIniFileEx : public TIniFile {
public:
    using TIniFile::TIniFile;

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) override;
    void ReadSection(const std::string& section, std::vector<std::string>& keys) override;

private:
    static constexpr std::size_t kLongStringBufferSize = 8192;
    static constexpr std::size_t kLongSectionBufferSize = 5242880;
};

class TNEIniFile : public TIniFile {
public:
    using TIniFile::TIniFile;

    void WriteString(const std::string& section, const std::string& key, const std::string& value) override;
    std::uint32_t LastWriteError() const { return lastWriteError_; }

private:
    std::uint32_t lastWriteError_ = 0;
};

}  // namespace vu
