// Properties of every kind, their typed values, notifications and lists.
#include "ApiCommon.h"
#include "PropertyList.h"
#include "PropertyMap.h"
#include "Registration.h"

using namespace vsxsim;
using namespace vsxsim::api;

namespace {

PropertyList* proplist(vsx_proplist* l)
{
    return checked<PropertyList>(l, HandleKind::PropList);
}

// A feature of any kind.
Feature* any_entry(const char* function, vsx_prop* p)
{
    if (!Library::instance().initialized()) {
        fail(kNotInitialized, "Library not initialized");
        return nullptr;
    }
    Feature* f = feature(p);
    if (!f) {
        invalid_handle();
        return nullptr;
    }
    if (!enter(function, serial_of(f), f->name))
        return nullptr;
    return f;
}

bool hand_out_list(PropertyMap* map, std::vector<Feature*> items, vsx_proplist** out)
{
    auto* l = new PropertyList(map, std::move(items));
    l->hand_out();
    l->release();
    *out = to_c<vsx_proplist>(l);
    return succeed();
}

const char* text_or_null(Feature* f, const std::string& text)
{
    (void)f;
    succeed();
    return text.c_str();
}

template <class T, class Get>
bool get_number(const char* function, vsx_prop* p, FeatureKind kind, T* out, Get&& get)
{
    Feature* f = prop_entry(function, p, kind);
    if (!f)
        return false;
    if (!out)
        return invalid_argument("value");
    FeatureValue v;
    Status s = f->host->get(*f, v);
    if (!s)
        return fail(s);
    *out = get(v);
    return succeed();
}

bool set_value(const char* function, vsx_prop* p, FeatureKind kind, FeatureValue v)
{
    Feature* f = prop_entry(function, p, kind);
    if (!f)
        return false;
    return finish(f->host->set(*f, std::move(v), Origin::Program));
}

template <class T> bool int_range(const char* function, vsx_prop* p, T* out, int which)
{
    Feature* f = prop_entry(function, p, FeatureKind::Integer);
    if (!f)
        return false;
    if (!out)
        return invalid_argument("value");
    int64_t min, max, inc;
    f->host->int_range(*f, min, max, inc);
    *out = which == 0 ? min : (which == 1 ? max : inc);
    return succeed();
}

bool float_range(const char* function, vsx_prop* p, double* out, int which)
{
    Feature* f = prop_entry(function, p, FeatureKind::Float);
    if (!f)
        return false;
    if (!out)
        return invalid_argument("value");
    double min, max, inc;
    f->host->float_range(*f, min, max, inc);
    *out = which == 0 ? min : (which == 1 ? max : inc);
    return succeed();
}

int int_meta(const char* function, vsx_prop* p, FeatureKind kind, int Feature::*member, int fail_value)
{
    Feature* f = prop_entry(function, p, kind);
    if (!f)
        return fail_value;
    succeed();
    return f->*member;
}

// The unit text of an integer or float feature.
const char* unit_of(const char* function, vsx_prop* p, FeatureKind kind)
{
    Feature* f = prop_entry(function, p, kind);
    return f ? text_or_null(f, f->unit) : nullptr;
}
} // namespace

