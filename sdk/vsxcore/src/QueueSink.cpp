#include "QueueSink.h"

#include "ImageBuffer.h"
#include "Log.h"
#include "PixelFormat.h"
#include "Registration.h"

namespace vsxsim {

SinkCore::SinkCore(size_t max_output, std::shared_ptr<SinkAllocator> allocator)
    : max_output_(max_output), allocator_(std::move(allocator))
{
}

SinkCore::~SinkCore()
{
    disconnect();
}

void SinkCore::connect(const vsx_image_type& type, size_t pitch)
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
    connected_ = true;
    type_ = type;
    pitch_ = pitch;
    pending_ = 0;
}

void SinkCore::disconnect()
{
    std::vector<ImageBuffer*> idle;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        connected_ = false;
        ++generation_;
        idle.swap(free_);
        idle.insert(idle.end(), output_.begin(), output_.end());
        output_.clear();
        pending_ = 0;
    }
    cv_.notify_all();
    for (ImageBuffer* b : idle)
        b->destroy();
}

bool SinkCore::connected() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return connected_;
}

Status SinkCore::alloc_and_queue(size_t count)
{
    if (count > 1024)
        return {kInvalidParameter, "Too many buffers: " + std::to_string(count)};
    vsx_image_type type;
    size_t pitch;
    uint64_t generation;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!connected_)
            return {kInvalidState, "The sink is not connected to a stream"};
        type = type_;
        pitch = pitch_;
        generation = generation_;
    }
    std::vector<ImageBuffer*> fresh;
    for (size_t i = 0; i < count; ++i) {
        auto* b = new ImageBuffer(weak_from_this(), generation, type, pitch, allocator_);
        if (!b->valid()) {
            b->destroy();
            for (ImageBuffer* f : fresh)
                f->destroy();
            return {kInternal, "The sink's allocator returned no memory"};
        }
        fresh.push_back(b);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!connected_ || generation != generation_) {
            for (ImageBuffer* f : fresh)
                f->destroy();
            return {kInvalidState, "The sink was disconnected"};
        }
        free_.insert(free_.end(), fresh.begin(), fresh.end());
    }
    cv_.notify_all();
    return {};
}

ImageBuffer* SinkCore::take_free()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!connected_ || free_.empty())
        return nullptr;
    ImageBuffer* b = free_.back();
    free_.pop_back();
    return b;
}

uint64_t SinkCore::push_output(ImageBuffer* buffer)
{
    uint64_t dropped = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!connected_ || buffer->generation() != generation_) {
            buffer->destroy();
            return 1;
        }
        if (max_output_ > 0) {
            while (output_.size() >= max_output_) {
                free_.push_back(output_.front());
                output_.pop_front();
                if (pending_ > 0)
                    --pending_;
                ++dropped;
            }
        }
        output_.push_back(buffer);
        ++pending_;
    }
    cv_.notify_all();
    return dropped;
}

void SinkCore::give_back(ImageBuffer* buffer)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (connected_ && buffer->generation() == generation_) {
            free_.push_back(buffer);
            buffer = nullptr;
        }
    }
    if (buffer)
        buffer->destroy();
    cv_.notify_all();
}

Status SinkCore::pop_output(ImageBuffer*& out)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (output_.empty())
        return {kNoData, "No filled buffer in the output queue"};
    out = output_.front();
    output_.pop_front();
    ++held_;
    return {};
}

void SinkCore::recycle(ImageBuffer* buffer)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (held_ > 0)
            --held_;
        if (connected_ && buffer->generation() == generation_) {
            buffer->reuse();
            free_.push_back(buffer);
            buffer = nullptr;
        }
    }
    if (buffer)
        buffer->destroy();
    cv_.notify_all();
}

void SinkCore::wake()
{
    cv_.notify_all();
}

size_t SinkCore::free_count() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return free_.size();
}

size_t SinkCore::queued_count() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return output_.size();
}

size_t SinkCore::held_count() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return held_;
}

size_t SinkCore::pending() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return pending_;
}

vsx_image_type SinkCore::type() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return type_;
}

QueueSink::QueueSink(const vsx_queuesink_config& config) : Handle(HandleKind::Sink), config_(config)
{
    if (config.pixel_formats)
        formats_.assign(config.pixel_formats, config.pixel_formats + config.pixel_format_count);
    config_.pixel_formats = nullptr;
    std::shared_ptr<SinkAllocator> allocator;
    if (config.allocate && config.free) {
        allocator = std::make_shared<SinkAllocator>();
        allocator->allocate = config.allocate;
        allocator->free = config.free;
        allocator->release = config.allocator_release;
        allocator->context = config.allocator_context;
    }
    core_ = std::make_shared<SinkCore>(config.max_output_buffers, std::move(allocator));
}

QueueSink::~QueueSink()
{
    core_->disconnect();
    core_.reset();
    if (config_.release && !Registration::exiting()) {
        try {
            config_.release(config_.context);
        } catch (...) {
            Log::error("a sink release function threw an exception");
        }
    }
}

} // namespace vsxsim
