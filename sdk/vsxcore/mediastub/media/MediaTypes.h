#pragma once
// Stand-in for the media writers' interface until their sources are in this tree.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vsxsim::media {

struct ImageView {
    uint32_t pixel_format;
    uint32_t width;
    uint32_t height;
    size_t pitch;
    const uint8_t* data;
};

struct Status {
    int code = 0;
    std::string message;
    bool ok() const { return code == 0; }
};

} // namespace vsxsim::media
