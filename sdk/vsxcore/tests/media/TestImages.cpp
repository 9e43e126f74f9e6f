#include "TestImages.h"

#include "media/PixelFormats.h"

#include <cstring>

namespace vsxsim::media::test {

namespace {

void put16(uint8_t* p, uint16_t value)
{
    std::memcpy(p, &value, 2);
}

// The colour a Bayer site records: pattern names list the top-left 2x2 cell.
uint16_t bayer_sample(uint32_t format, uint32_t x, uint32_t y, const Rgb16& c)
{
    const char* cell = "RGGB";
    switch (format) {
    case pixfmt::BayerGR8:
    case pixfmt::BayerGR16:
        cell = "GRBG";
        break;
    case pixfmt::BayerGB8:
    case pixfmt::BayerGB16:
        cell = "GBRG";
        break;
    case pixfmt::BayerBG8:
    case pixfmt::BayerBG16:
        cell = "BGGR";
        break;
    default:
        break;
    }
    switch (cell[(y % 2) * 2 + x % 2]) {
    case 'R':
        return c.r;
    case 'G':
        return c.g;
    default:
        return c.b;
    }
}

} // namespace

Rgb16 gradient(uint32_t x, uint32_t y)
{
    x %= 24;
    y %= 24;
    return {static_cast<uint16_t>(12000 + x * 1500 + y * 300 + (x * y * 37) % 256),
            static_cast<uint16_t>(30000 + y * 1700 + x * 211), static_cast<uint16_t>(55000 - (x + y) * 701)};
}

TestImage make_image(uint32_t pixel_format, uint32_t width, uint32_t height, size_t extra_pitch,
                     const Scene& scene)
{
    TestImage image;
    image.pixel_format = pixel_format;
    image.width = width;
    image.height = height;
    image.pitch = size_t{width} * pixfmt::bytes_per_pixel(pixel_format) + extra_pitch;
    image.bytes.assign(image.pitch * height, 0xEE);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = image.bytes.data() + y * image.pitch;
        for (uint32_t x = 0; x < width; ++x) {
            const Rgb16 c = scene(x, y);
            const uint16_t alpha = static_cast<uint16_t>((x * 7919 + y * 104729) & 0xFFFF);
            switch (pixel_format) {
            case pixfmt::Mono8:
                row[x] = c.r >> 8;
                break;
            case pixfmt::Mono16:
                put16(row + 2 * x, c.r);
                break;
            case pixfmt::BGR8:
                row[3 * x] = c.b >> 8;
                row[3 * x + 1] = c.g >> 8;
                row[3 * x + 2] = c.r >> 8;
                break;
            case pixfmt::BGRa8:
                row[4 * x] = c.b >> 8;
                row[4 * x + 1] = c.g >> 8;
                row[4 * x + 2] = c.r >> 8;
                row[4 * x + 3] = alpha >> 8;
                break;
            case pixfmt::BGRa16:
                put16(row + 8 * x, c.b);
                put16(row + 8 * x + 2, c.g);
                put16(row + 8 * x + 4, c.r);
                put16(row + 8 * x + 6, alpha);
                break;
            case pixfmt::YUV422_8:
            case pixfmt::YCbCr422_8:
                row[2 * x] = c.r >> 8;
                if (x % 2 == 0)
                    row[2 * x + 1] = c.g >> 8;
                else
                    row[2 * x + 1] = scene(x - 1, y).b >> 8;
                break;
            default:
                if (pixfmt::bytes_per_pixel(pixel_format) == 2)
                    put16(row + 2 * x, bayer_sample(pixel_format, x, y, c));
                else
                    row[x] = bayer_sample(pixel_format, x, y, c) >> 8;
                break;
            }
        }
    }
    return image;
}

} // namespace vsxsim::media::test
