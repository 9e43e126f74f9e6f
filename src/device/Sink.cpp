#include "device/Sink.h"

#include "device/CallbackGuard.h"

#include <vsxcore.h>

namespace vsx {

Sink::Sink(vsx_sink* handle) : handle_(handle) { vsx_sink_ref(handle_); }

Sink::~Sink() { vsx_sink_unref(handle_); }

namespace {

// What the library hands back to the callbacks.
struct ListenerContext {
    std::shared_ptr<QueueSinkListener> keepAlive;
    QueueSinkListener* listener;
};

QueueSinkListener* listener_of(void* context) { return static_cast<ListenerContext*>(context)->listener; }

void release_context(void* context) { delete static_cast<ListenerContext*>(context); }

// The callbacks run on the stream's frame thread; a connection whose listener
// fails is refused.
bool on_sink_connected(vsx_sink* handle, void* context, const vsx_image_type* type, size_t minBuffers)
{
    return guard_callback("QueueSink::sinkConnected", false, [&] {
        QueueSink sink(handle);
        const ImageType copy{type->pixel_format, type->width, type->height};
        return listener_of(context)->sinkConnected(sink, copy, minBuffers);
    });
}

void on_sink_disconnected(vsx_sink* handle, void* context)
{
    guard_callback("QueueSink::sinkDisconnected", [&] {
        QueueSink sink(handle);
        listener_of(context)->sinkDisconnected(sink);
    });
}

void on_frames_queued(vsx_sink* handle, void* context)
{
    guard_callback("QueueSink::framesQueued", [&] {
        QueueSink sink(handle);
        listener_of(context)->framesQueued(sink);
    });
}

}  // namespace

std::shared_ptr<QueueSink> QueueSink::create(std::shared_ptr<QueueSinkListener> keepAlive,
                                             QueueSinkListener* listener, const QueueSinkConfig& config,
                                             Error& err)
{
    auto* context = new ListenerContext{std::move(keepAlive), listener};
    vsx_queuesink_config record{};
    record.release = release_context;
    record.sink_connected = on_sink_connected;
    record.sink_disconnected = on_sink_disconnected;
    record.frames_queued = on_frames_queued;
    record.context = context;
    record.pixel_formats = config.pixelFormats.data();
    record.pixel_format_count = config.pixelFormats.size();
    record.allocator_release = nullptr;
    record.allocate = nullptr;
    record.free = nullptr;
    record.allocator_context = nullptr;
    record.max_output_buffers = config.maxOutputBuffers;

    vsx_sink* handle = nullptr;
    if (!vsx_queuesink_create(&handle, &record)) {
        delete context;  // the library took nothing
        err.check(false);
        return nullptr;
    }
    auto sink = std::make_shared<QueueSink>(handle);
    vsx_sink_unref(handle);
    err.clear();
    return sink;
}

bool QueueSink::allocAndQueueBuffers(size_t count, Error& err) const
{
    return err.check(vsx_queuesink_alloc_and_queue_buffers(handle_, count));
}

std::shared_ptr<ImageBuffer> QueueSink::popOutputBuffer(Error& err) const
{
    vsx_imagebuffer* buffer = nullptr;
    if (!err.check(vsx_queuesink_pop_output_buffer(handle_, &buffer)))
        return nullptr;
    return make_image_buffer(buffer);
}

}  // namespace vsx
