#include "support/pseudo_random.h"

#include <chrono>
#include <mutex>
#include <random>

namespace vu {

std::int32_t PseudoRandomBelow(std::int32_t bound) {
    static std::mutex lock;
    // Seeded from the clock once per process: the numbers only have to differ between requests.
    static std::minstd_rand generator(static_cast<std::uint_fast32_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<std::int32_t> distribution(0, bound - 1);
    const std::lock_guard guard(lock);
    return distribution(generator);
}

}  // namespace vu
