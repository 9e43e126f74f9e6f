#include "TestImages.h"

#include "media/FrameConverter.h"
#include "media/FrameKernels.h"
#include "media/PixelFormats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

extern "C" {
#include <libavutil/frame.h>
}

namespace vsxsim::media::test {
namespace {

const uint32_t kVideoFormats[] = {
    pixfmt::Mono8,     pixfmt::Mono16,    pixfmt::BGR8,      pixfmt::BGRa8,    pixfmt::BGRa16,
    pixfmt::BayerRG8,  pixfmt::BayerGR8,  pixfmt::BayerGB8,  pixfmt::BayerBG8, pixfmt::BayerRG16,
    pixfmt::BayerGR16, pixfmt::BayerGB16, pixfmt::BayerBG16, pixfmt::YUV422_8, pixfmt::YCbCr422_8,
};

// Memory whose end touches an inaccessible page: reading one byte past the
// buffer crashes.
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t size) : size_(size)
    {
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        pages_ = (size + page - 1) / page * page + page;
        base_ = static_cast<uint8_t*>(
            mmap(nullptr, pages_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(base_ + pages_ - page, page, PROT_NONE);
        data_ = base_ + pages_ - page - size;
    }
    ~GuardedBuffer() { munmap(base_, pages_); }
    uint8_t* data() { return data_; }
    size_t size() const { return size_; }

private:
    size_t size_;
    size_t pages_;
    uint8_t* base_;
    uint8_t* data_;
};

AVFrame* coded_frame(const FrameConverter& converter)
{
    AVFrame* frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = static_cast<int>(converter.coded_width());
    frame->height = static_cast<int>(converter.coded_height());
    av_frame_get_buffer(frame, 0);
    return frame;
}

bool same_picture(const AVFrame* a, const AVFrame* b)
{
    for (int plane = 0; plane < 3; ++plane) {
        const int width = plane == 0 ? a->width : a->width / 2;
        const int height = plane == 0 ? a->height : a->height / 2;
        for (int y = 0; y < height; ++y) {
            if (std::memcmp(a->data[plane] + y * a->linesize[plane], b->data[plane] + y * b->linesize[plane],
                            static_cast<size_t>(width)) != 0)
                return false;
        }
    }
    return true;
}

// A frame whose last row ends at an inaccessible page converts without a
// fault, and to the same picture as the frame in roomy memory.
TEST(FrameConverter, ReadsNothingPastTheFramesLastByte)
{
    for (uint32_t format : kVideoFormats) {
        for (uint32_t width : {2u, 3u, 17u, 34u, 63u, 64u, 640u}) {
            for (uint32_t height : {2u, 3u, 5u, 40u}) {
                SCOPED_TRACE(std::string(pixfmt::name(format)) + " " + std::to_string(width) + "x" +
                             std::to_string(height));
                FrameConverter converter;
                ASSERT_TRUE(converter.configure(format, width, height).ok());
                const TestImage roomy = make_image(format, width, height, 160, gradient);
                const size_t pitch = pixfmt::is_yuyv(format) ? (width + 1) / 2 * 4 : roomy.pitch - 160;
                GuardedBuffer tight(pitch * height);
                for (uint32_t y = 0; y < height; ++y)
                    std::memcpy(tight.data() + y * pitch, roomy.bytes.data() + y * roomy.pitch, pitch);
                const ImageView view{format, width, height, pitch, tight.data()};
                ASSERT_TRUE(converter.check(view).ok());

                AVFrame* from_tight = coded_frame(converter);
                AVFrame* from_roomy = coded_frame(converter);
                converter.convert(view, from_tight);
                converter.convert(roomy.view(), from_roomy);
                EXPECT_TRUE(same_picture(from_tight, from_roomy));
                av_frame_free(&from_tight);
                av_frame_free(&from_roomy);
            }
        }
    }
}

int sample(const AVFrame* frame, int plane, int x, int y)
{
    return frame->data[plane][y * frame->linesize[plane] + x];
}

// Every format converts to limited-range BT.601: RGB and grey by the usual
// matrix, full-range 4:2:2 by rescaling its ranges, in 8 and 16 bits alike.
TEST(FrameConverter, ConvertsEveryFormatToLimitedRangeBt601)
{
    const Rgb16 colours[] = {{65535, 65535, 65535}, {0, 0, 0},     {65535, 0, 0},
                             {0, 65535, 0},         {0, 0, 65535}, {51400, 25700, 12850}};
    for (uint32_t format : kVideoFormats) {
        for (const Rgb16& colour : colours) {
            SCOPED_TRACE(std::string(pixfmt::name(format)) + " " + std::to_string(colour.r) + "," +
                         std::to_string(colour.g) + "," + std::to_string(colour.b));
            const double r = colour.r / 257.0, g = colour.g / 257.0, b = colour.b / 257.0;
            double y, u, v;
            if (pixfmt::is_yuyv(format)) {
                // make_image stores red, green and blue as Y, U and V.
                y = 16 + std::floor(r) * 219 / 255;
                u = 128 + (std::floor(g) - 128) * 224 / 255;
                v = 128 + (std::floor(b) - 128) * 224 / 255;
            } else if (format == pixfmt::Mono8 || format == pixfmt::Mono16) {
                y = 16 + r * 219 / 255;
                u = v = 128;
            } else {
                y = 16 + 0.256788 * r + 0.504129 * g + 0.097906 * b;
                u = 128 - 0.148223 * r - 0.290993 * g + 0.439216 * b;
                v = 128 + 0.439216 * r - 0.367788 * g - 0.071427 * b;
            }
            FrameConverter converter;
            ASSERT_TRUE(converter.configure(format, 8, 6).ok());
            const TestImage image = make_image(format, 8, 6, 5, [&](uint32_t, uint32_t) { return colour; });
            AVFrame* frame = coded_frame(converter);
            converter.convert(image.view(), frame);
            EXPECT_NEAR(sample(frame, 0, 3, 2), y, 2.0);
            EXPECT_NEAR(sample(frame, 1, 1, 1), u, 2.0);
            EXPECT_NEAR(sample(frame, 2, 1, 1), v, 2.0);
            av_frame_free(&frame);
        }
    }
}

// Encoders take even sizes: an odd frame is coded one larger, repeating its
// last column and row. A mosaic's odd last column or row has no whole 2x2
// cell and is replaced by its neighbour too.
TEST(FrameConverter, RepeatsTheLastColumnAndRowUpToAnEvenSize)
{
    const struct {
        uint32_t format;
        int width, height;  // of the frame
        int last_x, last_y; // the last column and row converted from it
    } cases[] = {
        {pixfmt::BGR8, 5, 3, 4, 2},     {pixfmt::Mono16, 7, 4, 6, 3},    {pixfmt::YUV422_8, 5, 5, 4, 4},
        {pixfmt::BayerGB8, 5, 3, 3, 1}, {pixfmt::BayerBG16, 6, 5, 5, 3}, {pixfmt::BGRa8, 1, 1, 0, 0},
    };
    const Scene scene = [](uint32_t x, uint32_t y) {
        return Rgb16{static_cast<uint16_t>(x * 9000 + y * 1000), static_cast<uint16_t>(y * 9000),
                     static_cast<uint16_t>(60000 - x * 5000)};
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(pixfmt::name(c.format)) + " " + std::to_string(c.width) + "x" +
                     std::to_string(c.height));
        FrameConverter converter;
        ASSERT_TRUE(converter.configure(c.format, c.width, c.height).ok());
        ASSERT_EQ(converter.coded_width(), static_cast<uint32_t>((c.width + 1) & ~1));
        ASSERT_EQ(converter.coded_height(), static_cast<uint32_t>((c.height + 1) & ~1));
        const TestImage image = make_image(c.format, c.width, c.height, 3, scene);
        AVFrame* frame = coded_frame(converter);
        converter.convert(image.view(), frame);
        for (int plane = 0; plane < 3; ++plane) {
            const int shift = plane == 0 ? 0 : 1;
            const int last_x = c.last_x >> shift, last_y = c.last_y >> shift;
            for (int y = 0; y < frame->height >> shift; ++y) {
                for (int x = 0; x < frame->width >> shift; ++x) {
                    const int from_x = std::min(x, last_x), from_y = std::min(y, last_y);
                    ASSERT_EQ(sample(frame, plane, x, y), sample(frame, plane, from_x, from_y))
                        << "plane " << plane << " at " << x << "," << y;
                }
            }
        }
        // The converted part is the picture itself, not a smear of one column.
        if (c.last_x > 0) {
            EXPECT_NE(sample(frame, 0, 0, 0), sample(frame, 0, c.last_x, c.last_y)) << "no picture";
        }
        av_frame_free(&frame);
    }
}

// The largest difference between two converted pictures in each plane, over
// the luma pixels [from, to) in both directions and the chroma samples of their
// 2x2 blocks.
std::array<int, 3> largest_difference(const AVFrame* a, const AVFrame* b, int from, int to_x, int to_y)
{
    std::array<int, 3> largest{};
    for (int plane = 0; plane < 3; ++plane) {
        const int shift = plane == 0 ? 0 : 1;
        for (int y = from >> shift; y < to_y >> shift; ++y)
            for (int x = from >> shift; x < to_x >> shift; ++x)
                largest[plane] =
                    std::max(largest[plane], std::abs(sample(a, plane, x, y) - sample(b, plane, x, y)));
    }
    return largest;
}

// The vector kernels give the picture swscale gives, to a level or two, on
// natural (smooth) pictures, also where a large frame is cut in bands of rows
// converted side by side: the same matrix, the same bilinear demosaicing,
// the same rescaling of 4:2:2. Chroma is the mean of each 2x2 block, where
// swscale filters a little wider, so sharp colour edges differ more. Bayer
// mosaics are compared away from the frame's edge, where swscale copies each
// 2x2 cell's samples and the kernels interpolate the mirrored mosaic; the
// edge itself is checked against the exact colours by
// ConvertsEveryFormatToLimitedRangeBt601.
TEST(FrameConverter, KernelsMatchSwscale)
{
    for (uint32_t format : kVideoFormats) {
        const bool bayer = pixfmt::is_bayer(format);
        for (const auto& [width, height] :
             {std::pair{2u, 2u}, {3u, 5u}, {17u, 9u}, {64u, 40u}, {331u, 47u}, {1282u, 1023u}}) {
            SCOPED_TRACE(std::string(pixfmt::name(format)) + " " + std::to_string(width) + "x" +
                         std::to_string(height));
            // The megapixel frame's slopes are gentler, to stay within 16 bits.
            const uint32_t sx = width > 1000 ? 5 : 1, sy = height > 1000 ? 8 : 1;
            const Scene smooth = [sx, sy](uint32_t x, uint32_t y) {
                return Rgb16{static_cast<uint16_t>(6000 + x * 150 / sx + y * 97 / sy),
                             static_cast<uint16_t>(50000 - y * 173 / sy - x * 7 / sx),
                             static_cast<uint16_t>(20000 + x * 101 / sx + y * 53 / sy)};
            };
            FrameConverter kernels(FrameConverter::Method::Kernels);
            FrameConverter swscale(FrameConverter::Method::Swscale);
            ASSERT_TRUE(kernels.configure(format, width, height).ok());
            ASSERT_TRUE(swscale.configure(format, width, height).ok());
            const TestImage image = make_image(format, width, height, 7, smooth);
            AVFrame* ours = coded_frame(kernels);
            AVFrame* theirs = coded_frame(swscale);
            kernels.convert(image.view(), ours);
            swscale.convert(image.view(), theirs);
            const int margin = bayer ? 2 : 0;
            const int to_x = static_cast<int>(bayer ? (width & ~1u) - 2 : kernels.coded_width());
            const int to_y = static_cast<int>(bayer ? (height & ~1u) - 2 : kernels.coded_height());
            const auto largest = largest_difference(ours, theirs, margin, to_x, to_y);
            EXPECT_LE(largest[0], 2);
            EXPECT_LE(largest[1], 2);
            EXPECT_LE(largest[2], 2);
            av_frame_free(&ours);
            av_frame_free(&theirs);
        }
    }
}

// Every vector kernel set the processor runs (their Bayer and packed BGR(A)
// rows are written by hand for AVX-512 and AVX2) agrees with the portable one
// to a level or two on every Bayer order and packed layout, across rows long
// enough for the vector loop, its overlapping last step, the mirrored edge of
// a mosaic and the odd last pixel of a packed row.
TEST(FrameConverter, VectorKernelsAgreeWithThePortableOnes)
{
    for (const kernels::Kernels* vector : kernels::available())
        for (uint32_t format : kVideoFormats) {
            const bool bayer = pixfmt::is_bayer(format);
            if (vector == &kernels::baseline() || !(bayer || format == pixfmt::BGR8 || format == pixfmt::BGRa8))
                continue;
            // Five steps of 64 columns (ten of 32), an overlapping one and the edge.
            for (const uint32_t width : {340u, 341u}) {
                if (bayer && width % 2 == 1)
                    continue; // an odd mosaic column is never converted
                SCOPED_TRACE(std::string(pixfmt::name(format)) + " " + std::to_string(width));
                const TestImage image = make_image(format, width, 4, 0, gradient);
                const auto row = [&](uint32_t y) { return image.bytes.data() + y * image.pitch; };
                const kernels::BayerRows mosaic{row(0), row(1), row(2), row(3)};
                std::vector<uint8_t> planes(6 * (width + 2));
                const kernels::RgbRows rgb{{planes.data(), planes.data() + width + 2},
                                           {planes.data() + 2 * (width + 2), planes.data() + 3 * (width + 2)},
                                           {planes.data() + 4 * (width + 2), planes.data() + 5 * (width + 2)}};
                const uint32_t chroma = (width + 1) / 2;
                std::vector<uint8_t> ours(2 * (width + 1) + 2 * chroma), portable(ours.size());
                const auto out = [&](std::vector<uint8_t>& bytes) {
                    return kernels::PairRows{row(1),
                                             row(2),
                                             bytes.data(),
                                             bytes.data() + width + 1,
                                             bytes.data() + 2 * (width + 1),
                                             bytes.data() + 2 * (width + 1) + chroma};
                };
                const uint32_t order =
                    format - (format < pixfmt::BayerGR16 ? pixfmt::BayerGR8 : pixfmt::BayerGR16);
                const bool colour_first = order == 1 || order == 3, blue_first = order >= 2;
                const bool wide = pixfmt::bytes_per_pixel(format) == 2;
                const kernels::Packed layout =
                    format == pixfmt::BGR8 ? kernels::Packed::BGR8 : kernels::Packed::BGRa8;
                for (const auto& [table, bytes] :
                     {std::pair{vector, &ours}, {&kernels::baseline(), &portable}}) {
                    if (!bayer)
                        table->packed(layout, out(*bytes), width, rgb);
                    else
                        (wide ? table->bayer16 : table->bayer8)(mosaic, colour_first, blue_first, out(*bytes),
                                                                width, rgb);
                }
                for (size_t i = 0; i < ours.size(); ++i) {
                    if (i == width || i == 2 * width + 1)
                        continue; // past each luma row
                    ASSERT_NEAR(ours[i], portable[i], 2) << "byte " << i;
                }
            }
        }
}

TEST(FrameConverter, RefusesOtherFormatsSizesAndFramesOfAnotherType)
{
    FrameConverter converter;
    EXPECT_EQ(converter.configure(0x01100003 /* Mono10 */, 8, 8).code, kNotSupported);
    EXPECT_EQ(converter.configure(0x02180014 /* RGB8 */, 8, 8).code, kNotSupported);
    EXPECT_EQ(converter.configure(pixfmt::BGR8, 0, 8).code, kInvalidParameter);
    EXPECT_EQ(converter.configure(pixfmt::BayerRG8, 1, 8).code, kInvalidParameter);
    EXPECT_EQ(converter.configure(pixfmt::BGR8, 100000, 8).code, kInvalidParameter);

    ASSERT_TRUE(converter.configure(pixfmt::YUV422_8, 5, 4).ok());
    const std::vector<uint8_t> bytes(64 * 4);
    const struct {
        ImageView view;
        int code;
    } frames[] = {
        {{pixfmt::YUV422_8, 5, 4, 12, bytes.data()}, 0},
        {{pixfmt::YCbCr422_8, 5, 4, 12, bytes.data()}, kInvalidParameter}, // same layout, another type
        {{pixfmt::YUV422_8, 5, 5, 12, bytes.data()}, kInvalidParameter},
        {{pixfmt::YUV422_8, 4, 4, 12, bytes.data()}, kInvalidParameter},
        {{pixfmt::YUV422_8, 5, 4, 10, bytes.data()}, kInvalidParameter}, // no room for the last pair
        {{pixfmt::YUV422_8, 5, 4, 12, nullptr}, kInvalidParameter},
    };
    for (const auto& f : frames)
        EXPECT_EQ(converter.check(f.view).code, f.code) << converter.check(f.view).message;
}

} // namespace
} // namespace vsxsim::media::test
