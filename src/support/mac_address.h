#pragma once
// The machine's MAC address as the error report names it: one adapter's hardware address,
// preferring a physical adapter over VMware and other virtual ones.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/network_adapters.h"

namespace vu {

// The first `length` bytes (at most 8) as upper-case hex pairs joined by "-", such as
// "00-1A-2B-3C-4D-5E"; "" for length 0.
std::string FormatMacAddress(std::uint32_t length, const std::array<std::uint8_t, 8>& bytes);

// The address of the first adapter whose description names neither VMware nor a virtual
// device (in any letter case); when every adapter is passed over, the last one's; "" for none.
std::string ChooseMacAddress(const std::vector<platform::NetworkAdapter>& adapters);

// ChooseMacAddress over the machine's adapters; "" when none can be listed.
std::string GetMacAddress();

}  // namespace vu
