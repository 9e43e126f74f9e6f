#include "Stream.h"

#include "Camera.h"
#include "FrameRenderer.h"
#include "ImageBuffer.h"
#include "Library.h"
#include "Log.h"
#include "QueueSink.h"
#include "Registration.h"

#include <chrono>

namespace vsxsim {

namespace {
using Clock = std::chrono::steady_clock;

int64_t since_epoch_ns()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}
} // namespace

Stream::Stream(std::shared_ptr<Camera> camera, QueueSink* sink, const vsx_image_type& type, size_t pitch)
    : camera_(std::move(camera)), sink_(sink), sink_ref_(sink), core_(sink->core()), type_(type),
      pitch_(pitch)
{
    sink_->add_ref();
}

Stream::~Stream()
{
    stop_producer_ = true;
    stop_frames_ = true;
    cv_.notify_all();
    core_->wake();
    join_thread(producer_thread_);
    join_thread(frame_thread_);
    drop_sink_ref();
}

void Stream::join_thread(std::thread& t)
{
    if (!t.joinable())
        return;
    if (t.get_id() == std::this_thread::get_id())
        t.detach();
    else
        t.join();
}

void Stream::drop_sink_ref()
{
    QueueSink* s = sink_ref_.exchange(nullptr);
    if (s)
        s->release();
}

bool Stream::connect()
{
    core_->connect(type_, pitch_);
    auto self = shared_from_this();
    frame_thread_ = std::thread([self] { self->frame_main(); });
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [&] { return connect_done_; });
    return connect_result_;
}

void Stream::frame_main()
{
    frame_id_ = std::this_thread::get_id();
    const vsx_queuesink_config& cfg = sink_->config();
    vsx_sink* handle = to_c<vsx_sink>(sink_);
    bool accepted = false;
    if (!Registration::exiting()) {
        try {
            in_callback_ = true;
            accepted = cfg.sink_connected ? cfg.sink_connected(handle, cfg.context, &type_, 2) : true;
        } catch (...) {
            Log::error("sink connected threw an exception; the connection is refused");
            accepted = false;
        }
        in_callback_ = false;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        connect_result_ = accepted;
        connect_done_ = true;
    }
    cv_.notify_all();
    if (!accepted) {
        core_->disconnect();
        frames_done_ = true;
        return;
    }
    const std::string serial = camera_->serial();
    for (;;) {
        if (!core_->wait_pending([this] { return stop_frames_.load(); }))
            break;
        int delay = Library::instance().faults().device(serial).callback_delay_ms;
        if (delay > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        if (stop_frames_.load() || Registration::exiting())
            break;
        in_callback_ = true;
        try {
            if (cfg.frames_queued)
                cfg.frames_queued(handle, cfg.context);
        } catch (...) {
            Log::error("frames queued threw an exception");
        }
        in_callback_ = false;
        camera_->frames_delivered.fetch_add(1, std::memory_order_relaxed);
    }
    if (!Registration::exiting()) {
        in_callback_ = true;
        try {
            if (cfg.sink_disconnected)
                cfg.sink_disconnected(handle, cfg.context);
        } catch (...) {
            Log::error("sink disconnected threw an exception");
        }
        in_callback_ = false;
    }
    core_->disconnect();
    frames_done_ = true;
    if (self_teardown_)
        drop_sink_ref();
}

void Stream::start_producer()
{
    auto self = shared_from_this();
    producer_thread_ = std::thread([self] { self->producer_main(); });
}

void Stream::set_acquiring(bool on)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (on && !acquiring_)
            ++acquisition_epoch_;
        acquiring_ = on;
    }
    cv_.notify_all();
}

void Stream::step(int count)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        credits_ += count;
    }
    cv_.notify_all();
}

void Stream::trigger()
{
    bool missed = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        bool realtime = Library::instance().settings().clock == ClockMode::Realtime;
        if (triggers_ > 0 || (realtime && since_epoch_ns() < busy_until_ns_.load()))
            missed = true;
        else
            ++triggers_;
    }
    cv_.notify_all();
    if (missed)
        camera_->on_trigger_missed(camera_->now_ns());
}

bool Stream::idle() const
{
    if (frames_done_.load())
        return true;
    return core_->pending() == 0 && !in_callback_.load();
}

void Stream::stop()
{
    stop_producer_ = true;
    stop_frames_ = true;
    cv_.notify_all();
    core_->wake();
    join_thread(producer_thread_);
    if (std::this_thread::get_id() == frame_id_) {
        // Called from one of this stream's own callbacks: the thread finishes
        // (disconnected, teardown) when the callback returns.
        self_teardown_ = true;
        return;
    }
    join_thread(frame_thread_);
    drop_sink_ref();
}

void Stream::lose()
{
    self_teardown_ = true;
    stop_producer_ = true;
    stop_frames_ = true;
    cv_.notify_all();
    core_->wake();
}

void Stream::join()
{
    if (std::this_thread::get_id() == frame_id_ || std::this_thread::get_id() == producer_id_)
        return;
    join_thread(producer_thread_);
    join_thread(frame_thread_);
    drop_sink_ref();
}

