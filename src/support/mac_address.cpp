#include "support/mac_address.h"

#include <algorithm>
#include <cstdio>

namespace vu {
namespace {

std::string UpperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

bool IsVirtualAdapter(const std::string& description) {
    const std::string upper = UpperAscii(description);
    return upper.find("VMWARE") != std::string::npos || upper.find("VIRTUAL") != std::string::npos;
}

}  // namespace

std::string FormatMacAddress(std::uint32_t length, const std::array<std::uint8_t, 8>& bytes) {
    const std::size_t count = std::min<std::size_t>(length, bytes.size());
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned>(bytes[i]));
        if (i > 0) text += '-';
        text += pair;
    }
    return text;
}

std::string ChooseMacAddress(const std::vector<platform::NetworkAdapter>& adapters) {
    std::string result;
    for (const auto& adapter : adapters) {
        // Formatted before the test: when all are passed over, the last one's address stays.
        result = FormatMacAddress(adapter.addressLength, adapter.address);
        if (!IsVirtualAdapter(adapter.description)) break;
    }
    return result;
}

std::string GetMacAddress() {
    return ChooseMacAddress(platform::ListNetworkAdapters());
}

}  // namespace vu
