#pragma once

#include <chrono>
#include <cstdint>

namespace app {

// Monotonic clock readings (std::chrono::steady_clock): for intervals,
// time-outs, rates and profiling. Setting the system clock does not move them.
inline int64_t clock_microseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

inline int64_t steady_ms()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace app
