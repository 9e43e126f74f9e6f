#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace vsxsim {

enum class Pattern { Scene, GreyRamp, ColourRamp };

// A snapshot of everything a frame's pixels depend on, taken from the camera's
// features when they change.
struct RenderParams {
    uint32_t device_format = 0; // PFNC code of "PixelFormat"
    int depth = 8;
    bool colour = true;        // the device format carries colour
    bool camera_colour = true; // the camera has a colour sensor
    bool bayer = false;
    uint32_t width = 0, height = 0;
    int64_t offset_x = 0, offset_y = 0;
    int bin_h = 1, bin_v = 1;
    int64_t sensor_width = 0, sensor_height = 0;
    Pattern pattern = Pattern::Scene;
    bool stamp = true;
    bool reverse_x = false, reverse_y = false;
    // scene shading
    double exposure_factor = 1.0; // exposure / 10 ms * gain factor
    double black_level = 0.0;     // 0..1 of full scale
    double gamma = 1.0;
    std::array<double, 3> balance{1.0, 1.0, 1.0}; // R, G, B
    double brightness = 0.0, contrast = 1.0;
    bool colour_transform = false;
    std::array<double, 9> matrix{1, 0, 0, 0, 1, 0, 0, 0, 1};
    double blur = 0.0; // focus blur radius in sensor pixels
    bool noise = false;
    bool realistic = false; // mosaic and demosaic the scene
    // look-up tables (index count n, values 0..value_max), R G B or one for mono
    bool lut_enabled[3] = {false, false, false};
    std::shared_ptr<const std::vector<std::vector<int64_t>>> luts;
    std::array<int64_t, 3> lut_value_max{4095, 4095, 4095};
};

} // namespace vsxsim
