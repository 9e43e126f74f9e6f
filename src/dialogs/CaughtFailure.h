#pragma once

#include <functional>
#include <optional>
#include <string>

// Runs a step at the edge of a Qt slot or event handler, where no exception
// may pass. A failure is logged as "<where>() failed: <what>" and its text is
// returned; nullopt when the step ran through.
std::optional<std::string> run_caught(const char* where, const std::function<void()>& step) noexcept;
