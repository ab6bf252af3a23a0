#pragma once
// Pseudo-random numbers for the "id" parameter that keeps caches from answering list requests.

#include <cstdint>

namespace vu {

// A number from 0 to bound - 1 (bound > 0). Safe to call from any thread.
std::int32_t PseudoRandomBelow(std::int32_t bound);

}  // namespace vu
