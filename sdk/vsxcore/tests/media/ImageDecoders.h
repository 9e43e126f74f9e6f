#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vsxsim::media::test {

// An image read back from a file, samples in R, G, B order (or grey).
struct DecodedImage {
    uint32_t width = 0;
    uint32_t height = 0;
    int channels = 0; // 1 grey, 3 RGB, 4 RGBA
    int bits = 0;     // per sample
    std::vector<uint16_t> samples;
    // JPEG only: the luma sampling factors and whether the file is progressive.
    int luma_h = 0;
    int luma_v = 0;
    bool progressive = false;

    uint16_t at(uint32_t x, uint32_t y, int c) const
    {
        return samples[(size_t{y} * width + x) * channels + c];
    }
};

// Each reader throws std::runtime_error when the file is not a readable image
// of its kind.
DecodedImage read_bmp(const std::string& path);
DecodedImage read_png(const std::string& path);
DecodedImage read_jpeg(const std::string& path);
DecodedImage read_tiff(const std::string& path);

std::vector<uint8_t> read_file(const std::string& path);

} // namespace vsxsim::media::test