extern "C" {

// ---------------------------------------------------------------- common

VSX_API void vsx_prop_ref(vsx_prop* p)
{
    guarded_void([&] {
        if (auto* f = feature(p))
            f->hand_out();
    });
}

VSX_API void vsx_prop_unref(vsx_prop* p)
{
    guarded_void([&] {
        if (auto* f = feature(p))
            f->take_back();
    });
}

VSX_API int vsx_prop_get_type(vsx_prop* p)
{
    return guarded(0, [&] {
        Feature* f = any_entry("vsx_prop_get_type", p);
        if (!f)
            return 0;
        succeed();
        return static_cast<int>(f->kind);
    });
}

VSX_API const char* vsx_prop_get_name(vsx_prop* p)
{
    return guarded<const char*>(nullptr, [&]() -> const char* {
        Feature* f = any_entry("vsx_prop_get_name", p);
        return f ? text_or_null(f, f->name) : nullptr;
    });
}

VSX_API const char* vsx_prop_get_display_name(vsx_prop* p)
{
    return guarded<const char*>(nullptr, [&]() -> const char* {
        Feature* f = any_entry("vsx_prop_get_display_name", p);
        return f ? text_or_null(f, f->display_name) : nullptr;
    });
}

VSX_API const char* vsx_prop_get_tooltip(vsx_prop* p)
{
    return guarded<const char*>(nullptr, [&]() -> const char* {
        Feature* f = any_entry("vsx_prop_get_tooltip", p);
        return f ? text_or_null(f, f->tooltip) : nullptr;
    });
}

VSX_API const char* vsx_prop_get_description(vsx_prop* p)
{
    return guarded<const char*>(nullptr, [&]() -> const char* {
        Feature* f = any_entry("vsx_prop_get_description", p);
        return f ? text_or_null(f, f->description) : nullptr;
    });
}

VSX_API int vsx_prop_get_visibility(vsx_prop* p)
{
    return guarded(-1, [&] {
        Feature* f = any_entry("vsx_prop_get_visibility", p);
        if (!f)
            return -1;
        succeed();
        return f->visibility;
    });
}

VSX_API bool vsx_prop_is_available(vsx_prop* p)
{
    return guarded(false, [&] {
        Feature* f = any_entry("vsx_prop_is_available", p);
        if (!f)
            return false;
        bool v = f->host->available(*f);
        succeed();
        return v;
    });
}

VSX_API bool vsx_prop_is_locked(vsx_prop* p)
{
    return guarded(false, [&] {
        Feature* f = any_entry("vsx_prop_is_locked", p);
        if (!f)
            return false;
        bool v = f->host->locked(*f);
        succeed();
        return v;
    });
}

VSX_API bool vsx_prop_is_likely_locked_by_stream(vsx_prop* p)
{
    return guarded(false, [&] {
        Feature* f = any_entry("vsx_prop_is_likely_locked_by_stream", p);
        if (!f)
            return false;
        succeed();
        return f->likely_locked_by_stream;
    });
}

VSX_API bool vsx_prop_is_readonly(vsx_prop* p)
{
    return guarded(false, [&] {
        Feature* f = any_entry("vsx_prop_is_readonly", p);
        if (!f)
            return false;
        bool v = f->host->read_only(*f);
        succeed();
        return v;
    });
}

VSX_API bool vsx_prop_event_add_notification(vsx_prop* p, void (*callback)(vsx_prop*, void*), void* context,
                                             void (*release)(void*))
{
    return guarded(false, [&] {
        Feature* f = any_entry("vsx_prop_event_add_notification", p);
        if (!f)
            return false;
        if (!callback)
            return invalid_argument("callback");
        if (f->kind == FeatureKind::EnumEntry)
            return fail(kWrongKind, "Enumeration entries have no notifications");
        auto reg =
            std::make_shared<Registration>(reinterpret_cast<Registration::AnyFn>(callback), context, release);
        return finish(f->host->add_registration(*f, reg));
    });
}

VSX_API bool vsx_prop_event_remove_notification(vsx_prop* p, void (*callback)(vsx_prop*, void*),
                                                void* context)
{
    return guarded(false, [&] {
        Feature* f = any_entry("vsx_prop_event_remove_notification", p);
        if (!f)
            return false;
        if (!callback || !context)
            return invalid_argument(callback ? "context" : "callback");
        return finish(f->host->remove_registration(*f, reinterpret_cast<void (*)()>(callback), context));
    });
}

VSX_API bool vsx_prop_category_get_features(vsx_prop* p, vsx_proplist** out)
{
    return guarded(false, [&] {
        Feature* f = prop_entry("vsx_prop_category_get_features", p, FeatureKind::Category);
        if (!f)
            return false;
        if (!out)
            return invalid_argument("out");
        return hand_out_list(f->map, f->children, out);
    });
}

// ---------------------------------------------------------------- integer

VSX_API bool vsx_prop_integer_get_value(vsx_prop* p, int64_t* value)
{
    return guarded(false, [&] {
        return get_number("vsx_prop_integer_get_value", p, FeatureKind::Integer, value,
                          [](const FeatureValue& v) { return v.i; });
    });
}

VSX_API bool vsx_prop_integer_set_value(vsx_prop* p, int64_t value)
{
    return guarded(false, [&] {
        FeatureValue v;
        v.i = value;
        return set_value("vsx_prop_integer_set_value", p, FeatureKind::Integer, v);
    });
}

VSX_API bool vsx_prop_integer_get_min(vsx_prop* p, int64_t* value)
{
    return guarded(false, [&] { return int_range("vsx_prop_integer_get_min", p, value, 0); });
}

VSX_API bool vsx_prop_integer_get_max(vsx_prop* p, int64_t* value)
{
    return guarded(false, [&] { return int_range("vsx_prop_integer_get_max", p, value, 1); });
}

VSX_API bool vsx_prop_integer_get_inc(vsx_prop* p, int64_t* value)
{
    return guarded(false, [&] { return int_range("vsx_prop_integer_get_inc", p, value, 2); });
}

VSX_API int vsx_prop_integer_get_inc_mode(vsx_prop* p)
{
    return guarded(-1, [&] {
        return int_meta("vsx_prop_integer_get_inc_mode", p, FeatureKind::Integer, &Feature::inc_mode, -1);
    });
}

VSX_API const char* vsx_prop_integer_get_unit(vsx_prop* p)
{
    return guarded<const char*>(
        nullptr, [&] { return unit_of("vsx_prop_integer_get_unit", p, FeatureKind::Integer); });
}

VSX_API int vsx_prop_integer_get_representation(vsx_prop* p)
{
    return guarded(-1, [&] {
        return int_meta("vsx_prop_integer_get_representation", p, FeatureKind::Integer,
                        &Feature::representation, -1);
    });
}

VSX_API bool vsx_prop_integer_get_valid_value_set(vsx_prop* p, int64_t* values, size_t* count)
{
    return guarded(false, [&] {
        Feature* f = prop_entry("vsx_prop_integer_get_valid_value_set", p, FeatureKind::Integer);
        if (!f)
            return false;
        return copy_array(f->host->int_valid_set(*f), values, count);
    });
}

// ---------------------------------------------------------------- float

VSX_API bool vsx_prop_float_get_value(vsx_prop* p, double* value)
{
    return guarded(false, [&] {
        return get_number("vsx_prop_float_get_value", p, FeatureKind::Float, value,
                          [](const FeatureValue& v) { return v.f; });
    });
}

VSX_API bool vsx_prop_float_set_value(vsx_prop* p, double value)
{
    return guarded(false, [&] {
        FeatureValue v;
        v.f = value;
        return set_value("vsx_prop_float_set_value", p, FeatureKind::Float, v);
    });
}

VSX_API bool vsx_prop_float_get_min(vsx_prop* p, double* value)
{
    return guarded(false, [&] { return float_range("vsx_prop_float_get_min", p, value, 0); });
}

VSX_API bool vsx_prop_float_get_max(vsx_prop* p, double* value)
{
    return guarded(false, [&] { return float_range("vsx_prop_float_get_max", p, value, 1); });
}

VSX_API bool vsx_prop_float_get_inc(vsx_prop* p, double* value)
{
    return guarded(false, [&] { return float_range("vsx_prop_float_get_inc", p, value, 2); });
}

VSX_API int vsx_prop_float_get_inc_mode(vsx_prop* p)
{
    return guarded(-1, [&] {
        return int_meta("vsx_prop_float_get_inc_mode", p, FeatureKind::Float, &Feature::inc_mode, -1);
    });
}

VSX_API const char* vsx_prop_float_get_unit(vsx_prop* p)
{
    return guarded<const char*>(nullptr,
                                [&] { return unit_of("vsx_prop_float_get_unit", p, FeatureKind::Float); });
}

VSX_API int vsx_prop_float_get_representation(vsx_prop* p)
{
    return guarded(-1, [&] {
        return int_meta("vsx_prop_float_get_representation", p, FeatureKind::Float, &Feature::representation,
                        -1);
    });
}

VSX_API int vsx_prop_float_get_display_notation(vsx_prop* p)
{
    return guarded(-1, [&] {
        return int_meta("vsx_prop_float_get_display_notation", p, FeatureKind::Float, &Feature::notation, -1);
    });
}

VSX_API int vsx_prop_float_get_display_precision(vsx_prop* p)
{
    return guarded(-1, [&] {
        return int_meta("vsx_prop_float_get_display_precision", p, FeatureKind::Float, &Feature::precision,
                        -1);
    });
}

VSX_API bool vsx_prop_float_get_valid_value_set(vsx_prop* p, double* values, size_t* count)
{
    return guarded(false, [&] {
        Feature* f = prop_entry("vsx_prop_float_get_valid_value_set", p, FeatureKind::Float);
        if (!f)
            return false;
        return copy_array(f->host->float_valid_set(*f), values, count);
    });
}

// ---------------------------------------------------------------- enumeration

VSX_API bool vsx_prop_enum_get_entries(vsx_prop* p, vsx_proplist** out)
{
    return guarded(false, [&] {
        Feature* f = prop_entry("vsx_prop_enum_get_entries", p, FeatureKind::Enumeration);
        if (!f)
            return false;
        if (!out)
            return invalid_argument("out");
        return hand_out_list(f->map, f->entries, out);
    });
}

VSX_API bool vsx_prop_enum_get_selected_entry(vsx_prop* p, vsx_prop** out)
{
    return guarded(false, [&] {
        Feature* f = prop_entry("vsx_prop_enum_get_selected_entry", p, FeatureKind::Enumeration);
        if (!f)
            return false;
        if (!out)
            return invalid_argument("out");
        FeatureValue v;
        Status s = f->host->get(*f, v);
        if (!s)
            return fail(s);
        if (v.i < 0 || static_cast<size_t>(v.i) >= f->entries.size())
            return fail(kNotFound, "No entry of '" + f->name + "' is selected");
        Feature* e = f->entries[static_cast<size_t>(v.i)];
        e->hand_out();
        *out = to_c<vsx_prop>(e);
        return succeed();
    });
}

VSX_API bool vsx_prop_enum_set_value(vsx_prop* p, const char* symbolic)
{
    return guarded(false, [&] {
        Feature* f = prop_entry("vsx_prop_enum_set_value", p, FeatureKind::Enumeration);
        if (!f)
            return false;
        if (!symbolic)
            return invalid_argument("value");
        Feature* e = f->entry_by_name(symbolic);
        if (!e)
            return fail(kNotFound, "Entry '" + std::string(symbolic) + "' not found in '" + f->name + "'");
        FeatureValue v;
        v.i = f->entry_index(e);
        return finish(f->host->set(*f, v, Origin::Program));
    });
}

VSX_API bool vsx_prop_enum_get_int_value(vsx_prop* p, int64_t* value)
{
    return guarded(false, [&] {
        Feature* f = prop_entry("vsx_prop_enum_get_int_value", p, FeatureKind::Enumeration);
        if (!f)
            return false;
        if (!value)
            return invalid_argument("value");
        FeatureValue v;
        Status s = f->host->get(*f, v);
        if (!s)
            return fail(s);
        if (v.i < 0 || static_cast<size_t>(v.i) >= f->entries.size())
            return fail(kNotFound, "No entry of '" + f->name + "' is selected");
        *value = f->entries[static_cast<size_t>(v.i)]->entry_value;
        return succeed();
    });
}

VSX_API bool vsx_prop_enum_set_int_value(vsx_prop* p, int64_t value)
{
    return guarded(false, [&] {
        Feature* f = prop_entry("vsx_prop_enum_set_int_value", p, FeatureKind::Enumeration);
        if (!f)
            return false;
        Feature* e = f->entry_by_value(value);
        if (!e)
            return fail(kNotFound, "No entry of '" + f->name + "' has the value " + std::to_string(value));
        FeatureValue v;
        v.i = f->entry_index(e);
        return finish(f->host->set(*f, v, Origin::Program));
    });
}

VSX_API bool vsx_prop_enumentry_get_int_value(vsx_prop* entry, int64_t* value)
{
    return guarded(false, [&] {
        Feature* f = prop_entry("vsx_prop_enumentry_get_int_value", entry, FeatureKind::EnumEntry);
        if (!f)
            return false;
        if (!value)
            return invalid_argument("value");
        *value = f->entry_value;
        return succeed();
    });
}

// ---------------------------------------------------------------- boolean, string, command, register

VSX_API bool vsx_prop_boolean_get_value(vsx_prop* p, bool* value)
{
    return guarded(false, [&] {
        return get_number("vsx_prop_boolean_get_value", p, FeatureKind::Boolean, value,
                          [](const FeatureValue& v) { return v.i != 0; });
    });
}

VSX_API bool vsx_prop_boolean_set_value(vsx_prop* p, bool value)
{
    return guarded(false, [&] {
        FeatureValue v;
        v.i = value ? 1 : 0;
        return set_value("vsx_prop_boolean_set_value", p, FeatureKind::Boolean, v);
    });
}

VSX_API bool vsx_prop_string_get_value(vsx_prop* p, char* buffer, size_t* size)
{
    return guarded(false, [&] {
        Feature* f = prop_entry("vsx_prop_string_get_value", p, FeatureKind::String);
        if (!f)
            return false;
        if (!size)
            return invalid_argument("size");
        FeatureValue v;
        Status s = f->host->get(*f, v);
        if (!s)
            return fail(s);
        return copy_text(v.s, buffer, size);
    });
}

VSX_API bool vsx_prop_string_set_value(vsx_prop* p, const char* data, size_t length)
{
    return guarded(false, [&] {
        if (!data && length > 0)
            return invalid_argument("data");
        FeatureValue v;
        v.s.assign(data ? data : "", length);
        return set_value("vsx_prop_string_set_value", p, FeatureKind::String, v);
    });
}

VSX_API bool vsx_prop_string_get_max_len(vsx_prop* p, int64_t* value)
{
    return guarded(false, [&] {
        Feature* f = prop_entry("vsx_prop_string_get_max_len", p, FeatureKind::String);
        if (!f)
            return false;
        if (!value)
            return invalid_argument("value");
        *value = f->max_length;
        return succeed();
    });
}

VSX_API bool vsx_prop_command_execute(vsx_prop* p)
{
    return guarded(false, [&] {
        Feature* f = prop_entry("vsx_prop_command_execute", p, FeatureKind::Command);
        if (!f)
            return false;
        return finish(f->host->execute(*f, Origin::Program));
    });
}

VSX_API bool vsx_prop_register_get_size(vsx_prop* p, int64_t* size)
{
    return guarded(false, [&] {
        Feature* f = prop_entry("vsx_prop_register_get_size", p, FeatureKind::Register);
        if (!f)
            return false;
        if (!size)
            return invalid_argument("size");
        *size = static_cast<int64_t>(f->host->register_size(*f));
        return succeed();
    });
}

VSX_API bool vsx_prop_register_set_value(vsx_prop* p, const void* data, size_t size)
{
    return guarded(false, [&] {
        if (!data && size > 0)
            return invalid_argument("data");
        FeatureValue v;
        const auto* bytes = static_cast<const uint8_t*>(data);
        v.bytes.assign(bytes, bytes + size);
        return set_value("vsx_prop_register_set_value", p, FeatureKind::Register, v);
    });
}

VSX_API bool vsx_prop_register_get_value(vsx_prop* p, void* data, size_t size)
{
    return guarded(false, [&] {
        Feature* f = prop_entry("vsx_prop_register_get_value", p, FeatureKind::Register);
        if (!f)
            return false;
        if (!data)
            return invalid_argument("data");
        FeatureValue v;
        Status s = f->host->get(*f, v);
        if (!s)
            return fail(s);
        if (size != v.bytes.size())
            return fail(kInvalidParameter, "Wrong register size " + std::to_string(size) + ", expected " +
                                               std::to_string(v.bytes.size()));
        std::memcpy(data, v.bytes.data(), size);
        return succeed();
    });
}

// ---------------------------------------------------------------- lists

VSX_API void vsx_proplist_ref(vsx_proplist* l)
{
    guarded_void([&] {
        if (auto* h = proplist(l))
            h->hand_out();
    });
}

VSX_API void vsx_proplist_unref(vsx_proplist* l)
{
    guarded_void([&] {
        if (auto* h = proplist(l))
            h->take_back();
    });
}

VSX_API bool vsx_proplist_size(vsx_proplist* l, size_t* size)
{
    return guarded(false, [&] {
        if (!enter("vsx_proplist_size"))
            return false;
        PropertyList* h = proplist(l);
        if (!h)
            return invalid_handle();
        if (!size)
            return invalid_argument("size");
        *size = h->items().size();
        return succeed();
    });
}

VSX_API bool vsx_proplist_at(vsx_proplist* l, size_t index, vsx_prop** out)
{
    return guarded(false, [&] {
        PropertyList* h = proplist(l);
        std::string name;
        if (h && index < h->items().size())
            name = h->items()[index]->name;
        if (!enter("vsx_proplist_at", h && !h->items().empty() ? serial_of(h->items()[0]) : std::string(),
                   name, static_cast<int64_t>(index)))
            return false;
        if (!h)
            return invalid_handle();
        if (!out)
            return invalid_argument("out");
        if (index >= h->items().size())
            return fail(kNotFound, "No property at index " + std::to_string(index));
        Feature* f = h->items()[index];
        f->hand_out();
        *out = to_c<vsx_prop>(f);
        return succeed();
    });
}

} // extern "C"
