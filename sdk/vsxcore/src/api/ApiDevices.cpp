// Device enumeration, interfaces and device information.
#include "ApiCommon.h"
#include "Camera.h"
#include "DeviceEnumerator.h"
#include "DeviceInfo.h"
#include "Interface.h"
#include "PropertyMap.h"
#include "Registration.h"

using namespace vsxsim;
using namespace vsxsim::api;

namespace {
DeviceEnumerator* enumerator(vsx_devenum* e)
{
    return checked<DeviceEnumerator>(e, HandleKind::DevEnum);
}
InterfaceRef* itf_ref(vsx_devitf* i)
{
    return checked<InterfaceRef>(i, HandleKind::DevItf);
}
DeviceInfo* devinfo(vsx_devinfo* d)
{
    return checked<DeviceInfo>(d, HandleKind::DevInfo);
}

template <class T, class C> bool hand_out(T* object, C** out)
{
    object->hand_out();
    object->release(); // the creation reference
    *out = to_c<C>(object);
    return succeed();
}

const char* text_result(const std::string& text)
{
    succeed();
    return text.c_str();
}

// Takes a handle's list anew.
template <class H, class Update> bool update_list(const char* function, H* h, Update update)
{
    if (!enter(function))
        return false;
    if (!h)
        return invalid_handle();
    update(*h);
    return succeed();
}

// The length of a handle's list; -1 on failure.
template <class H, class Items> int list_count(const char* function, H* h, Items items)
{
    if (!enter(function))
        return -1;
    if (!h) {
        invalid_handle();
        return -1;
    }
    succeed();
    return static_cast<int>(items(*h).size());
}

// Entry index of a list handed out as a new handle of type Made; the caller
// has passed enter() already.
template <class Made, class H, class Items, class C>
bool list_entry(H* h, Items items, int index, C** out, const char* what)
{
    if (!h)
        return invalid_handle();
    if (!out)
        return invalid_argument("out");
    const auto& list = items(*h);
    if (index < 0 || static_cast<size_t>(index) >= list.size())
        return fail(kNotFound, std::string("No ") + what + " at index " + std::to_string(index));
    return hand_out(new Made(list[static_cast<size_t>(index)]), out);
}

const auto devices_of = [](auto& h) -> const auto&
{
    return h.devices();
};
const auto interfaces_of = [](auto& h) -> const auto&
{
    return h.interfaces();
};
} // namespace

