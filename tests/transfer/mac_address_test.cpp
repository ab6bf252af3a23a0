#include "support/mac_address.h"

#include <gtest/gtest.h>

#include "platform/network_adapters.h"

namespace vu {
namespace {

platform::NetworkAdapter Adapter(const std::string& description, std::uint8_t lastByte,
                                 std::uint32_t length = 6) {
    return {description, length, {0x00, 0x0C, 0x29, 0xAB, 0xCD, lastByte, 0x11, 0x22}};
}

TEST(MacAddressTest, AddressesFormatAsUpperCaseHexPairsJoinedByDashes) {
    const std::array<std::uint8_t, 8> bytes{0x00, 0x0C, 0x29, 0xAB, 0xCD, 0xEF, 0x01, 0xFF};
    EXPECT_EQ(FormatMacAddress(6, bytes), "00-0C-29-AB-CD-EF");
    EXPECT_EQ(FormatMacAddress(0, bytes), "");
    EXPECT_EQ(FormatMacAddress(1, bytes), "00");
    EXPECT_EQ(FormatMacAddress(8, bytes), "00-0C-29-AB-CD-EF-01-FF");
    EXPECT_EQ(FormatMacAddress(200, bytes), "00-0C-29-AB-CD-EF-01-FF");  // never past the bytes
}

TEST(MacAddressTest, ThePhysicalAdapterIsPreferredOverVirtualOnes) {
    struct Case {
        const char* name;
        std::vector<platform::NetworkAdapter> adapters;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"none", {}, ""},
        {"vmware first", {Adapter("VMware Virtual Ethernet Adapter for VMnet8", 1),
                          Adapter("Intel(R) Ethernet Connection", 2)}, "00-0C-29-AB-CD-02"},
        {"virtual first", {Adapter("Microsoft Virtual WiFi Miniport Adapter", 1),
                           Adapter("Realtek PCIe GbE Family Controller", 2)}, "00-0C-29-AB-CD-02"},
        {"mixed case", {Adapter("vmWare network", 1), Adapter("a VIRTUAL one", 2),
                        Adapter("virtual", 3), Adapter("eth0", 4), Adapter("eth1", 5)},
         "00-0C-29-AB-CD-04"},
        {"only virtual", {Adapter("VMware 1", 1), Adapter("Hyper-V Virtual Ethernet", 2)},
         "00-0C-29-AB-CD-02"},
        {"physical first", {Adapter("Broadcom NetXtreme", 1), Adapter("VMware", 2)},
         "00-0C-29-AB-CD-01"},
        {"chosen has no address", {Adapter("VMware", 1), Adapter("Tunnel", 2, 0)}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ChooseMacAddress(c.adapters), c.expected) << c.name;
}

TEST(MacAddressTest, TheSystemListGivesAddressesOfAtMostEightBytes) {
    const auto adapters = platform::ListNetworkAdapters();
    for (const auto& adapter : adapters) {
        EXPECT_LE(adapter.addressLength, 8u) << adapter.description;
        EXPECT_FALSE(adapter.description.empty());
    }
    const std::string chosen = GetMacAddress();
    if (adapters.empty()) {
        EXPECT_EQ(chosen, "");
    }
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        const char c = chosen[i];
        const bool hexDigit = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        const bool expected = i % 3 == 2 ? c == '-' : hexDigit;
        EXPECT_TRUE(expected) << chosen;
    }
}

}  // namespace
}  // namespace vu
