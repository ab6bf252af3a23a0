// The built Windows library as a file: its export table (names and ordinals) and its version
// resource.

#if defined(_WIN32)

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>

namespace vu {
namespace {

std::string LibraryPath() {
    std::string path = VU_LIBRARY_PATH;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return "Z:" + path;
}

TEST(LibraryImageTest, ExportsTheSevenFunctionsAtTheirOrdinalsUndecorated) {
    // Mapped as an image without running its entry point.
    const HMODULE image = LoadLibraryExA(LibraryPath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(image, nullptr);
    const auto* base = reinterpret_cast<const unsigned char*>(image);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const auto& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    const auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);

    std::map<std::string, DWORD> found;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        found[reinterpret_cast<const char*>(base + names[i])] = exports->Base + ordinals[i];
    }
    const std::map<std::string, DWORD> expected = {
        {"VuCheckVersion", 1}, {"VuGetVersion", 2}, {"VuGetOption", 3}, {"VuSetOption", 4},
        {"VuStopUpdate", 5}, {"VuAutoUpdate2", 6}, {"VuAutoUpdate", 7}};
    EXPECT_EQ(found, expected);
    EXPECT_EQ(exports->NumberOfFunctions, 7u);
    FreeLibrary(image);
}

TEST(LibraryImageTest, CarriesFileVersion1_1_3_60) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(LibraryPath().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::string data(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(LibraryPath().c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length));
    EXPECT_EQ(info->dwFileVersionMS, (1u << 16) | 1u);
    EXPECT_EQ(info->dwFileVersionLS, (3u << 16) | 60u);
}

}  // namespace
}  // namespace vu

#endif
