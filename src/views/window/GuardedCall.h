#pragma once

#include <exception>
#include <spdlog/spdlog.h>
#include <utility>

namespace app::QtView {

// Runs the part of a Qt signal or event handler that raises a view's event
// list. No exception may leave a Qt handler, so one thrown by a subscriber is
// logged as "<where>() failed: <what>" and goes no further.
template <class Handler> void run_guarded(const char* where, Handler&& handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& e) {
        spdlog::error("{}() failed: {}", where, e.what());
    } catch (...) {
        spdlog::error("{}() failed: unknown exception", where);
    }
}

} // namespace app::QtView
