#include "platform/network_adapters.h"

#include <windows.h>
#include <iphlpapi.h>

#include <algorithm>
#include <cstring>

namespace vu::platform {

std::vector<NetworkAdapter> ListNetworkAdapters() {
    // The first call, without a buffer, answers ERROR_BUFFER_OVERFLOW with the size it needs.
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return {};
    // Whole records, zero-filled, so that the list is properly aligned.
    const std::size_t records = (size + sizeof(IP_ADAPTER_INFO) - 1) / sizeof(IP_ADAPTER_INFO);
    std::vector<IP_ADAPTER_INFO> buffer(records);
    size = static_cast<ULONG>(buffer.size() * sizeof(IP_ADAPTER_INFO));
    if (GetAdaptersInfo(buffer.data(), &size) != NO_ERROR) return {};

    std::vector<NetworkAdapter> adapters;
    for (const IP_ADAPTER_INFO* info = buffer.data(); info != nullptr; info = info->Next) {
        NetworkAdapter adapter;
        adapter.description.assign(info->Description,
                                   strnlen(info->Description, sizeof info->Description));
        const std::size_t length =
            std::min<std::size_t>(info->AddressLength, adapter.address.size());
        adapter.addressLength = static_cast<std::uint32_t>(length);
        std::copy_n(info->Address, length, adapter.address.begin());
        adapters.push_back(std::move(adapter));
    }
    return adapters;
}

}  // namespace vu::platform
