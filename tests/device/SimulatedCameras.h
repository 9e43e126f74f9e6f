#pragma once

#include "device/VsxError.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vsxcore.h>
#include <vsxsim.h>

namespace quorel::test {

// The simulated cameras, initialised once per test process in deterministic
// mode with the fast clock (frames as soon as a buffer is free).
inline void init_simulated_cameras()
{
    static const bool initialised = [] {
        setenv("VSXSIM_DETERMINISTIC", "1", 1);
        setenv("VSXSIM_CLOCK", "fast", 0);
        setenv("VSXSIM_SENSOR_SCALE", "0.25", 0);
        const vsx_init_config config{2, 0, 1, nullptr};
        return vsx_init_library(&config);
    }();
    ASSERT_TRUE(initialised);
}

// Sets the wrapper's library default for the life of the object.
class LibraryDefaultThrows {
public:
    explicit LibraryDefaultThrows(bool throws) : previous_(vsx::Error::libraryDefaultThrows())
    {
        vsx::Error::setLibraryDefaultThrow(throws);
    }
    ~LibraryDefaultThrows() { vsx::Error::setLibraryDefaultThrow(previous_); }

private:
    bool previous_;
};

// The library's statistics as text (JSON).
inline std::string simulator_stats(const char* serial = nullptr)
{
    size_t size = 0;
    vsxsim_stats(serial, nullptr, &size);
    std::string text(size, '\0');
    if (size == 0 || !vsxsim_stats(serial, text.data(), &size))
        return {};
    text.resize(size - 1);
    return text;
}

}  // namespace quorel::test
