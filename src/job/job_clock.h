#pragma once
// The clock the download's speed measurement and limiter run on: the system's by default, a
// driven one in tests.

#include <cstdint>
#include <functional>

#include "platform/thread.h"

namespace vu {

struct JobClock {
    std::function<std::uint32_t()> tickCount = platform::TickCount;  // milliseconds, wrapping
    std::function<void(std::uint32_t milliseconds)> sleep = platform::SleepMilliseconds;
};

}  // namespace vu