extern "C" {

// ---------------------------------------------------------------- enumerator

VSX_API bool vsx_devenum_create(vsx_devenum** out)
{
    return guarded(false, [&] {
        if (!enter("vsx_devenum_create"))
            return false;
        if (!out)
            return invalid_argument("out");
        auto* e = new DeviceEnumerator();
        e->update_interfaces();
        e->update_devices();
        return hand_out(e, out);
    });
}

VSX_API void vsx_devenum_ref(vsx_devenum* e)
{
    guarded_void([&] {
        if (auto* h = enumerator(e))
            h->hand_out();
    });
}

VSX_API void vsx_devenum_unref(vsx_devenum* e)
{
    guarded_void([&] {
        if (auto* h = enumerator(e))
            h->take_back();
    });
}

VSX_API bool vsx_devenum_update_device_list(vsx_devenum* e)
{
    return guarded(false, [&] {
        return update_list("vsx_devenum_update_device_list", enumerator(e),
                           [](DeviceEnumerator& h) { h.update_devices(); });
    });
}

VSX_API int vsx_devenum_get_device_count(vsx_devenum* e)
{
    return guarded(-1, [&] { return list_count("vsx_devenum_get_device_count", enumerator(e), devices_of); });
}

VSX_API bool vsx_devenum_get_devinfo(vsx_devenum* e, int index, vsx_devinfo** out)
{
    return guarded(false, [&] {
        auto* h = enumerator(e);
        std::string serial;
        if (h && index >= 0 && static_cast<size_t>(index) < h->devices().size())
            serial = h->devices()[static_cast<size_t>(index)]->serial();
        if (!enter("vsx_devenum_get_devinfo", serial, {}, index))
            return false;
        return list_entry<DeviceInfo>(h, devices_of, index, out, "device");
    });
}

VSX_API bool vsx_devenum_update_interface_list(vsx_devenum* e)
{
    return guarded(false, [&] {
        return update_list("vsx_devenum_update_interface_list", enumerator(e),
                           [](DeviceEnumerator& h) { h.update_interfaces(); });
    });
}

VSX_API int vsx_devenum_get_interface_count(vsx_devenum* e)
{
    return guarded(
        -1, [&] { return list_count("vsx_devenum_get_interface_count", enumerator(e), interfaces_of); });
}

VSX_API bool vsx_devenum_get_devitf(vsx_devenum* e, int index, vsx_devitf** out)
{
    return guarded(false, [&] {
        if (!enter("vsx_devenum_get_devitf", {}, {}, index))
            return false;
        return list_entry<InterfaceRef>(enumerator(e), interfaces_of, index, out, "interface");
    });
}

VSX_API bool vsx_devenum_event_add_device_list_changed(vsx_devenum* e, void (*callback)(vsx_devenum*, void*),
                                                       void* context, void (*release)(void*))
{
    return guarded(false, [&] {
        if (!enter("vsx_devenum_event_add_device_list_changed"))
            return false;
        auto* h = enumerator(e);
        if (!h)
            return invalid_handle();
        if (!callback)
            return invalid_argument("callback");
        auto reg =
            std::make_shared<Registration>(reinterpret_cast<Registration::AnyFn>(callback), context, release);
        Library::instance().add_device_list_registration(h, reg);
        return succeed();
    });
}

// ---------------------------------------------------------------- interfaces

VSX_API void vsx_devitf_ref(vsx_devitf* i)
{
    guarded_void([&] {
        if (auto* h = itf_ref(i))
            h->hand_out();
    });
}

VSX_API void vsx_devitf_unref(vsx_devitf* i)
{
    guarded_void([&] {
        if (auto* h = itf_ref(i))
            h->take_back();
    });
}

VSX_API bool vsx_devitf_equals(vsx_devitf* a, vsx_devitf* b)
{
    return guarded(false, [&] {
        auto* x = itf_ref(a);
        auto* y = itf_ref(b);
        return x && y && x->itf()->setup().id == y->itf()->setup().id;
    });
}

namespace {
const char* itf_text(const char* function, vsx_devitf* i, const std::string InterfaceSetup::*member)
{
    if (!enter(function))
        return nullptr;
    auto* h = itf_ref(i);
    if (!h) {
        invalid_handle();
        return nullptr;
    }
    return text_result(h->itf()->setup().*member);
}
} // namespace

VSX_API const char* vsx_devitf_get_display_name(vsx_devitf* i)
{
    return guarded<const char*>(
        nullptr, [&] { return itf_text("vsx_devitf_get_display_name", i, &InterfaceSetup::display_name); });
}

VSX_API const char* vsx_devitf_get_tl_name(vsx_devitf* i)
{
    return guarded<const char*>(
        nullptr, [&] { return itf_text("vsx_devitf_get_tl_name", i, &InterfaceSetup::tl_name); });
}

VSX_API const char* vsx_devitf_get_tl_version(vsx_devitf* i)
{
    return guarded<const char*>(
        nullptr, [&] { return itf_text("vsx_devitf_get_tl_version", i, &InterfaceSetup::tl_version); });
}

VSX_API int vsx_devitf_get_tl_type(vsx_devitf* i)
{
    return guarded(0, [&] {
        if (!enter("vsx_devitf_get_tl_type"))
            return 0;
        auto* h = itf_ref(i);
        if (!h) {
            invalid_handle();
            return 0;
        }
        succeed();
        return h->itf()->setup().tl_type;
    });
}

VSX_API bool vsx_devitf_get_property_map(vsx_devitf* i, vsx_propmap** out)
{
    return guarded(false, [&] {
        if (!enter("vsx_devitf_get_property_map"))
            return false;
        auto* h = itf_ref(i);
        if (!h)
            return invalid_handle();
        if (!out)
            return invalid_argument("out");
        PropertyMap* m = h->itf()->map();
        m->hand_out();
        *out = to_c<vsx_propmap>(m);
        return succeed();
    });
}

VSX_API bool vsx_devitf_update_device_list(vsx_devitf* i)
{
    return guarded(false, [&] {
        return update_list("vsx_devitf_update_device_list", itf_ref(i),
                           [](InterfaceRef& h) { h.update_devices(); });
    });
}

VSX_API int vsx_devitf_get_device_count(vsx_devitf* i)
{
    return guarded(-1, [&] { return list_count("vsx_devitf_get_device_count", itf_ref(i), devices_of); });
}

VSX_API bool vsx_devitf_get_devinfo(vsx_devitf* i, int index, vsx_devinfo** out)
{
    return guarded(false, [&] {
        if (!enter("vsx_devitf_get_devinfo", {}, {}, index))
            return false;
        return list_entry<DeviceInfo>(itf_ref(i), devices_of, index, out, "device");
    });
}

// ---------------------------------------------------------------- device information

VSX_API void vsx_devinfo_ref(vsx_devinfo* d)
{
    guarded_void([&] {
        if (auto* h = devinfo(d))
            h->hand_out();
    });
}

VSX_API void vsx_devinfo_unref(vsx_devinfo* d)
{
    guarded_void([&] {
        if (auto* h = devinfo(d))
            h->take_back();
    });
}

VSX_API bool vsx_devinfo_equals(vsx_devinfo* a, vsx_devinfo* b)
{
    return guarded(false, [&] {
        auto* x = devinfo(a);
        auto* y = devinfo(b);
        return x && y && x->same_camera(*y);
    });
}

namespace {
const char* info_text(const char* function, vsx_devinfo* d, const std::string& (DeviceInfo::*getter)() const)
{
    if (!enter(function))
        return nullptr;
    auto* h = devinfo(d);
    if (!h) {
        invalid_handle();
        return nullptr;
    }
    return text_result((h->*getter)());
}
} // namespace

VSX_API const char* vsx_devinfo_get_model_name(vsx_devinfo* d)
{
    return guarded<const char*>(
        nullptr, [&] { return info_text("vsx_devinfo_get_model_name", d, &DeviceInfo::model); });
}

VSX_API const char* vsx_devinfo_get_serial(vsx_devinfo* d)
{
    return guarded<const char*>(nullptr,
                                [&] { return info_text("vsx_devinfo_get_serial", d, &DeviceInfo::serial); });
}

VSX_API const char* vsx_devinfo_get_unique_name(vsx_devinfo* d)
{
    return guarded<const char*>(
        nullptr, [&] { return info_text("vsx_devinfo_get_unique_name", d, &DeviceInfo::unique_name); });
}

VSX_API const char* vsx_devinfo_get_user_id(vsx_devinfo* d)
{
    return guarded<const char*>(
        nullptr, [&] { return info_text("vsx_devinfo_get_user_id", d, &DeviceInfo::user_id); });
}

VSX_API bool vsx_devinfo_get_devitf(vsx_devinfo* d, vsx_devitf** out)
{
    return guarded(false, [&] {
        if (!enter("vsx_devinfo_get_devitf"))
            return false;
        auto* h = devinfo(d);
        if (!h)
            return invalid_handle();
        if (!out)
            return invalid_argument("out");
        Interface* itf = h->camera()->interface();
        if (!itf)
            return fail(kNotFound, "The device has no interface");
        return hand_out(new InterfaceRef(itf), out);
    });
}

} // extern "C"
