// Our INI reader against the system's own private-profile functions, asked the same questions
// about the same files, with buffers of many sizes. Windows only.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <set>

#include "helpers/temp_folder.h"
#include "ini_awkward_files.h"
#include "support/ini_file_ex.h"
#include "support/ini_registry.h"

namespace vu {
namespace {

const std::vector<std::size_t> kValueBufferSizes = {1, 2, 3, 5, 8, 2048, 8192};
const std::vector<std::size_t> kListingBufferSizes = {1, 2, 3, 4, 5, 7, 8, 9, 13, 16384};
// With two-byte characters the system cuts by characters where we cut by bytes; the classes use
// only buffers far larger than their names and values.
const std::vector<std::size_t> kClassValueBufferSizes = {2048, 8192};
const std::vector<std::size_t> kClassListingBufferSizes = {16384, 5242880};

struct BufferSizes {
    const std::vector<std::size_t>& values;
    const std::vector<std::size_t>& listings;
};
const BufferSizes kAllSizes{kValueBufferSizes, kListingBufferSizes};

std::string SystemValue(const std::string& path, const std::string& section, const std::string& key,
                        std::size_t bufferSize) {
    std::string buffer(bufferSize + 1, '#');
    const DWORD count = GetPrivateProfileStringA(section.c_str(), key.c_str(), "?", buffer.data(),
                                                 static_cast<DWORD>(bufferSize), path.c_str());
    return buffer.substr(0, count);
}

// The listing's count and its bytes through the NUL after the count.
ProfileBlock SystemListing(const std::string& path, const std::string* section, std::size_t bufferSize) {
    std::string buffer(bufferSize + 1, '#');
    const DWORD count = GetPrivateProfileStringA(section != nullptr ? section->c_str() : nullptr, nullptr, nullptr,
                                                 buffer.data(), static_cast<DWORD>(bufferSize), path.c_str());
    return {buffer.substr(0, count + 1), count};
}

ProfileBlock Through(ProfileBlock block) {
    block.bytes.resize(block.count + 1);
    return block;
}

// Compares every value probe, and the listing of every section named anywhere in the probes and
// of all sections, with every buffer size.
void ExpectSameAnswers(const std::string& path, const std::string& label,
                       const std::vector<test::IniValueProbe>& values, std::set<std::string> sections,
                       const BufferSizes& sizes) {
    IniRegistry registry;
    const IniFileLease lease = registry.Open(path);
    IniSharedFile& ours = lease.File();
    for (const test::IniValueProbe& probe : values) {
        sections.insert(probe.section);
        for (const std::size_t size : sizes.values)
            EXPECT_EQ(ours.ReadValue(probe.section, probe.key, "?", size),
                      SystemValue(path, probe.section, probe.key, size))
                << label << ": [" << probe.section << "] " << probe.key << ", buffer " << size;
    }
    for (const std::string& name : NamesInBlock(ours.ListSectionNames(16384))) sections.insert(name);
    for (const std::size_t size : sizes.listings) {
        const ProfileBlock system = SystemListing(path, nullptr, size);
        const ProfileBlock mine = Through(ours.ListSectionNames(size));
        EXPECT_EQ(mine.count, system.count) << label << ": sections, buffer " << size;
        EXPECT_EQ(mine.bytes, system.bytes) << label << ": sections, buffer " << size;
        for (const std::string& section : sections) {
            const ProfileBlock systemKeys = SystemListing(path, &section, size);
            const ProfileBlock myKeys = Through(ours.ListKeyNames(section, size));
            EXPECT_EQ(myKeys.count, systemKeys.count) << label << ": keys of [" << section << "], buffer " << size;
            EXPECT_EQ(myKeys.bytes, systemKeys.bytes) << label << ": keys of [" << section << "], buffer " << size;
        }
    }
}

TEST(IniSystemFidelity, AwkwardFilesReadAsTheSystemReadsThem) {
    const test::TempFolder folder;
    int index = 0;
    const UINT codePage = GetACP();
    for (const test::AwkwardIniFile& file : test::AwkwardIniFiles()) {
        if (file.codePage != 0 && file.codePage != codePage) continue;
        // A fresh name per file: the system caches what it read by name and time.
        const std::string path = folder / ("awkward" + std::to_string(index++) + ".ini");
        test::WriteFileBytes(path, file.bytes);
        for (const test::IniValueProbe& probe : file.values)
            EXPECT_EQ(SystemValue(path, probe.section, probe.key, 65536), probe.expected)
                << file.name << ": the table records what the system answers";
        std::set<std::string> sections{"missing", "", "s", "S "};
        for (const test::IniListingProbe& probe : file.listings)
            if (probe.section) sections.insert(*probe.section);
        const bool twoByteCharacters = codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
        const BufferSizes classSizes{kClassValueBufferSizes, kClassListingBufferSizes};
        ExpectSameAnswers(path, file.name, file.values, sections, twoByteCharacters ? classSizes : kAllSizes);
    }
}

TEST(IniSystemFidelity, WhatOurWriterWritesTheSystemReadsTheSame) {
    const test::TempFolder folder;
    const std::string path = folder / "written.ini";
    test::WriteFileBytes(path, "top=1\r\n; note\r\n[S]\r\n  k  =  old  \r\nk=dup\r\n\r\n[T]\rx=1\n"
                               "[s]\r\nm=2\r\nflag\r\nlast=no line end");
    {
        TNEIniFile file(path);
        const std::vector<std::array<const char*, 3>> writes = {
            {"s", "K", "new"},         {"S", "added", "'quoted'"}, {"T", "y", "  spaced  "},
            {"New", "n", "\"double\""}, {"", "top", "0"},           {"", "lead", "in"},
            {"s", "flag", "set"},       {"S", "last", "yes"},      {"S", "empty", ""},
            {"New", "tab", "a\tb"},
        };
        for (const auto& [section, key, value] : writes) {
            file.WriteString(section, key, value);
            ASSERT_EQ(file.LastWriteError(), 0u) << key;
        }
        file.DeleteKey("S", "k");
        file.EraseSection("T");
        file.UpdateFile();
    }
    std::vector<test::IniValueProbe> probes;
    for (const char* section : {"S", "s", "T", "New", "", "missing"})
        for (const char* key : {"k", "added", "y", "x", "n", "top", "lead", "flag", "last", "empty", "tab", "m"})
            probes.push_back({section, key, ""});
    ExpectSameAnswers(path, "written", probes, {"S", "T", "New", ""}, kAllSizes);
    EXPECT_EQ(SystemValue(path, "S", "k", 100), "dup");
    EXPECT_EQ(SystemValue(path, "New", "n", 100), "double");
}

}  // namespace
}  // namespace vu

#endif  // _WIN32
