#include "Grabber.h"

#include "Camera.h"
#include "Library.h"
#include "Log.h"
#include "PixelFormat.h"
#include "QueueSink.h"
#include "Registration.h"
#include "Stream.h"

#include <cstdio>

namespace vsxsim {

Grabber::Grabber() : Handle(HandleKind::Grabber)
{
    Library::instance().register_grabber(this);
}

Grabber::~Grabber() = default;

void Grabber::on_last_release()
{
    Library::instance().unregister_grabber(this);
    shutdown();
    std::vector<std::shared_ptr<Registration>> regs;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        regs.swap(lost_regs_);
    }
    for (auto& r : regs)
        r->end();
    delete this;
}

void Grabber::shutdown()
{
    bool open;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        open = camera_ != nullptr;
    }
    if (open)
        close();
    reap_retired();
}

void Grabber::reap_retired()
{
    std::vector<std::shared_ptr<Stream>> retired;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        retired.swap(retired_);
    }
    for (auto& s : retired)
        s->join();
}

Status Grabber::open(const std::shared_ptr<Camera>& camera)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (camera_)
            return {kInvalidState, "A device is already open on this grabber"};
        if (busy_)
            return {kInvalidState, "The grabber is busy"};
        busy_ = true;
    }
    Status s = camera->claim(this);
    std::lock_guard<std::mutex> lock(mutex_);
    busy_ = false;
    if (!s)
        return s;
    camera_ = camera;
    lost_ = false;
    return {};
}

Status Grabber::close()
{
    std::shared_ptr<Stream> stream;
    std::shared_ptr<Camera> camera;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!camera_)
            return {kDeviceNotOpen, "No device open on this grabber"};
        stream = std::move(stream_);
        camera = std::move(camera_);
        lost_ = false;
    }
    if (stream) {
        camera->detach_stream(stream.get());
        stream->stop();
        camera->set_streaming(false);
        if (!stream->finished()) {
            std::lock_guard<std::mutex> lock(mutex_);
            retired_.push_back(stream);
        }
    }
    reap_retired();
    camera->set_streaming(false);
    camera->release_claim(this);
    return {};
}

bool Grabber::retired_finished() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& s : retired_)
        if (!s->finished())
            return false;
    return true;
}

bool Grabber::is_open() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return camera_ != nullptr;
}

bool Grabber::is_valid() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return camera_ != nullptr && !lost_;
}

bool Grabber::is_streaming() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return camera_ != nullptr && !lost_ && stream_ != nullptr;
}

bool Grabber::is_acquiring() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return camera_ != nullptr && !lost_ && stream_ != nullptr && stream_->acquiring();
}

std::shared_ptr<Camera> Grabber::camera() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return camera_;
}

std::shared_ptr<Stream> Grabber::stream() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lost_ ? nullptr : stream_;
}

Status Grabber::stream_setup(QueueSink* sink, bool start_acquisition)
{
    std::shared_ptr<Camera> camera;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!camera_)
            return {kDeviceNotOpen, "No device open on this grabber"};
        if (lost_)
            return {kDeviceLost, "Device '" + camera_->unique_name() + "' was lost"};
        if (stream_ || busy_)
            return {kInvalidState, "Stream already set up"};
        busy_ = true;
        camera = camera_;
    }
    auto finish = [&](Status s) {
        std::lock_guard<std::mutex> lock(mutex_);
        busy_ = false;
        return s;
    };
    reap_retired();

    const PixelFormatInfo* device = camera->current_format();
    if (!device)
        return finish({kNotSupported, "The device's pixel format is unknown"});
    uint32_t sink_format = 0;
    if (sink->formats().empty()) {
        sink_format = device->sink;
    } else {
        for (uint32_t code : sink->formats()) {
            if (code == 0xFFFFFFFFu || !is_sink_format(code))
                continue;
            if (can_produce(*device, code)) {
                sink_format = code;
                break;
            }
        }
    }
    if (sink_format == 0) {
        char text[160];
        std::snprintf(text, sizeof text, "Sink format 0x%08X cannot be produced from '%s'",
                      sink->formats().empty() ? 0u : sink->formats().front(), device->name);
        return finish({kNotSupported, text});
    }
    vsx_image_type type{sink_format, 0, 0};
    camera->stream_image(type.width, type.height);
    size_t pitch = static_cast<size_t>(type.width) * static_cast<size_t>(sink_bytes_per_pixel(sink_format)) +
                   static_cast<size_t>(std::max<int64_t>(0, camera->setup().row_padding));

    auto stream = std::make_shared<Stream>(camera, sink, type, pitch);
    if (!stream->connect()) {
        stream->join();
        return finish({kInvalidState, "Sink refused connection"});
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        busy_ = false;
        if (lost_ || camera_ != camera) {
            retired_.push_back(stream);
            stream->lose();
            return {kDeviceLost, "Device '" + camera->unique_name() + "' was lost"};
        }
        stream_ = stream;
    }
    camera->attach_stream(stream);
    camera->set_streaming(true);
    stream->start_producer();
    if (start_acquisition)
        stream->set_acquiring(true);
    return {};
}

Status Grabber::stream_stop()
{
    std::shared_ptr<Stream> stream;
    std::shared_ptr<Camera> camera;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!stream_ || lost_)
            return {kInvalidState, "No stream is set up"};
        stream = std::move(stream_);
        camera = camera_;
    }
    camera->detach_stream(stream.get());
    stream->stop();
    camera->set_streaming(false);
    if (!stream->finished()) {
        std::lock_guard<std::mutex> lock(mutex_);
        retired_.push_back(stream);
    }
    return {};
}

Status Grabber::acquisition(bool start)
{
    std::shared_ptr<Stream> stream;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (start) {
            if (!camera_)
                return {kDeviceNotOpen, "No device open on this grabber"};
            if (lost_)
                return {kDeviceLost, "Device '" + camera_->unique_name() + "' was lost"};
            if (!stream_)
                return {kInvalidState, "No stream is set up"};
        }
        stream = lost_ ? nullptr : stream_;
    }
    if (stream)
        stream->set_acquiring(start);
    return {};
}

Status Grabber::add_device_lost(std::shared_ptr<Registration> reg)
{
    std::lock_guard<std::mutex> lock(mutex_);
    lost_regs_.push_back(std::move(reg));
    return {};
}

void Grabber::device_lost(Camera* camera)
{
    std::shared_ptr<Stream> stream;
    std::vector<std::shared_ptr<Registration>> regs;
    std::shared_ptr<Camera> cam;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (camera_.get() != camera || lost_)
            return;
        lost_ = true;
        cam = camera_;
        stream = std::move(stream_);
        if (stream)
            retired_.push_back(stream);
        regs = lost_regs_;
    }
    if (stream) {
        cam->detach_stream(stream.get());
        stream->lose();
    }
    cam->set_streaming(false);
    Grabber* self = this;
    for (auto& reg : regs) {
        cam->events().post([reg, self] {
            if (!reg->enter())
                return;
            try {
                reg->callback_as<void (*)(vsx_grabber*, void*)>()(to_c<vsx_grabber>(self), reg->context());
            } catch (...) {
                Log::error("a device-lost callback threw an exception");
            }
            reg->leave();
        });
    }
}

} // namespace vsxsim
