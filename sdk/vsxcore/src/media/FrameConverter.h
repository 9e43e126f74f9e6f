#pragma once

#include "media/MediaTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

struct AVFrame;
struct SwsContext;

namespace vsxsim::media {

class BandWorkers;

// Converts camera frames of one type into the encoder's 4:2:0 frames
// (limited-range BT.601). Encoders need even sizes, so the coded size is the
// frame's size rounded up to even, the missing last row and column repeating
// the frame's last ones.
//
// The conversion runs in the library's own vector kernels, a row pair at a
// time; large frames in bands of rows on several processors at once. FFmpeg's
// swscale does the same job several times slower; it stays available as the
// reference the kernels are checked and measured against.
class FrameConverter {
public:
    enum class Method { Kernels, Swscale };

    explicit FrameConverter(Method method = Method::Kernels);
    ~FrameConverter();
    FrameConverter(const FrameConverter&) = delete;
    FrameConverter& operator=(const FrameConverter&) = delete;

    // Prepares for frames of this type. kNotSupported for a pixel format the
    // encoder does not take, kInvalidParameter for a size it cannot convert.
    Status configure(uint32_t pixel_format, uint32_t width, uint32_t height);

    // kInvalidParameter when `image` is not of the configured type or its pitch
    // or data are unusable.
    Status check(const ImageView& image) const;

    // Converts a checked image into `frame`, a yuv420p frame of the coded size.
    void convert(const ImageView& image, AVFrame* frame);

    uint32_t coded_width() const { return coded_width_; }
    uint32_t coded_height() const { return coded_height_; }

private:
    void release();
    SwsContext* make_context(int source, int target) const;
    void convert_swscale(const ImageView& image, AVFrame* frame);
    void convert_kernels(const ImageView& image, AVFrame* frame);
    // Rows [from, to) of the frame (from even), with six planar rows of scratch.
    void convert_rows(const ImageView& image, AVFrame* frame, uint32_t from, uint32_t to,
                      uint8_t* scratch) const;

    Method method_;

    SwsContext* sws_ = nullptr;      // to the encoder's format
    SwsContext* demosaic_ = nullptr; // Bayer mosaics to RGB first
    std::vector<uint8_t> rgb_;
    size_t rgb_stride_ = 0;
    uint32_t pixel_format_ = 0;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    uint32_t convert_width_ = 0; // the part of the frame swscale converts
    uint32_t convert_height_ = 0;
    size_t min_pitch_ = 0; // bytes swscale reads from a row
    uint32_t coded_width_ = 0;
    uint32_t coded_height_ = 0;
    std::vector<uint8_t> tail_;   // the frame's last rows, with room to read past them
    std::vector<uint8_t> planes_; // the kernels' planar colours of a row pair, per thread
    std::unique_ptr<BandWorkers> workers_;
};

} // namespace vsxsim::media
