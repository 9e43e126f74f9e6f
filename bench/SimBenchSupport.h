#pragma once

// Starts the simulated camera library once per benchmark program: the clock
// mode ("manual", "fast" or "realtime"), deterministic frames, the built-in
// cameras only, and a throwing default for failing library calls.

#include "device/VsxError.h"

#include <cstdlib>
#include <spdlog/spdlog.h>
#include <stdexcept>
#include <vsxcore.h>

namespace quorel::bench {

inline void start_simulated_library(const char* clock)
{
    static const bool done = [clock] {
        setenv("VSXSIM_CLOCK", clock, 1);
        setenv("VSXSIM_DETERMINISTIC", "1", 1);
        unsetenv("VSXSIM_SENSOR_SCALE");
        unsetenv("VSXSIM_CONFIG");
        unsetenv("VSXSIM_CAMERAS");
        vsx::Error::setLibraryDefaultThrow(true);
        spdlog::set_level(spdlog::level::warn);
        const vsx_init_config config{2, 0, 1, nullptr};
        return vsx_init_library(&config);
    }();
    if (!done)
        throw std::runtime_error("the camera library did not start");
}

} // namespace quorel::bench
