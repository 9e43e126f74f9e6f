// The simulation control API (vsxsim_).
#include "ApiCommon.h"
#include "Camera.h"
#include "Interface.h"
#include "Stream.h"
#include "TextUtil.h"

using namespace vsxsim;
using namespace vsxsim::api;

namespace {
std::shared_ptr<Camera> camera_entry(const char* serial)
{
    if (!Library::instance().initialized()) {
        fail(kNotInitialized, "Library not initialized");
        return nullptr;
    }
    if (!serial) {
        invalid_argument("serial");
        return nullptr;
    }
    auto c = Library::instance().camera_by_serial(serial);
    if (!c)
        fail(kNotFound, "No camera with serial " + std::string(serial));
    return c;
}
} // namespace

extern "C" {

VSX_API bool vsxsim_configure(const char* json)
{
    return guarded(false, [&] {
        if (!json)
            return invalid_argument("json");
        return finish(Library::instance().configure(json));
    });
}

VSX_API bool vsxsim_plug(const char* serial, bool present)
{
    return guarded(false, [&] {
        auto c = camera_entry(serial);
        if (!c)
            return false;
        if (present)
            c->plug();
        else
            c->unplug();
        return succeed();
    });
}

VSX_API int vsxsim_inject_fault(const char* json)
{
    return guarded(-1, [&] {
        if (!json) {
            invalid_argument("json");
            return -1;
        }
        std::string error;
        int id = Library::instance().faults().add(json, error);
        if (id < 0)
            fail(kInvalidParameter, error);
        else
            succeed();
        return id;
    });
}

VSX_API void vsxsim_clear_faults(void)
{
    guarded_void([] { Library::instance().faults().clear(); });
}

VSX_API bool vsxsim_camera_write(const char* serial, const char* feature, const char* value_text)
{
    return guarded(false, [&] {
        auto c = camera_entry(serial);
        if (!c)
            return false;
        if (!feature || !value_text)
            return invalid_argument(feature ? "value" : "feature");
        return finish(c->camera_write(feature, value_text));
    });
}

VSX_API bool vsxsim_trigger_line(const char* serial, const char* line)
{
    return guarded(false, [&] {
        auto c = camera_entry(serial);
        if (!c)
            return false;
        if (!line)
            return invalid_argument("line");
        auto s = c->stream();
        if (s && c->trigger_mode()) {
            std::string source = c->trigger_source();
            if (source == line || !c->features().trigger_source)
                s->trigger();
        }
        return succeed();
    });
}

VSX_API bool vsxsim_fire_event(const char* serial, const char* event)
{
    return guarded(false, [&] {
        auto c = camera_entry(serial);
        if (!c)
            return false;
        if (!event)
            return invalid_argument("event");
        if (!c->fire_event(event, 0, c->now_ns()))
            return fail(kNotFound, "The camera has no event '" + std::string(event) + "'");
        return succeed();
    });
}

VSX_API bool vsxsim_step(const char* serial, int count)
{
    return guarded(false, [&] {
        auto c = camera_entry(serial);
        if (!c)
            return false;
        if (count < 0)
            return invalid_argument("count");
        auto s = c->stream();
        if (!s)
            return fail(kInvalidState, "The camera is not streaming");
        s->step(count);
        return succeed();
    });
}

VSX_API bool vsxsim_set_driver_status(const char* serial, const char* status)
{
    return guarded(false, [&] {
        auto c = camera_entry(serial);
        if (!c)
            return false;
        if (!status)
            return invalid_argument("status");
        std::string s = status;
        if (s != "Reachable" && s != "IncompatibleDriver" && s != "NotReachable")
            return fail(kInvalidParameter, "Unknown driver status '" + s + "'");
        c->update_info([&](CameraInfo& i) { i.driver_status = s; });
        if (c->interface())
            c->interface()->devices_changed();
        Library::instance().device_list_changed();
        return succeed();
    });
}

VSX_API bool vsxsim_set_ip(const char* serial, const char* ip, const char* mask, const char* gateway)
{
    return guarded(false, [&] {
        auto c = camera_entry(serial);
        if (!c)
            return false;
        auto a = text::parse_ipv4(ip ? ip : "");
        auto m = text::parse_ipv4(mask ? mask : "");
        auto g = text::parse_ipv4(gateway ? gateway : "0.0.0.0");
        if (!a || !m || !g)
            return fail(kInvalidParameter, "Invalid IPv4 address");
        c->update_info([&](CameraInfo& i) {
            i.ip = static_cast<uint32_t>(*a);
            i.mask = static_cast<uint32_t>(*m);
            i.gateway = static_cast<uint32_t>(*g);
        });
        if (c->interface())
            c->interface()->devices_changed();
        Library::instance().device_list_changed();
        return succeed();
    });
}

VSX_API bool vsxsim_flush(int timeout_ms)
{
    return guarded(false, [&] {
        if (!Library::instance().initialized())
            return fail(kNotInitialized, "Library not initialized");
        if (!Library::instance().flush(timeout_ms))
            return fail(kTimeout,
                        "Not everything was delivered within " + std::to_string(timeout_ms) + " ms");
        return succeed();
    });
}

VSX_API bool vsxsim_stats(const char* serial, char* buffer, size_t* size)
{
    return guarded(false, [&] {
        if (!Library::instance().initialized())
            return fail(kNotInitialized, "Library not initialized");
        std::string json = Library::instance().stats_json(serial);
        if (json.empty())
            return fail(kNotFound, "No camera with serial " + std::string(serial ? serial : ""));
        return copy_text(json, buffer, size);
    });
}

VSX_API void vsxsim_shutdown(void)
{
    guarded_void([] { Library::instance().shutdown(); });
}

} // extern "C"
