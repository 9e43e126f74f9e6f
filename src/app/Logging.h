#pragma once

#include <cstddef>
#include <string>

namespace app {

inline constexpr std::size_t kLogFileMaxBytes = 2'097'152;
inline constexpr std::size_t kLogFileRotations = 3;

// Creates the program's logger "Quorel" over a coloured console sink and a
// rotating "log.txt" in the given folder (rotated at every start), makes it the
// default logger and writes the session banner. Throws when the log file
// cannot be created.
void setup_logging(const std::wstring& settings_directory);

// Flushes and closes every logger. Lines logged afterwards (from objects
// destroyed at process exit) are dropped instead of reaching a closed logger.
void shutdown_logging();

}  // namespace app
