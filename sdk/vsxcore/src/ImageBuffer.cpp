#include "ImageBuffer.h"

#include "Log.h"
#include "QueueSink.h"
#include "Registration.h"

namespace vsxsim {

SinkAllocator::~SinkAllocator()
{
    if (release && !Registration::exiting())
        release(context);
}

ImageBuffer::ImageBuffer(std::weak_ptr<SinkCore> sink, uint64_t generation, const vsx_image_type& type,
                         size_t pitch, std::shared_ptr<SinkAllocator> allocator)
    : Handle(HandleKind::ImageBuffer), type_(type), pitch_(pitch), size_(pitch * type.height),
      sink_(std::move(sink)), generation_(generation), allocator_(std::move(allocator))
{
    if (allocator_ && allocator_->allocate) {
        data_ = static_cast<uint8_t*>(allocator_->allocate(allocator_->context, size_));
    } else {
        storage_.assign(size_, 0);
        data_ = storage_.data();
    }
}

ImageBuffer::ImageBuffer(void* data, size_t size, size_t pitch, const vsx_image_type& type,
                         void (*release)(void*), void* release_context)
    : Handle(HandleKind::ImageBuffer), type_(type), pitch_(pitch), size_(size),
      data_(static_cast<uint8_t*>(data)), release_(release), release_context_(release_context)
{
}

ImageBuffer::~ImageBuffer()
{
    if (allocator_ && allocator_->free && data_)
        allocator_->free(allocator_->context, data_);
    if (release_) {
        try {
            release_(release_context_);
        } catch (...) {
            Log::error("an image buffer release function threw an exception");
        }
    }
}

void ImageBuffer::on_last_release()
{
    if (auto core = sink_.lock()) {
        core->recycle(this);
        return;
    }
    delete this;
}

} // namespace vsxsim
