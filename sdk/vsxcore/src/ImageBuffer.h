#pragma once

#include "Handle.h"
#include "vsxcore.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vsxsim {

class SinkCore;

// Memory handed out by a program allocator of a queue sink; released when the
// last buffer using it and the sink are gone.
struct SinkAllocator {
    void* (*allocate)(void*, size_t) = nullptr;
    void (*free)(void*, void*) = nullptr;
    void (*release)(void*) = nullptr;
    void* context = nullptr;
    ~SinkAllocator();
};

// An image buffer (vsx_imagebuffer): either a queue sink's buffer, which goes
// back to its sink at the last reference, or program memory wrapped without a
// copy, whose release function runs at the last reference.
class ImageBuffer : public Handle {
public:
    // A buffer of a queue sink.
    ImageBuffer(std::weak_ptr<SinkCore> sink, uint64_t generation, const vsx_image_type& type, size_t pitch,
                std::shared_ptr<SinkAllocator> allocator);
    // Wrapped program memory.
    ImageBuffer(void* data, size_t size, size_t pitch, const vsx_image_type& type, void (*release)(void*),
                void* release_context);

    const vsx_image_type& type() const { return type_; }
    size_t pitch() const { return pitch_; }
    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    uint64_t generation() const { return generation_; }
    bool valid() const { return data_ != nullptr; }

    // Frame information written by the producer.
    uint64_t frame_number = 0;
    int64_t timestamp_ns = 0;

    void reuse() { set_ref_count(1); }
    void destroy() { delete this; }

protected:
    ~ImageBuffer() override;
    void on_last_release() override;

private:
    vsx_image_type type_;
    size_t pitch_;
    size_t size_;
    uint8_t* data_ = nullptr;
    std::vector<uint8_t> storage_;
    std::weak_ptr<SinkCore> sink_;
    uint64_t generation_ = 0;
    std::shared_ptr<SinkAllocator> allocator_;
    void (*release_)(void*) = nullptr;
    void* release_context_ = nullptr;
};

} // namespace vsxsim
