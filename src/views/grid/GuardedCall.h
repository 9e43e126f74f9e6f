#pragma once

#include <exception>
#include <spdlog/spdlog.h>

namespace app::QtView {

// Runs the work of a Qt slot or event handler so that no exception leaves it:
// a failure is logged as "<where> failed: <what>" and the event loop goes on.
// The subscribers of a row's events are the usual source of such failures.
template <typename Work> void guardedCall(const char* where, Work&& work) noexcept
{
    try {
        work();
    } catch (const std::exception& e) {
        spdlog::error("{} failed: {}", where, e.what());
    } catch (...) {
        spdlog::error("{} failed: unknown exception", where);
    }
}

} // namespace app::QtView
