#pragma once
// The machine's network adapters with their hardware (MAC) addresses, in the system's order.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vu::platform {

struct NetworkAdapter {
    std::string description;  // the adapter's description; the interface name on POSIX
    std::uint32_t addressLength = 0;  // how many of the address bytes count, at most 8
    std::array<std::uint8_t, 8> address{};
};

// The adapters the system lists; empty when none can be listed. Never raises for a missing
// network stack. Loopback interfaces are not listed.
std::vector<NetworkAdapter> ListNetworkAdapters();

}  // namespace vu::platform
