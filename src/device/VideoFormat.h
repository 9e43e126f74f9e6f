#pragma once

#include <cstdint>
#include <string>

namespace app {

// A camera's video format: its pixel format with the image width and height,
// and the text that lists and dialogs show ("BayerRG8 (1920x1080)").
struct VideoFormat {
    int64_t width = 0;
    int64_t height = 0;
    std::string pixelformat; // as the camera names it, e.g. "Mono8"
    std::string text;

    // "<pixel format> (<width>x<height>)".
    static std::string makeText(const std::string& pixelformat, int64_t width, int64_t height);
};

} // namespace app
