#pragma once

#include "kyrgx/Vec2.h"

#include <cstdint>
#include <string>

namespace app {

// What the status bar shows about the selected camera.
struct StatusBarInfo {
    std::wstring firstText;  // model and serial number
    std::wstring secondText; // video format
    float framerate = 0.0f;  // configured
    float measuredFramerate = 0.0f;
    kyrgx::Vec2<int> pickedPoint{0, 0};
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

} // namespace app
