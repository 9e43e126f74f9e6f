// Counting a frame into histogram bins: about 128 x 128 samples of any of the
// display pixel formats.

#include "model/Histogram.h"

#include "kyrgx/PixelFormat.h"

#include <algorithm>
#include <stdexcept>

namespace app {

namespace {

using kyrgx::PixelFormat;

constexpr int kSamplesPerAxis = 128;

struct Channels {
    float* red;
    float* green;
    float* blue;
    float* gray;

    explicit Channels(HistogramBins& bins)
        : red(bins.values.data()), green(red + 256), blue(red + 512), gray(red + 768)
    {
    }

    void add(unsigned r, unsigned g, unsigned b)
    {
        red[r] += 1.0f;
        green[g] += 1.0f;
        blue[b] += 1.0f;
        gray[(79 * r + 150 * g + 27 * b) >> 8] += 1.0f;
    }
};

// Calls sample(pixel) at every sampling origin: columns and rows at
// steps of a 128th of the size, the last column and row left out.
template <class Sample>
void for_each_origin(const kyr_kelvane::image_descriptor& frame, int bytesPerPixel, Sample sample)
{
    const uint32_t width = frame.width;
    const uint32_t height = frame.height;
    const uint32_t stepX = std::max<uint32_t>(1, width / kSamplesPerAxis);
    const uint32_t stepY = std::max<uint32_t>(1, height / kSamplesPerAxis);
    const ptrdiff_t pitch = frame.pitch;
    const ptrdiff_t columnStride = static_cast<ptrdiff_t>(stepX) * bytesPerPixel;
    for (uint32_t y = 0; y + 1 < height; y += stepY) {
        const uint8_t* p = frame.data + static_cast<ptrdiff_t>(y) * pitch;
        for (uint32_t x = 0; x + 1 < width; x += stepX, p += columnStride)
            sample(p);
    }
}

// The 2 x 2 mosaic block whose top-left pixel is the origin, whatever the
// origin's parity: red at (rx, ry), green at (gx, gy), blue at (bx, by).
template <int BytesPerPixel>
void count_bayer(Channels& c, const kyr_kelvane::image_descriptor& frame, int rx, int ry, int gx, int gy,
                 int bx, int by)
{
    const int high = BytesPerPixel - 1; // little endian: the high byte comes last
    const ptrdiff_t pitch = frame.pitch;
    const ptrdiff_t r = ry * pitch + rx * BytesPerPixel + high;
    const ptrdiff_t g = gy * pitch + gx * BytesPerPixel + high;
    const ptrdiff_t b = by * pitch + bx * BytesPerPixel + high;
    for_each_origin(frame, BytesPerPixel, [&](const uint8_t* p) { c.add(p[r], p[g], p[b]); });
}

template <int BytesPerPixel>
void count_bayer_pattern(Channels& c, const kyr_kelvane::image_descriptor& frame, int pattern)
{
    // Positions of R, G and B within the block, as (x, y) pairs.
    switch (pattern) {
    case 0: // RGGB: R (0,0), G (1,0), B (1,1)
        count_bayer<BytesPerPixel>(c, frame, 0, 0, 1, 0, 1, 1);
        break;
    case 1: // GRBG: G (0,0), R (1,0), B (0,1)
        count_bayer<BytesPerPixel>(c, frame, 1, 0, 0, 0, 0, 1);
        break;
    case 2: // GBRG: G (0,0), B (1,0), R (0,1)
        count_bayer<BytesPerPixel>(c, frame, 0, 1, 0, 0, 1, 0);
        break;
    default: // BGGR: B (0,0), G (1,0), R (1,1)
        count_bayer<BytesPerPixel>(c, frame, 1, 1, 1, 0, 0, 0);
        break;
    }
}

int clamp_byte(float value)
{
    const int v = static_cast<int>(value); // toward zero
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

void check_frame(const kyr_kelvane::image_descriptor& frame)
{
    if (frame.data == nullptr)
        throw std::invalid_argument("get_histogram: the frame has no pixels.");
    const int64_t rowBytes = static_cast<int64_t>(frame.width) * kyrgx::pixel_format_bytes(frame.format);
    if (static_cast<int64_t>(frame.pitch) < rowBytes)
        throw std::invalid_argument("get_histogram: the pitch is shorter than a row.");
}

} // namespace

void get_histogram_yuv422(HistogramBins& out, const kyr_kelvane::image_descriptor& frame)
{
    out.values.fill(0.0f);
    if (frame.width < 2 || frame.height < 2)
        return;
    check_frame(frame);
    Channels c(out);
    const uint8_t* base = frame.data;
    const ptrdiff_t pitch = frame.pitch;
    const uint32_t stepX = std::max<uint32_t>(1, frame.width / kSamplesPerAxis);
    const uint32_t stepY = std::max<uint32_t>(1, frame.height / kSamplesPerAxis);
    for (uint32_t y = 0; y + 1 < frame.height; y += stepY) {
        const uint8_t* row = base + static_cast<ptrdiff_t>(y) * pitch;
        for (uint32_t x = 0; x + 1 < frame.width; x += stepX) {
            const uint8_t* pair = row + static_cast<ptrdiff_t>(x / 2) * 4;
            const float C = static_cast<float>((x & 1) ? pair[2] : pair[0]) - 16.0f;
            const float luma = C * 1.164f;
            const float D = static_cast<float>(pair[1]) - 128.0f;
            const float E = static_cast<float>(pair[3]) - 128.0f;
            const int r = clamp_byte(luma + 1.596f * E);
            const int g = clamp_byte(luma - 0.813f * E - 0.391f * D);
            const int b = clamp_byte(luma + 2.018f * D);
            c.add(static_cast<unsigned>(r), static_cast<unsigned>(g), static_cast<unsigned>(b));
        }
    }
}

void get_histogram(HistogramBins& out, const kyr_kelvane::image_descriptor& frame)
{
    const int format = static_cast<int>(frame.format);
    if (format < static_cast<int>(PixelFormat::RGB24) || format > static_cast<int>(PixelFormat::YUV422))
        throw std::runtime_error("Unknown kyrgx::PixelFormat in get_histogram.");
    if (frame.format == PixelFormat::YUV422) {
        get_histogram_yuv422(out, frame);
        return;
    }
    out.values.fill(0.0f);
    if (frame.width < 2 || frame.height < 2)
        return;
    check_frame(frame);
    Channels c(out);

    switch (frame.format) {
    case PixelFormat::RGB24:
        for_each_origin(frame, 3, [&](const uint8_t* p) { c.add(p[2], p[1], p[0]); });
        break;
    case PixelFormat::RGB32:
        for_each_origin(frame, 4, [&](const uint8_t* p) { c.add(p[2], p[1], p[0]); });
        break;
    case PixelFormat::RGB64:
        for_each_origin(frame, 8, [&](const uint8_t* p) { c.add(p[5], p[3], p[1]); });
        break;
    case PixelFormat::MONO8:
        for_each_origin(frame, 1, [&](const uint8_t* p) { c.gray[p[0]] += 1.0f; });
        break;
    case PixelFormat::MONO16:
        for_each_origin(frame, 2, [&](const uint8_t* p) {
            const uint8_t v = p[1];
            c.red[v] += 1.0f;
            c.green[v] += 1.0f;
            c.blue[v] += 1.0f;
            c.gray[v] += 1.0f;
        });
        break;
    case PixelFormat::RGGB8:
    case PixelFormat::GRBG8:
    case PixelFormat::GBRG8:
    case PixelFormat::BGGR8:
        count_bayer_pattern<1>(c, frame, format - static_cast<int>(PixelFormat::RGGB8));
        break;
    default: // the 16-bit mosaics
        count_bayer_pattern<2>(c, frame, format - static_cast<int>(PixelFormat::RGGB16));
        break;
    }
}

} // namespace app
