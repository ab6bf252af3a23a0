#pragma once
// The INI file class of the system's platform, over our own INI reader and writer: reads never
// fail (a missing or unreadable file reads as empty), a failed write raises EIniFileException.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/ini_registry.h"

namespace vu {

class EIniFileException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TIniFile {
public:
    // Stores the name; the file is first touched by the first operation.
    explicit TIniFile(std::string fileName, IniRegistry& registry = IniRegistry::Process());
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;
    // Saves waiting writes.
    virtual ~TIniFile() = default;

    const std::string& FileName() const { return fileName_; }

    // Up to 2,047 characters.
    virtual std::string ReadString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue);
    // Raises EIniFileException "Unable to write to <file name>" when the write fails.
    virtual void WriteString(const std::string& section, const std::string& key, const std::string& value);
    // Decimal, or hexadecimal after "0x"/"0X"; the default when the text is not an integer.
    virtual std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t defaultValue);
    virtual void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    virtual bool ReadBool(const std::string& section, const std::string& key, bool defaultValue);
    virtual void WriteBool(const std::string& section, const std::string& key, bool value);
    // Key names of the section in file order, from a 16,384-byte listing.
    virtual void ReadSection(const std::string& section, std::vector<std::string>& keys);
    // Section names in file order, from a 16,384-byte listing.
    virtual void ReadSections(std::vector<std::string>& sections);
    // "key=value" for each key of the section.
    virtual void ReadSectionValues(const std::string& section, std::vector<std::string>& values);
    // Raises EIniFileException when the file cannot be written.
    virtual void EraseSection(const std::string& section);
    // A failure is not reported.
    virtual void DeleteKey(const std::string& section, const std::string& key);
    // Saves waiting writes to disk now.
    virtual void UpdateFile();

protected:
    static constexpr std::size_t kStringBufferSize = 2048;
    static constexpr std::size_t kSectionBufferSize = 16384;

    std::string ReadStringWithin(const std::string& section, const std::string& key,
                                 const std::string& defaultValue, std::size_t bufferSize);
    void ReadSectionWithin(const std::string& section, std::vector<std::string>& keys, std::size_t bufferSize);
    // 0 or the OS error code.
    std::uint32_t TryWriteString(const std::string& section, const std::string& key, const std::string& value);
    [[noreturn]] void ThrowWriteError() const;

private:
    std::string fileName_;
    IniFileLease file_;
};

}  // namespace vu
