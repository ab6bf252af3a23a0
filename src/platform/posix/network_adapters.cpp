#include "platform/network_adapters.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>

#include <algorithm>
#include <memory>

namespace vu::platform {
namespace {

struct InterfaceListDeleter {
    void operator()(ifaddrs* list) const noexcept { freeifaddrs(list); }
};

}  // namespace

std::vector<NetworkAdapter> ListNetworkAdapters() {
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) return {};
    const std::unique_ptr<ifaddrs, InterfaceListDeleter> list(raw);

    std::vector<NetworkAdapter> adapters;
    for (const ifaddrs* entry = list.get(); entry != nullptr; entry = entry->ifa_next) {
        // Each interface appears once with its hardware (packet) address.
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_PACKET) continue;
        if ((entry->ifa_flags & IFF_LOOPBACK) != 0) continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
        NetworkAdapter adapter;
        adapter.description = entry->ifa_name != nullptr ? entry->ifa_name : "";
        const std::size_t length = std::min<std::size_t>(link->sll_halen, adapter.address.size());
        adapter.addressLength = static_cast<std::uint32_t>(length);
        std::copy_n(link->sll_addr, length, adapter.address.begin());
        adapters.push_back(std::move(adapter));
    }
    return adapters;
}

}  // namespace vu::platform
