#pragma once

#include <spdlog/spdlog.h>
#include <utility>

namespace vsx {

// Runs a callback of the camera library's threads; nothing may escape into
// the library: a failure is logged as "<where>() failed: <what>" and the
// fallback is returned.
template <typename Result, typename Body>
Result guard_callback(const char* where, Result fallback, Body&& body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (const std::exception& e) {
        spdlog::error("{}() failed: {}", where, e.what());
    } catch (...) {
        spdlog::error("{}() failed: unknown exception", where);
    }
    return fallback;
}

template <typename Body>
void guard_callback(const char* where, Body&& body) noexcept
{
    guard_callback(where, 0, [&] {
        std::forward<Body>(body)();
        return 0;
    });
}

}  // namespace vsx
