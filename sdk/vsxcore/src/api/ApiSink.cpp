// Queue sinks and image buffers.
#include "ApiCommon.h"
#include "ImageBuffer.h"
#include "PixelFormat.h"
#include "QueueSink.h"

using namespace vsxsim;
using namespace vsxsim::api;

namespace {
QueueSink* sink(vsx_sink* s)
{
    return checked<QueueSink>(s, HandleKind::Sink);
}
ImageBuffer* buffer(vsx_imagebuffer* b)
{
    return checked<ImageBuffer>(b, HandleKind::ImageBuffer);
}

ImageBuffer* buffer_entry(const char* function, vsx_imagebuffer* b)
{
    if (!enter(function))
        return nullptr;
    ImageBuffer* h = buffer(b);
    if (!h)
        invalid_handle();
    return h;
}
} // namespace

extern "C" {

VSX_API bool vsx_queuesink_create(vsx_sink** out, const vsx_queuesink_config* config)
{
    return guarded(false, [&] {
        if (!enter("vsx_queuesink_create"))
            return false;
        if (!out || !config)
            return invalid_argument(out ? "config" : "out");
        if ((config->allocate != nullptr) != (config->free != nullptr))
            return fail(kInvalidParameter, "An allocator needs both allocate and free");
        if (config->pixel_format_count > 0 && !config->pixel_formats)
            return invalid_argument("pixel_formats");
        auto* s = new QueueSink(*config);
        s->hand_out();
        // The creation reference goes away without calling release: the caller's is the only one.
        s->release();
        *out = to_c<vsx_sink>(s);
        return succeed();
    });
}

VSX_API void vsx_sink_ref(vsx_sink* s)
{
    guarded_void([&] {
        if (auto* h = sink(s))
            h->hand_out();
    });
}

VSX_API void vsx_sink_unref(vsx_sink* s)
{
    guarded_void([&] {
        if (auto* h = sink(s))
            h->take_back();
    });
}

VSX_API int vsx_sink_get_type(vsx_sink* s)
{
    return guarded(0, [&] {
        if (!enter("vsx_sink_get_type"))
            return 0;
        if (!sink(s)) {
            invalid_handle();
            return 0;
        }
        succeed();
        return VSX_SINK_QUEUE;
    });
}

VSX_API bool vsx_queuesink_alloc_and_queue_buffers(vsx_sink* s, size_t count)
{
    return guarded(false, [&] {
        if (!enter("vsx_queuesink_alloc_and_queue_buffers"))
            return false;
        QueueSink* h = sink(s);
        if (!h)
            return invalid_handle();
        return finish(h->core()->alloc_and_queue(count));
    });
}

VSX_API bool vsx_queuesink_pop_output_buffer(vsx_sink* s, vsx_imagebuffer** out)
{
    return guarded(false, [&] {
        if (!enter("vsx_queuesink_pop_output_buffer"))
            return false;
        QueueSink* h = sink(s);
        if (!h)
            return invalid_handle();
        if (!out)
            return invalid_argument("out");
        ImageBuffer* b = nullptr;
        Status st = h->core()->pop_output(b);
        if (!st)
            return fail(st);
        b->count_external(); // the sink's reference now belongs to the caller
        *out = to_c<vsx_imagebuffer>(b);
        return succeed();
    });
}

VSX_API void vsx_imagebuffer_ref(vsx_imagebuffer* b)
{
    guarded_void([&] {
        if (auto* h = buffer(b))
            h->hand_out();
    });
}

VSX_API void vsx_imagebuffer_unref(vsx_imagebuffer* b)
{
    guarded_void([&] {
        if (auto* h = buffer(b))
            h->take_back();
    });
}

VSX_API bool vsx_imagebuffer_get_image_type(vsx_imagebuffer* b, vsx_image_type* out)
{
    return guarded(false, [&] {
        ImageBuffer* h = buffer_entry("vsx_imagebuffer_get_image_type", b);
        if (!h)
            return false;
        if (!out)
            return invalid_argument("out");
        *out = h->type();
        return succeed();
    });
}

VSX_API size_t vsx_imagebuffer_get_pitch(vsx_imagebuffer* b)
{
    return guarded(size_t(0), [&]() -> size_t {
        ImageBuffer* h = buffer_entry("vsx_imagebuffer_get_pitch", b);
        if (!h)
            return 0;
        succeed();
        return h->pitch();
    });
}

VSX_API void* vsx_imagebuffer_get_ptr(vsx_imagebuffer* b)
{
    return guarded<void*>(nullptr, [&]() -> void* {
        ImageBuffer* h = buffer_entry("vsx_imagebuffer_get_ptr", b);
        if (!h)
            return nullptr;
        succeed();
        return h->data();
    });
}

VSX_API bool vsx_imagebuffer_wrap_memory(vsx_imagebuffer** out, void* data, size_t size, size_t pitch,
                                         const vsx_image_type* type, void (*release)(void*),
                                         void* release_context)
{
    return guarded(false, [&] {
        if (!enter("vsx_imagebuffer_wrap_memory"))
            return false;
        if (!out || !type || !data)
            return invalid_argument(!out ? "out" : (!type ? "type" : "data"));
        int bpp = buffer_bytes_per_pixel(type->pixel_format);
        if (bpp == 0) {
            char text[64];
            std::snprintf(text, sizeof text, "Unknown pixel format 0x%08X", type->pixel_format);
            return fail(kNotSupported, text);
        }
        if (type->width == 0 || type->height == 0)
            return fail(kInvalidParameter, "Empty image");
        if (pitch < static_cast<size_t>(type->width) * static_cast<size_t>(bpp))
            return fail(kInvalidParameter, "Pitch " + std::to_string(pitch) + " is smaller than a row of " +
                                               std::to_string(static_cast<size_t>(type->width) * bpp) +
                                               " bytes");
        if (size / pitch < type->height)
            return fail(kInvalidParameter,
                        "Size " + std::to_string(size) + " is smaller than pitch x height");
        auto* b = new ImageBuffer(data, size, pitch, *type, release, release_context);
        b->hand_out();
        b->release();
        *out = to_c<vsx_imagebuffer>(b);
        return succeed();
    });
}

} // extern "C"
