#pragma once

#include "media/MediaTypes.h"

#include <memory>

namespace vsxsim::media {

struct VideoSettings {
    int codec = 0; // 0 H.264, 1 H.265
    bool bitrate_auto = true;
    int64_t bitrate_kbps = 5000;
    int64_t keyframe_interval = 0; // 0: 2 s worth of frames
};

class VideoEncoder {
public:
    VideoEncoder();
    ~VideoEncoder();
    Status begin(const std::string& utf8_path, uint32_t pixel_format, uint32_t width, uint32_t height,
                 double fps, const VideoSettings& settings);
    Status add(const ImageView& frame);
    Status finish();
    bool is_open() const;

private:
    bool open_ = false;
};

} // namespace vsxsim::media
