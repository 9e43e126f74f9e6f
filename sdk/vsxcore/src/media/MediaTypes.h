#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vsxsim::media {

// A caller's image, read in place: rows top-down, `pitch` bytes apart.
struct ImageView {
    uint32_t pixel_format;
    uint32_t width;
    uint32_t height;
    size_t pitch;
    const uint8_t* data;
};

// The result of a call: code 0 is success, anything else is one of the SDK's
// error codes below with a message for people.
struct Status {
    int code = 0;
    std::string message;
    bool ok() const { return code == 0; }
};

// The SDK error codes the media writers report.
enum StatusCode : int {
    kInternal = 1,
    kInvalidParameter = 3,
    kInvalidState = 10,
    kNotSupported = 15,
    kFileIO = 16,
    kEncoder = 18,
};

} // namespace vsxsim::media
