// The frame thread's part: checking, rate-limiting and copying frames into
// the buffer pool or the fallback buffer.

#include "views/liveview/LiveViewController.h"

#include "kyrgx/Pixmap.h"

#include <spdlog/spdlog.h>

#include <algorithm>
#include <cstring>

namespace app {

namespace {

// Larger sides are refused: no camera delivers them and no texture holds them.
constexpr uint32_t MAX_SIDE = 65535;

} // namespace

kyr_kelvane::image_descriptor LiveViewController::displayDescriptor(const FrameFormat& format)
{
    const int f = static_cast<int>(format.format);
    kyrgx::PixelFormat shown = format.format;
    if (f >= 5 && f <= 8)
        shown = kyrgx::PixelFormat::MONO8;
    else if (f >= 10 && f <= 13)
        shown = kyrgx::PixelFormat::MONO16;
    kyr_kelvane::image_descriptor d;
    d.format = shown;
    d.width = static_cast<uint32_t>(format.width);
    d.height = static_cast<uint32_t>(format.height);
    d.pitch = format.width * format.bytesPerPixel;
    d.bottom_up = false;
    d.data = nullptr;
    return d;
}

uint64_t LiveViewController::displayInterval(const kyr_kelvane::image_descriptor& display, int viewCount)
{
    constexpr uint64_t FASTEST = 16666; // 60 frames a second per view
    if (viewCount <= 0)
        return FASTEST;
    const uint64_t bytesPerMicrosecond = std::max<uint64_t>(1, 2048u / static_cast<uint64_t>(viewCount));
    const uint64_t bytes = static_cast<uint64_t>(display.height) * static_cast<uint64_t>(display.pitch);
    return std::max(FASTEST, bytes / bytesPerMicrosecond);
}

bool LiveViewController::acceptFrame(const kyr_kelvane::image_descriptor& frame)
{
    const int bytes = kyrgx::pixel_format_bytes(frame.format);
    const char* fault = nullptr;
    if (bytes <= 0)
        fault = "an unknown pixel format";
    else if (frame.width == 0 || frame.height == 0)
        fault = "no pixels";
    else if (frame.width > MAX_SIDE || frame.height > MAX_SIDE)
        fault = "a side above 65535 pixels";
    else if (!frame.data)
        fault = "no data";
    else if (frame.pitch <= 0 ||
             static_cast<uint64_t>(frame.pitch) < static_cast<uint64_t>(frame.width) * bytes)
        fault = "a pitch below its row";
    if (!fault)
        return true;
    const int f = static_cast<int>(frame.format);
    const uint64_t bit = uint64_t{1} << (f >= 0 && f < 63 ? f : 63);
    if ((loggedBadFormats_.fetch_or(bit) & bit) == 0)
        spdlog::warn(
            "LiveViewController::updateBuffer: dropped a frame of format {} ({} x {}, pitch {}) with {}", f,
            frame.width, frame.height, frame.pitch, fault);
    return false;
}

void LiveViewController::updateBuffer(const kyr_kelvane::image_descriptor& frame, bool unlimited)
{
    if (!acceptFrame(frame))
        return;
    const FrameFormat format{static_cast<int32_t>(frame.width), static_cast<int32_t>(frame.height),
                             kyrgx::pixel_format_bytes(frame.format), frame.format};
    bool same = false;
    std::shared_ptr<BufferCollection> pool;
    {
        std::lock_guard lock(formatMutex_);
        if (applied_.width == format.width && applied_.height == format.height &&
            applied_.format == format.format) {
            same = !pendingFlag_;
        } else {
            pending_ = format;
            pendingFlag_ = true;
        }
        if (same)
            pool = pool_;
    }

    if (!unlimited) {
        const uint64_t interval =
            displayInterval(displayDescriptor(format), viewCount_.load(std::memory_order_relaxed));
        const int64_t now = clock_();
        const int64_t last = lastAcceptedNs_.load(std::memory_order_relaxed);
        if (now - last >= 0 && static_cast<uint64_t>(now - last) / 1000 < interval)
            return; // the display-rate limit
        lastAcceptedNs_.store(now, std::memory_order_relaxed);
    }

    if (!unlimited && same && pool) {
        const bool filled = pool->fill([this, &frame](const std::shared_ptr<kyrgx::IImageBuffer>& buffer) {
            updateBufferInternal(buffer, frame);
        });
        if (filled) {
            {
                std::lock_guard lock(formatMutex_);
                fallback_.reset(); // the pool has taken over
            }
            requestPaint(PAINT_FRAME);
        }
        return;
    }

    // After a format change and in trigger mode: the fallback buffer, written
    // under the lock its upload takes too, so the paint never sees half a frame.
    {
        std::lock_guard lock(formatMutex_);
        updateBufferInternal(fallbackFor(format), frame);
        fallbackNew_ = true;
    }
    requestPaint(PAINT_FRAME);
}

std::shared_ptr<kyrgx::IImageBuffer> LiveViewController::fallbackFor(const FrameFormat& format)
{
    const kyr_kelvane::image_descriptor d = displayDescriptor(format);
    if (fallback_ && fallback_->width() == d.width && fallback_->height() == d.height &&
        fallback_->format() == d.format)
        return fallback_;
    fallback_ = std::make_shared<kyrgx::Pixmap>(d.width, d.height, static_cast<uint32_t>(d.pitch), d.format);
    return fallback_;
}

void LiveViewController::updateBufferInternal(const std::shared_ptr<kyrgx::IImageBuffer>& destination,
                                              const kyr_kelvane::image_descriptor& source)
{
    if (!destination)
        return;
    uint8_t* data = destination->data();
    if (!data) {
        spdlog::error("LiveViewController::updateBufferInternal -> IImageBuffer::data() is NULL.");
        return;
    }
    const uint32_t stride = destination->stride();
    const kyrgx::PixelFormat format = destination->format();
    const uint64_t sourceRow = static_cast<uint64_t>(kyrgx::pixel_format_bytes(source.format)) * source.width;
    if (source.format != format && sourceRow != stride) {
        converter_.selectKernel(source.format, format);
        kyr_kelvane::image_descriptor out;
        out.format = format;
        out.width = destination->width();
        out.height = destination->height();
        out.pitch = static_cast<int32_t>(stride);
        out.data = data;
        converter_.apply(source, out);
        return;
    }
    const uint32_t rows = std::min(destination->height(), source.height);
    const size_t n = std::min<size_t>(stride, static_cast<size_t>(source.pitch));
    if (!source.bottom_up && static_cast<uint32_t>(source.pitch) == stride) {
        std::memcpy(data, source.data, n * rows);
        return;
    }
    if (source.bottom_up && rows == source.height) {
        // Read the source in memory order (the prefetcher's direction), so only
        // the destination rows run backwards.
        for (uint32_t stored = 0; stored < rows; ++stored)
            std::memcpy(data + static_cast<size_t>(rows - 1 - stored) * stride,
                        source.data + static_cast<size_t>(stored) * static_cast<size_t>(source.pitch), n);
        return;
    }
    for (uint32_t r = 0; r < rows; ++r)
        std::memcpy(data + static_cast<size_t>(r) * stride, source.row(r), n);
}

std::shared_ptr<kyrgx::IImageBuffer> LiveViewController::fallbackBuffer() const
{
    std::lock_guard lock(formatMutex_);
    return fallback_;
}

bool LiveViewController::formatPending() const
{
    std::lock_guard lock(formatMutex_);
    return pendingFlag_;
}

} // namespace app
