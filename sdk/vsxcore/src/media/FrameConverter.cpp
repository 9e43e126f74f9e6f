#include "media/FrameConverter.h"

#include "media/BandWorkers.h"
#include "media/FrameKernels.h"
#include "media/PixelFormats.h"

#include <algorithm>
#include <climits>
#include <cstring>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

namespace vsxsim::media {

namespace {

// Bytes swscale may read past the end of a row.
constexpr size_t kReadSlack = 64;

AVPixelFormat source_format(uint32_t code)
{
    switch (code) {
    case pixfmt::Mono8:
        return AV_PIX_FMT_GRAY8;
    case pixfmt::Mono16:
        return AV_PIX_FMT_GRAY16LE;
    case pixfmt::BGR8:
        return AV_PIX_FMT_BGR24;
    case pixfmt::BGRa8:
        return AV_PIX_FMT_BGRA;
    case pixfmt::BGRa16:
        return AV_PIX_FMT_BGRA64LE;
    case pixfmt::BayerRG8:
        return AV_PIX_FMT_BAYER_RGGB8;
    case pixfmt::BayerGR8:
        return AV_PIX_FMT_BAYER_GRBG8;
    case pixfmt::BayerGB8:
        return AV_PIX_FMT_BAYER_GBRG8;
    case pixfmt::BayerBG8:
        return AV_PIX_FMT_BAYER_BGGR8;
    case pixfmt::BayerRG16:
        return AV_PIX_FMT_BAYER_RGGB16LE;
    case pixfmt::BayerGR16:
        return AV_PIX_FMT_BAYER_GRBG16LE;
    case pixfmt::BayerGB16:
        return AV_PIX_FMT_BAYER_GBRG16LE;
    case pixfmt::BayerBG16:
        return AV_PIX_FMT_BAYER_BGGR16LE;
    case pixfmt::YUV422_8:
    case pixfmt::YCbCr422_8:
        return AV_PIX_FMT_YUYV422;
    default:
        return AV_PIX_FMT_NONE;
    }
}

std::string type_text(uint32_t format, uint32_t width, uint32_t height)
{
    return pixfmt::describe(format) + " " + std::to_string(width) + "x" + std::to_string(height);
}

// Repeats the last column and row of a converted `width` x `height` region of
// a plane out to `coded_width` x `coded_height`.
void extend_plane(uint8_t* plane, int linesize, uint32_t width, uint32_t height, uint32_t coded_width,
                  uint32_t coded_height)
{
    if (coded_width > width) {
        for (uint32_t y = 0; y < height; ++y) {
            uint8_t* row = plane + static_cast<ptrdiff_t>(y) * linesize;
            std::memset(row + width, row[width - 1], coded_width - width);
        }
    }
    for (uint32_t y = height; y < coded_height; ++y)
        std::memcpy(plane + static_cast<ptrdiff_t>(y) * linesize,
                    plane + static_cast<ptrdiff_t>(height - 1) * linesize, coded_width);
}

} // namespace

FrameConverter::FrameConverter(Method method) : method_(method) {}

FrameConverter::~FrameConverter()
{
    release();
}

void FrameConverter::release()
{
    sws_freeContext(sws_);
    sws_ = nullptr;
    sws_freeContext(demosaic_);
    demosaic_ = nullptr;
}

Status FrameConverter::configure(uint32_t pixel_format, uint32_t width, uint32_t height)
{
    release();
    const AVPixelFormat source = source_format(pixel_format);
    if (source == AV_PIX_FMT_NONE)
        return {kNotSupported, "Pixel format " + pixfmt::describe(pixel_format) + " cannot be encoded"};
    constexpr uint32_t kMaxSide = 1 << 15;
    const bool bayer = pixfmt::is_bayer(pixel_format);
    if (width < (bayer ? 2u : 1u) || height < (bayer ? 2u : 1u) || width > kMaxSide || height > kMaxSide)
        return {kInvalidParameter,
                "Frames of " + type_text(pixel_format, width, height) + " cannot be encoded"};

    pixel_format_ = pixel_format;
    width_ = width;
    height_ = height;
    // A Bayer mosaic is demosaiced in whole 2x2 cells: an odd last column or
    // row is replaced by its neighbour, like the padding of the coded size.
    convert_width_ = bayer ? width & ~1u : width;
    convert_height_ = bayer ? height & ~1u : height;
    // A 4:2:2 row of odd width still holds a whole last pixel pair.
    min_pitch_ = pixfmt::is_yuyv(pixel_format) ? size_t{(width + 1) / 2} * 4
                                               : size_t{width} * pixfmt::bytes_per_pixel(pixel_format);
    coded_width_ = (width + 1) & ~1u;
    coded_height_ = (height + 1) & ~1u;

    if (method_ == Method::Kernels) {
        // Frames of a megapixel and more are cut in bands of rows converted
        // side by side on up to four processors.
        const int threads = size_t{convert_width_} * convert_height_ >= (size_t{1} << 20)
                                ? std::min(BandWorkers::usable_processors(), 4)
                                : 1;
        if (threads == 1)
            workers_.reset();
        else if (!workers_ || workers_->workers() != threads)
            workers_ = std::make_unique<BandWorkers>(threads - 1);
        // Each thread's six planar colour rows, with room for an odd row's
        // repeated last pixel.
        planes_.assign(size_t(threads) * 6 * (size_t{convert_width_} + 2), 0);
        return {};
    }
    AVPixelFormat to_yuv = source;
    if (bayer) {
        // Mosaics are demosaiced to RGB first: swscale's direct Bayer-to-4:2:0
        // path mixes up red and blue in the luma. 8 bits per channel are
        // enough for an 8-bit video and several times faster than 16.
        to_yuv = AV_PIX_FMT_RGB24;
        demosaic_ = make_context(source, to_yuv);
        rgb_stride_ = size_t{convert_width_} * 3;
        rgb_.assign(rgb_stride_ * convert_height_ + kReadSlack, 0);
    }
    sws_ = make_context(to_yuv, AV_PIX_FMT_YUV420P);
    if (!sws_ || (bayer && !demosaic_)) {
        release();
        return {kNotSupported,
                "Frames of " + type_text(pixel_format, width, height) + " cannot be converted"};
    }
    return {};
}

SwsContext* FrameConverter::make_context(int source, int target) const
{
    SwsContext* context = sws_alloc_context();
    if (!context)
        return nullptr;
    const int64_t width = convert_width_;
    const int64_t height = convert_height_;
    // Camera 4:2:2 data uses the full 0..255 range (RGB and grey are full
    // range anyway); the video uses the limited range every player expects.
    // Full-resolution chroma input keeps an odd last column from being
    // averaged with whatever lies past the row.
    const bool ok =
        av_opt_set_int(context, "srcw", width, 0) >= 0 && av_opt_set_int(context, "srch", height, 0) >= 0 &&
        av_opt_set_int(context, "dstw", width, 0) >= 0 && av_opt_set_int(context, "dsth", height, 0) >= 0 &&
        av_opt_set_int(context, "src_format", source, 0) >= 0 &&
        av_opt_set_int(context, "dst_format", target, 0) >= 0 &&
        av_opt_set_int(context, "src_range", 1, 0) >= 0 &&
        av_opt_set_int(context, "dst_range", target == AV_PIX_FMT_YUV420P ? 0 : 1, 0) >= 0 &&
        av_opt_set_int(context, "sws_flags", SWS_BILINEAR | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, 0) >= 0 &&
        sws_init_context(context, nullptr, nullptr) >= 0;
    if (!ok) {
        sws_freeContext(context);
        return nullptr;
    }
    return context;
}

Status FrameConverter::check(const ImageView& image) const
{
    if (image.pixel_format != pixel_format_ || image.width != width_ || image.height != height_)
        return {kInvalidParameter, "A frame of " + type_text(image.pixel_format, image.width, image.height) +
                                       " does not fit a video of " +
                                       type_text(pixel_format_, width_, height_)};
    if (!image.data)
        return {kInvalidParameter, "The frame has no data"};
    if (image.pitch < min_pitch_ || image.pitch > size_t{INT_MAX})
        return {kInvalidParameter, "Pitch " + std::to_string(image.pitch) + " does not fit rows of " +
                                       std::to_string(min_pitch_) + " bytes"};
    return {};
}

void FrameConverter::convert(const ImageView& image, AVFrame* frame)
{
    if (method_ == Method::Kernels)
        convert_kernels(image, frame);
    else
        convert_swscale(image, frame);
    extend_plane(frame->data[0], frame->linesize[0], convert_width_, convert_height_, coded_width_,
                 coded_height_);
    for (int plane = 1; plane < 3; ++plane)
        extend_plane(frame->data[plane], frame->linesize[plane], (convert_width_ + 1) / 2,
                     (convert_height_ + 1) / 2, coded_width_ / 2, coded_height_ / 2);
}

void FrameConverter::convert_kernels(const ImageView& image, AVFrame* frame)
{
    const uint32_t pairs = (convert_height_ + 1) / 2;
    if (!workers_) {
        convert_rows(image, frame, 0, convert_height_, planes_.data());
        return;
    }
    // Pieces of at least 32 row pairs, four per thread, so that threads that
    // wake late share the rest.
    const int pieces = static_cast<int>(std::clamp<uint32_t>(pairs / 32, 1, 4u * workers_->workers()));
    workers_->run(pieces, [&](int piece, int worker) {
        const uint32_t from = static_cast<uint32_t>(uint64_t{pairs} * piece / pieces) * 2;
        const uint32_t to =
            std::min(convert_height_, static_cast<uint32_t>(uint64_t{pairs} * (piece + 1) / pieces) * 2);
        convert_rows(image, frame, from, to, planes_.data() + size_t(worker) * 6 * (convert_width_ + 2));
    });
}

void FrameConverter::convert_rows(const ImageView& image, AVFrame* frame, uint32_t from, uint32_t to,
                                  uint8_t* scratch) const
{
    const kernels::Kernels& k = kernels::best();
    const size_t plane = size_t{convert_width_} + 2;
    const kernels::RgbRows rgb{{scratch, scratch + plane},
                               {scratch + 2 * plane, scratch + 3 * plane},
                               {scratch + 4 * plane, scratch + 5 * plane}};
    const auto source_row = [&](uint32_t y) { return image.data + size_t{y} * image.pitch; };
    const bool bayer = pixfmt::is_bayer(pixel_format_);
    // GR, RG, GB, BG in the order of their codes.
    const uint32_t order =
        bayer ? pixel_format_ - (pixel_format_ < pixfmt::BayerGR16 ? pixfmt::BayerGR8 : pixfmt::BayerGR16)
              : 0;
    const bool colour_first = order == 1 || order == 3;
    const bool blue_first = order >= 2;
    for (uint32_t y = from; y < to; y += 2) {
        const uint32_t y1 = std::min(y + 1, convert_height_ - 1);
        const kernels::PairRows rows{source_row(y),
                                     source_row(y1),
                                     frame->data[0] + size_t{y} * frame->linesize[0],
                                     frame->data[0] + size_t{y1} * frame->linesize[0],
                                     frame->data[1] + size_t{y / 2} * frame->linesize[1],
                                     frame->data[2] + size_t{y / 2} * frame->linesize[2]};
        switch (pixel_format_) {
        case pixfmt::Mono8:
            k.mono8(rows, convert_width_);
            break;
        case pixfmt::Mono16:
            k.mono16(rows, convert_width_);
            break;
        case pixfmt::YUV422_8:
        case pixfmt::YCbCr422_8:
            k.yuyv(rows, convert_width_);
            break;
        case pixfmt::BGR8:
            k.packed(kernels::Packed::BGR8, rows, convert_width_, rgb);
            break;
        case pixfmt::BGRa8:
            k.packed(kernels::Packed::BGRa8, rows, convert_width_, rgb);
            break;
        case pixfmt::BGRa16:
            k.packed(kernels::Packed::BGRa16, rows, convert_width_, rgb);
            break;
        default: {
            // Rows past the mosaic mirror back into it, keeping their colours.
            const kernels::BayerRows mosaic{source_row(y == 0 ? 1 : y - 1), source_row(y), source_row(y + 1),
                                            source_row(y + 2 < convert_height_ ? y + 2 : y)};
            if (pixfmt::bytes_per_pixel(pixel_format_) == 1)
                k.bayer8(mosaic, colour_first, blue_first, rows, convert_width_, rgb);
            else
                k.bayer16(mosaic, colour_first, blue_first, rows, convert_width_, rgb);
        }
        }
    }
}

void FrameConverter::convert_swscale(const ImageView& image, AVFrame* frame)
{
    int* const frame_stride = frame->linesize;
    if (demosaic_) {
        // Demosaicing reads the mosaic exactly; the RGB copy has room to spare.
        const uint8_t* const mosaic[4] = {image.data, nullptr, nullptr, nullptr};
        const int mosaic_stride[4] = {static_cast<int>(image.pitch), 0, 0, 0};
        uint8_t* const rgb[4] = {rgb_.data(), nullptr, nullptr, nullptr};
        const int rgb_stride[4] = {static_cast<int>(rgb_stride_), 0, 0, 0};
        sws_scale(demosaic_, mosaic, mosaic_stride, 0, static_cast<int>(convert_height_), rgb, rgb_stride);
        sws_scale(sws_, rgb, rgb_stride, 0, static_cast<int>(convert_height_), frame->data, frame_stride);
    } else {
        // swscale's vector code reads up to a few dozen bytes past the end of
        // a row. Inside the frame that is harmless, but past its last row it
        // can fault, so the rows near the end are converted from a copy with
        // room to spare.
        const size_t pitch = image.pitch;
        const size_t tail_rows = (kReadSlack + pitch - 1) / pitch + 1;
        const uint32_t split = tail_rows >= height_ ? 0 : (height_ - static_cast<uint32_t>(tail_rows)) & ~1u;
        if (split > 0) {
            const uint8_t* const source[4] = {image.data, nullptr, nullptr, nullptr};
            const int stride[4] = {static_cast<int>(pitch), 0, 0, 0};
            sws_scale(sws_, source, stride, 0, static_cast<int>(split), frame->data, frame_stride);
        }
        const size_t rows = height_ - split;
        tail_.resize(rows * min_pitch_ + kReadSlack);
        for (size_t y = 0; y < rows; ++y)
            std::memcpy(tail_.data() + y * min_pitch_, image.data + (split + y) * pitch, min_pitch_);
        const uint8_t* const source[4] = {tail_.data(), nullptr, nullptr, nullptr};
        const int stride[4] = {static_cast<int>(min_pitch_), 0, 0, 0};
        sws_scale(sws_, source, stride, static_cast<int>(split), static_cast<int>(rows), frame->data,
                  frame_stride);
    }
}

} // namespace vsxsim::media