void Stream::producer_main()
{
    producer_id_ = std::this_thread::get_id();
    const Settings settings = Library::instance().settings();
    const std::string serial = camera_->serial();
    FrameRenderer renderer;
    renderer.set_seed(static_cast<uint32_t>(settings.seed));
    uint64_t generation = 0;
    uint64_t epoch = 0;
    uint64_t n = 0;
    uint64_t produced = 0;
    auto next_due = Clock::now();
    auto next_pulse = Clock::now();
    const uint32_t sink_format = type_.pixel_format;

    while (!stop_producer_.load()) {
        // Wait for acquisition.
        {
            std::unique_lock<std::mutex> lock(mutex_);
            while (!stop_producer_.load() && !acquiring_.load())
                cv_.wait_for(lock, std::chrono::milliseconds(50));
            if (stop_producer_.load())
                break;
            if (acquisition_epoch_ != epoch) {
                epoch = acquisition_epoch_;
                n = 0;
                next_due = Clock::now();
                next_pulse = Clock::now();
            }
        }
        DeviceFaults faults = Library::instance().faults().device(serial);
        const double period = camera_->frame_period();
        const auto period_d =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(period));
        bool stall = faults.stall;
        bool trigger_mode = camera_->trigger_mode();
        double line1 = 0.0;
        int64_t drop_every = faults.drop_every_nth;
        {
            std::lock_guard<std::mutex> lock(camera_->mutex());
            CameraFeatures& f = camera_->features();
            if (f.sim_stall && f.sim_stall->slot().i)
                stall = true;
            if (f.sim_line1)
                line1 = f.sim_line1->slot().f;
            if (f.sim_drop_every && f.sim_drop_every->slot().i > 0)
                drop_every = f.sim_drop_every->slot().i;
        }
        if (stall) {
            std::unique_lock<std::mutex> lock(mutex_);
            cv_.wait_for(lock, std::chrono::milliseconds(20));
            next_due = Clock::now();
            continue;
        }

        // Wait for the next frame slot.
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (trigger_mode) {
                if (triggers_ == 0) {
                    auto until = Clock::now() + std::chrono::milliseconds(20);
                    if (line1 > 0.0 && settings.clock == ClockMode::Realtime &&
                        camera_->trigger_source() == "Line1") {
                        if (Clock::now() >= next_pulse) {
                            next_pulse = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                            std::chrono::duration<double>(1.0 / line1));
                            ++triggers_;
                            continue;
                        }
                        until = std::min(until, next_pulse);
                    }
                    cv_.wait_until(lock, until);
                    continue;
                }
                --triggers_;
            } else if (settings.clock == ClockMode::Manual) {
                if (credits_ == 0) {
                    cv_.wait_for(lock, std::chrono::milliseconds(50));
                    continue;
                }
                --credits_;
            } else if (settings.clock == ClockMode::Realtime) {
                auto now = Clock::now();
                if (now < next_due) {
                    cv_.wait_until(lock, next_due);
                    continue;
                }
            }
        }

        ++n;
        ++produced;
        const int64_t timestamp = settings.deterministic
                                      ? static_cast<int64_t>(static_cast<double>(n) * period * 1e9)
                                      : camera_->now_ns();
        busy_until_ns_ = since_epoch_ns() + static_cast<int64_t>(period * 1e9);

        ImageBuffer* buffer = nullptr;
        if (settings.clock == ClockMode::Realtime && !trigger_mode)
            buffer = core_->take_free();
        else
            buffer = core_->wait_free([this] { return stop_producer_.load(); });
        bool drop = buffer == nullptr;
        if (!drop && drop_every > 0 && n % static_cast<uint64_t>(drop_every) == 0)
            drop = true;
        if (!drop && faults.drop_probability > 0.0 &&
            Library::instance().faults().drop_random(serial, faults.drop_probability))
            drop = true;

        camera_->frames_generated.fetch_add(1, std::memory_order_relaxed);
        if (drop) {
            if (buffer)
                core_->give_back(buffer);
            if (!stop_producer_.load())
                camera_->frames_dropped.fetch_add(1, std::memory_order_relaxed);
        } else {
            uint64_t g = camera_->generation();
            if (g != generation) {
                generation = g;
                RenderParams p = camera_->render_params();
                p.width = type_.width;
                p.height = type_.height;
                renderer.prepare(p, sink_format);
            }
            renderer.render(n, buffer->data(), pitch_);
            buffer->frame_number = n;
            buffer->timestamp_ns = timestamp;
            uint64_t dropped = core_->push_output(buffer);
            if (dropped)
                camera_->frames_dropped.fetch_add(dropped, std::memory_order_relaxed);
        }
        camera_->on_frame_produced(n, timestamp);

        if (faults.lost_after_frames >= 0 && produced >= static_cast<uint64_t>(faults.lost_after_frames)) {
            camera_->lose();
            break;
        }
        if (settings.clock == ClockMode::Realtime && !trigger_mode) {
            next_due += period_d;
            auto now = Clock::now();
            if (now > next_due + period_d) {
                auto missed = (now - next_due) / period_d;
                next_due += missed * period_d;
                camera_->frames_dropped.fetch_add(static_cast<uint64_t>(missed), std::memory_order_relaxed);
            }
        }
    }
}

} // namespace vsxsim
