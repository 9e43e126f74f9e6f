#pragma once

#include <chrono>
#include <cstdint>

namespace kyrgx {

// Milliseconds of wall-clock time since 1 January 1970, truncated. For time
// stamps; intervals and time-outs that must survive a change of the system
// clock measure on std::chrono::steady_clock instead.
inline int64_t now_ms()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace kyrgx
