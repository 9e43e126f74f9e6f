#include "views/liveview/BufferCollection.h"

#include "app/IApplicationContext.h"
#include "kyrgx/Pixmap.h"
#include "kyrgx/opengl/Pixelbuffer.h"

#include <spdlog/spdlog.h>

#include <utility>

namespace app {

BufferRing::BufferRing(size_t capacity) : slots_(capacity > 0 ? capacity : 1) {}

void BufferRing::pushLocked(std::shared_ptr<kyrgx::IImageBuffer> buffer)
{
    if (count_ == slots_.size()) {
        // Grows only beyond the capacity given at construction.
        std::vector<std::shared_ptr<kyrgx::IImageBuffer>> grown(slots_.size() * 2);
        for (size_t i = 0; i < count_; ++i)
            grown[i] = std::move(slots_[(head_ + i) % slots_.size()]);
        slots_ = std::move(grown);
        head_ = 0;
    }
    slots_[(head_ + count_) % slots_.size()] = std::move(buffer);
    ++count_;
}

void BufferRing::push(std::shared_ptr<kyrgx::IImageBuffer> buffer)
{
    std::lock_guard lock(mutex_);
    pushLocked(std::move(buffer));
}

bool BufferRing::tryPop(std::shared_ptr<kyrgx::IImageBuffer>& out)
{
    std::lock_guard lock(mutex_);
    if (count_ == 0)
        return false;
    out = std::move(slots_[head_]);
    head_ = (head_ + 1) % slots_.size();
    --count_;
    return true;
}

void BufferRing::clear()
{
    std::lock_guard lock(mutex_);
    for (auto& slot : slots_)
        slot.reset();
    head_ = 0;
    count_ = 0;
}

void BufferRing::moveAllTo(BufferRing& other)
{
    std::lock_guard lock(mutex_);
    while (count_ > 0) {
        std::shared_ptr<kyrgx::IImageBuffer> buffer = std::move(slots_[head_]);
        head_ = (head_ + 1) % slots_.size();
        --count_;
        other.push(std::move(buffer));
    }
}

size_t BufferRing::size() const
{
    std::lock_guard lock(mutex_);
    return count_;
}

namespace {

std::shared_ptr<kyrgx::IImageBuffer> context_pixel_buffer(int width, int height, int stride,
                                                          kyrgx::PixelFormat format)
{
    return application::get_context()->makePixelBuffer(width, height, stride, static_cast<int32_t>(format));
}

} // namespace

BufferCollection::BufferCollection(Factory factory)
    : factory_(factory ? std::move(factory) : Factory(&context_pixel_buffer))
{
}

BufferCollection::~BufferCollection()
{
    release();
}

std::shared_ptr<kyrgx::IImageBuffer> BufferCollection::makePixmap(int width, int height, int stride,
                                                                  kyrgx::PixelFormat format)
{
    return std::make_shared<kyrgx::Pixmap>(static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                                           static_cast<uint32_t>(stride), format);
}

void BufferCollection::initialize(int width, int height, int stride, kyrgx::PixelFormat format)
{
    if (freeRing_)
        release();
    freeRing_ = std::make_unique<BufferRing>();
    try {
        for (int i = 0; i < BUFFER_COUNT; ++i) {
            std::shared_ptr<kyrgx::IImageBuffer> buffer = factory_(width, height, stride, format);
            if (!buffer)
                throw std::runtime_error("the pixel-buffer factory gave no buffer");
            buffer->lock();
            freeRing_->push(std::move(buffer));
        }
    } catch (const std::exception& e) {
        spdlog::error("BufferCollection::initialize: {0}", e.what());
        for (int i = 0; i < BUFFER_COUNT; ++i) {
            auto pixmap = makePixmap(width, height, stride, format);
            pixmap->lock();
            freeRing_->push(std::move(pixmap));
        }
    }
}

void BufferCollection::recycle(std::shared_ptr<kyrgx::IImageBuffer> buffer)
{
    if (buffer && freeRing_)
        freeRing_->push(std::move(buffer));
}

void BufferCollection::release()
{
    try {
        if (freeRing_) {
            current_.reset();
            freeRing_->clear();
        }
    } catch (const std::exception& e) {
        spdlog::warn("Failed to release buffer collection: {}", e.what());
        return;
    }
    try {
        ready_.clear();
        freeRing_.reset();
    } catch (const std::exception& e) {
        spdlog::warn("Failed to release buffer collection: {}", e.what());
    }
}

} // namespace app
