#pragma once

#include "Handle.h"
#include "Status.h"
#include "vsxcore.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace vsxsim {

class ImageBuffer;
struct SinkAllocator;

// The buffer queues of a queue sink: free buffers the producer fills, the
// output queue the program pops from, and the count of frames-queued calls
// that the frame thread still owes.
class SinkCore : public std::enable_shared_from_this<SinkCore> {
public:
    SinkCore(size_t max_output, std::shared_ptr<SinkAllocator> allocator);
    ~SinkCore();

    void connect(const vsx_image_type& type, size_t pitch);
    void disconnect(); // frees idle buffers; buffers held by the program go at their last unref
    bool connected() const;

    Status alloc_and_queue(size_t count);
    ImageBuffer* take_free();
    // Waits for a free buffer (or until stop() returns true).
    template <class Pred> ImageBuffer* wait_free(Pred stop);
    // Queues a filled buffer; returns the number of frames dropped to make room.
    uint64_t push_output(ImageBuffer* buffer);
    void give_back(ImageBuffer* buffer); // a buffer that was not filled
    Status pop_output(ImageBuffer*& out);
    void recycle(ImageBuffer* buffer);

    // Frame thread: waits until a frames-queued call is owed or stop() is true.
    template <class Pred> bool wait_pending(Pred stop);
    void wake();

    size_t free_count() const;
    size_t queued_count() const;
    size_t held_count() const;
    size_t pending() const;
    vsx_image_type type() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool connected_ = false;
    uint64_t generation_ = 0;
    vsx_image_type type_{0, 0, 0};
    size_t pitch_ = 0;
    size_t max_output_;
    std::shared_ptr<SinkAllocator> allocator_;
    std::vector<ImageBuffer*> free_;
    std::deque<ImageBuffer*> output_;
    size_t held_ = 0;
    size_t pending_ = 0;
};

// A queue sink (vsx_sink): the program's callbacks and accepted formats.
// The last reference calls the program's release function.
class QueueSink : public Handle {
public:
    explicit QueueSink(const vsx_queuesink_config& config);

    const vsx_queuesink_config& config() const { return config_; }
    const std::vector<uint32_t>& formats() const { return formats_; }
    const std::shared_ptr<SinkCore>& core() const { return core_; }

protected:
    ~QueueSink() override;

private:
    vsx_queuesink_config config_;
    std::vector<uint32_t> formats_;
    std::shared_ptr<SinkCore> core_;
};

template <class Pred> ImageBuffer* SinkCore::wait_free(Pred stop)
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (stop() || !connected_)
            return nullptr;
        if (!free_.empty()) {
            ImageBuffer* b = free_.back();
            free_.pop_back();
            return b;
        }
        cv_.wait_for(lock, std::chrono::milliseconds(20));
    }
}

template <class Pred> bool SinkCore::wait_pending(Pred stop)
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (stop())
            return false;
        if (pending_ > 0 && output_.empty())
            pending_ = 0; // the frames it stood for were dropped by the queue cap
        if (pending_ > 0) {
            --pending_;
            return true;
        }
        cv_.wait_for(lock, std::chrono::milliseconds(50));
    }
}

} // namespace vsxsim
