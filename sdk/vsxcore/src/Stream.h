#pragma once

#include "vsxcore.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace vsxsim {

class Camera;
class QueueSink;
class SinkCore;

// One set-up stream: a producer thread that renders frames at the frame rate
// into free buffers of the sink, and a frame thread that runs every callback of
// the sink serially (connected, frames queued, disconnected). A slow listener
// makes frames drop instead of slowing the producer.
class Stream : public std::enable_shared_from_this<Stream> {
public:
    Stream(std::shared_ptr<Camera> camera, QueueSink* sink, const vsx_image_type& type, size_t pitch);
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Starts the frame thread and waits for sink connected; false when the sink refused.
    bool connect();
    void start_producer();
    void set_acquiring(bool on);
    bool acquiring() const { return acquiring_.load(); }

    // Orderly stop: returns when no callback of this stream runs any more, unless
    // called from the frame thread itself (then the stop completes after the callback).
    void stop();
    // Device loss: stops without blocking; the frame thread disconnects the sink.
    void lose();
    // Joins finished threads (not from the stream's own threads) and drops the sink.
    void join();
    bool finished() const { return frames_done_.load(); }
    bool idle() const; // no frame owed to the listener and no callback running

    void step(int count);
    void trigger();

    QueueSink* sink() const { return sink_; }
    const vsx_image_type& type() const { return type_; }
    const std::shared_ptr<SinkCore>& core() const { return core_; }

private:
    void frame_main();
    void producer_main();
    void drop_sink_ref();
    void join_thread(std::thread& t);

    std::shared_ptr<Camera> camera_;
    QueueSink* sink_;
    std::atomic<QueueSink*> sink_ref_;
    std::shared_ptr<SinkCore> core_;
    vsx_image_type type_;
    size_t pitch_;

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool connect_done_ = false;
    bool connect_result_ = false;
    uint64_t acquisition_epoch_ = 0;
    int64_t credits_ = 0;  // manual clock steps
    int64_t triggers_ = 0; // pending triggers

    std::atomic<bool> acquiring_{false};
    std::atomic<bool> stop_producer_{false};
    std::atomic<bool> stop_frames_{false};
    std::atomic<bool> self_teardown_{false};
    std::atomic<bool> frames_done_{false};
    std::atomic<bool> in_callback_{false};
    std::atomic<int64_t> busy_until_ns_{0};

    std::thread frame_thread_;
    std::thread producer_thread_;
    std::atomic<std::thread::id> frame_id_{};
    std::atomic<std::thread::id> producer_id_{};
};

} // namespace vsxsim
