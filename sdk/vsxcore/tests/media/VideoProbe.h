#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vsxsim::media::test {

struct DecodedFrame {
    int width = 0;
    int height = 0;
    bool key = false;
    std::vector<uint8_t> y; // width x height
    std::vector<uint8_t> u; // (width / 2) x (height / 2), rounded up
    std::vector<uint8_t> v;

    int luma(int x, int y_) const { return y[static_cast<size_t>(y_) * width + x]; }
};

// A video file opened and decoded with libavformat and libavcodec.
struct ProbedVideo {
    std::string container; // the demuxer's name, e.g. "mov,mp4,m4a,3gp,3g2,mj2"
    std::string codec;     // "h264", "hevc"
    uint32_t codec_tag = 0;
    int width = 0;
    int height = 0;
    int rate_num = 0; // the stream's frame rate
    int rate_den = 0;
    std::vector<DecodedFrame> frames; // in display order
};

// Throws std::runtime_error when the file cannot be opened or has no video.
ProbedVideo probe_video(const std::string& path);

} // namespace vsxsim::media::test
