#include "host/legacy_request.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace vu {
namespace {

std::int32_t VU_CALL SomeCallback(std::int32_t, std::int32_t, std::int32_t, const char*,
                                  std::int32_t) {
    return 0;
}

// A legacy record whose every byte is 0xCC, so that bytes copied from beyond a text's NUL show.
LegacyUpdateRequest FilledLegacyRequest() {
    LegacyUpdateRequest legacy;
    std::memset(&legacy, 0xCC, sizeof legacy);
    return legacy;
}

template <std::size_t Width>
std::string FieldBytes(const char (&field)[Width]) {
    return std::string(field, Width);
}

template <std::size_t Width>
void PutText(char (&field)[Width], const std::string& text) {
    std::memcpy(field, text.c_str(), std::min(text.size() + 1, Width));
}

TEST(ConvertLegacyRequest, CopiesEveryFieldAndZeroesTheRest) {
    LegacyUpdateRequest legacy = FilledLegacyRequest();
    legacy.Context = 0x12345678;
    legacy.Flags = static_cast<std::int32_t>(0xEFFFFFFFu);
    PutText(legacy.ProductName, "Client");
    PutText(legacy.Version, "1.2.3");
    PutText(legacy.ListUrl, "http://h/plist.txt#data*hd");
    legacy.Callback = &SomeCallback;
    legacy.DiffPatch = 0x07;
    legacy.VersionCheck = 0xFFFF;

    const UpdateRequest request = ConvertLegacyRequest(legacy);
    EXPECT_EQ(request.Context, 0x12345678);
    EXPECT_EQ(request.Flags, static_cast<std::int32_t>(0xEFFFFFFFu));
    EXPECT_EQ(FieldBytes(request.ProductName), "Client" + std::string(34, '\0'));
    EXPECT_EQ(FieldBytes(request.Version), "1.2.3" + std::string(15, '\0'));
    EXPECT_EQ(FieldBytes(request.ListUrl), "http://h/plist.txt#data*hd" + std::string(234, '\0'));
    EXPECT_EQ(FieldBytes(request.Reserved), std::string(260, '\0'));
    const HostCallback callback = request.Callback;  // packed: read it by value
    EXPECT_EQ(callback, &SomeCallback);
    EXPECT_EQ(request.VersionCheck, 0xFFFF);
    EXPECT_EQ(request.DiffPatch, 0x0007);
}

TEST(ConvertLegacyRequest, TextsFillingTheirFieldsAreCutAtTheLegacyWidth) {
    LegacyUpdateRequest legacy = FilledLegacyRequest();
    std::memset(legacy.ProductName, 'P', sizeof legacy.ProductName);
    std::memset(legacy.Version, 'V', sizeof legacy.Version);
    std::memset(legacy.ListUrl, 'u', sizeof legacy.ListUrl);

    const UpdateRequest request = ConvertLegacyRequest(legacy);
    EXPECT_EQ(FieldBytes(request.ProductName), std::string(40, 'P'));
    EXPECT_EQ(FieldBytes(request.Version), std::string(20, 'V'));
    EXPECT_EQ(FieldBytes(request.ListUrl), std::string(80, 'u') + std::string(180, '\0'));
    EXPECT_EQ(FieldBytes(request.Reserved), std::string(260, '\0'));
}

TEST(ConvertLegacyRequest, SwitchesComeFromTheirOwnBytes) {
    const struct {
        std::uint32_t bytes152To155;  // little-endian: DiffPatch, the unused byte, VersionCheck
        std::uint16_t versionCheck;
        std::uint16_t diffPatch;
    } cases[] = {
        {0x000F00FFu, 0x000F, 0x00FF},
        {0xFFFFAB0Fu, 0xFFFF, 0x000F},
        {0x00F0FF07u, 0x00F0, 0x0007},
        {0x00000000u, 0x0000, 0x0000},
    };
    for (const auto& c : cases) {
        LegacyUpdateRequest legacy = FilledLegacyRequest();
        unsigned char* const switches =
            reinterpret_cast<unsigned char*>(&legacy) + offsetof(LegacyUpdateRequest, DiffPatch);
        for (int i = 0; i < 4; ++i) {
            switches[i] = static_cast<unsigned char>(c.bytes152To155 >> (8 * i));
        }
        const UpdateRequest request = ConvertLegacyRequest(legacy);
        EXPECT_EQ(request.VersionCheck, c.versionCheck) << std::hex << c.bytes152To155;
        EXPECT_EQ(request.DiffPatch, c.diffPatch) << std::hex << c.bytes152To155;
    }
}

}  // namespace
}  // namespace vu
