#include "dialogs/CaughtFailure.h"

#include <exception>
#include <spdlog/spdlog.h>

std::optional<std::string> run_caught(const char* where, const std::function<void()>& step) noexcept
{
    std::string what;
    try {
        step();
        return std::nullopt;
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
        what = "unknown exception";
    }
    try {
        spdlog::error("{}() failed: {}", where, what);
    } catch (...) {
    }
    return what;
}
