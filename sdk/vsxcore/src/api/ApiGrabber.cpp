// Grabbers: open and close, state queries, streams, acquisition, device loss.
#include "ApiCommon.h"
#include "Camera.h"
#include "DeviceInfo.h"
#include "Grabber.h"
#include "PropertyMap.h"
#include "QueueSink.h"
#include "Registration.h"
#include "Stream.h"

using namespace vsxsim;
using namespace vsxsim::api;

namespace {
Grabber* grabber(vsx_grabber* g)
{
    return checked<Grabber>(g, HandleKind::Grabber);
}

std::string serial_of(Grabber* g)
{
    auto c = g ? g->camera() : nullptr;
    return c ? c->serial() : std::string();
}

// Enters a grabber call: initialised, a valid handle, fault rules.
Grabber* grabber_entry(const char* function, vsx_grabber* g)
{
    if (!Library::instance().initialized()) {
        fail(kNotInitialized, "Library not initialized");
        return nullptr;
    }
    Grabber* h = grabber(g);
    if (!h) {
        invalid_handle();
        return nullptr;
    }
    if (!enter(function, serial_of(h)))
        return nullptr;
    return h;
}

bool state_query(const char* function, vsx_grabber* g, bool (Grabber::*query)() const)
{
    Grabber* h = grabber_entry(function, g);
    if (!h)
        return false;
    bool result = (h->*query)();
    succeed();
    return result;
}
} // namespace

extern "C" {

VSX_API bool vsx_grabber_create(vsx_grabber** out)
{
    return guarded(false, [&] {
        if (!enter("vsx_grabber_create"))
            return false;
        if (!out)
            return invalid_argument("out");
        auto* g = new Grabber();
        g->hand_out();
        g->release();
        *out = to_c<vsx_grabber>(g);
        return succeed();
    });
}

VSX_API void vsx_grabber_ref(vsx_grabber* g)
{
    guarded_void([&] {
        if (auto* h = grabber(g))
            h->hand_out();
    });
}

VSX_API void vsx_grabber_unref(vsx_grabber* g)
{
    guarded_void([&] {
        if (auto* h = grabber(g))
            h->take_back();
    });
}

VSX_API bool vsx_grabber_device_open(vsx_grabber* g, vsx_devinfo* info)
{
    return guarded(false, [&] {
        auto* d = checked<DeviceInfo>(info, HandleKind::DevInfo);
        if (!Library::instance().initialized())
            return fail(kNotInitialized, "Library not initialized");
        Grabber* h = grabber(g);
        if (!h || !d)
            return invalid_handle();
        if (!enter("vsx_grabber_device_open", d->serial()))
            return false;
        // The camera must still be part of the set (a new configuration replaces it).
        auto camera = Library::instance().camera_by_serial(d->serial());
        if (!camera || camera->unique_name() != d->unique_name())
            return fail(kNotFound, "Device '" + d->unique_name() + "' is not connected");
        return finish(h->open(camera));
    });
}

VSX_API bool vsx_grabber_device_close(vsx_grabber* g)
{
    return guarded(false, [&] {
        Grabber* h = grabber_entry("vsx_grabber_device_close", g);
        return h ? finish(h->close()) : false;
    });
}

VSX_API bool vsx_grabber_is_device_open(vsx_grabber* g)
{
    return guarded(false, [&] { return state_query("vsx_grabber_is_device_open", g, &Grabber::is_open); });
}

VSX_API bool vsx_grabber_is_device_valid(vsx_grabber* g)
{
    return guarded(false, [&] { return state_query("vsx_grabber_is_device_valid", g, &Grabber::is_valid); });
}

VSX_API bool vsx_grabber_is_streaming(vsx_grabber* g)
{
    return guarded(false, [&] { return state_query("vsx_grabber_is_streaming", g, &Grabber::is_streaming); });
}

VSX_API bool vsx_grabber_is_acquisition_active(vsx_grabber* g)
{
    return guarded(
        false, [&] { return state_query("vsx_grabber_is_acquisition_active", g, &Grabber::is_acquiring); });
}

VSX_API bool vsx_grabber_get_device(vsx_grabber* g, vsx_devinfo** out)
{
    return guarded(false, [&] {
        Grabber* h = grabber_entry("vsx_grabber_get_device", g);
        if (!h)
            return false;
        if (!out)
            return invalid_argument("out");
        auto camera = h->camera();
        if (!camera)
            return fail(kDeviceNotOpen, "No device open on this grabber");
        auto* d = new DeviceInfo(camera);
        d->hand_out();
        d->release();
        *out = to_c<vsx_devinfo>(d);
        return succeed();
    });
}

namespace {
bool get_map(const char* function, vsx_grabber* g, vsx_propmap** out, bool driver)
{
    Grabber* h = grabber_entry(function, g);
    if (!h)
        return false;
    if (!out)
        return invalid_argument("out");
    auto camera = h->camera();
    if (!camera)
        return fail(kDeviceNotOpen, "No device open on this grabber");
    PropertyMap* m = driver ? camera->driver_map() : camera->device_map();
    m->hand_out();
    *out = to_c<vsx_propmap>(m);
    return succeed();
}
} // namespace

VSX_API bool vsx_grabber_device_get_property_map(vsx_grabber* g, vsx_propmap** out)
{
    return guarded(false, [&] { return get_map("vsx_grabber_device_get_property_map", g, out, false); });
}

VSX_API bool vsx_grabber_driver_get_property_map(vsx_grabber* g, vsx_propmap** out)
{
    return guarded(false, [&] { return get_map("vsx_grabber_driver_get_property_map", g, out, true); });
}

VSX_API bool vsx_grabber_stream_setup(vsx_grabber* g, vsx_sink* sink, vsx_display* display,
                                      bool start_acquisition)
{
    return guarded(false, [&] {
        Grabber* h = grabber_entry("vsx_grabber_stream_setup", g);
        if (!h)
            return false;
        if (display)
            return fail(kNotSupported, "Displays are not supported");
        auto* s = checked<QueueSink>(sink, HandleKind::Sink);
        if (!s)
            return invalid_handle();
        return finish(h->stream_setup(s, start_acquisition));
    });
}

VSX_API bool vsx_grabber_stream_stop(vsx_grabber* g)
{
    return guarded(false, [&] {
        Grabber* h = grabber_entry("vsx_grabber_stream_stop", g);
        return h ? finish(h->stream_stop()) : false;
    });
}

VSX_API bool vsx_grabber_acquisition_start(vsx_grabber* g)
{
    return guarded(false, [&] {
        Grabber* h = grabber_entry("vsx_grabber_acquisition_start", g);
        return h ? finish(h->acquisition(true)) : false;
    });
}

VSX_API bool vsx_grabber_acquisition_stop(vsx_grabber* g)
{
    return guarded(false, [&] {
        Grabber* h = grabber_entry("vsx_grabber_acquisition_stop", g);
        return h ? finish(h->acquisition(false)) : false;
    });
}

VSX_API bool vsx_grabber_event_add_device_lost(vsx_grabber* g, void (*callback)(vsx_grabber*, void*),
                                               void* context, void (*release)(void*))
{
    return guarded(false, [&] {
        Grabber* h = grabber_entry("vsx_grabber_event_add_device_lost", g);
        if (!h)
            return false;
        if (!callback)
            return invalid_argument("callback");
        auto reg =
            std::make_shared<Registration>(reinterpret_cast<Registration::AnyFn>(callback), context, release);
        return finish(h->add_device_lost(reg));
    });
}

VSX_API bool vsx_grabber_get_sink(vsx_grabber* g, vsx_sink** out)
{
    return guarded(false, [&] {
        Grabber* h = grabber_entry("vsx_grabber_get_sink", g);
        if (!h)
            return false;
        if (!out)
            return invalid_argument("out");
        auto stream = h->stream();
        if (!stream)
            return fail(kNotFound, "No sink: no stream is set up");
        stream->sink()->hand_out();
        *out = to_c<vsx_sink>(stream->sink());
        return succeed();
    });
}

VSX_API bool vsx_grabber_get_display(vsx_grabber* g, vsx_display** out)
{
    return guarded(false, [&] {
        Grabber* h = grabber_entry("vsx_grabber_get_display", g);
        if (!h)
            return false;
        if (out)
            *out = nullptr;
        return fail(kNotFound, "No display");
    });
}

VSX_API void vsx_display_ref(vsx_display*) {}

VSX_API void vsx_display_unref(vsx_display*) {}

} // extern "C"
