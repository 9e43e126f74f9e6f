// Property maps: look-ups, values by name, lists and property-map files.
#include "ApiCommon.h"
#include "PropertyFile.h"
#include "PropertyList.h"
#include "PropertyMap.h"
#include "TextUtil.h"

using namespace vsxsim;
using namespace vsxsim::api;

namespace {

PropertyMap* propmap(vsx_propmap* m)
{
    return checked<PropertyMap>(m, HandleKind::PropMap);
}

std::string map_serial(PropertyMap* m)
{
    return m && m->host() ? m->host()->fault_serial() : std::string();
}

// Enters a call on a map and a feature name; finds the feature.
Feature* named_entry(const char* function, vsx_propmap* m, const char* name, bool& failed)
{
    failed = true;
    if (!Library::instance().initialized()) {
        fail(kNotInitialized, "Library not initialized");
        return nullptr;
    }
    PropertyMap* map = propmap(m);
    if (!map) {
        invalid_handle();
        return nullptr;
    }
    if (!name) {
        invalid_argument("name");
        return nullptr;
    }
    if (!enter(function, map_serial(map), name))
        return nullptr;
    Feature* f = map->find(name);
    if (!f) {
        fail(kNotFound, "Feature '" + std::string(name) + "' not found");
        return nullptr;
    }
    failed = false;
    return f;
}

bool find_kind(const char* function, vsx_propmap* m, const char* name, vsx_prop** out, FeatureKind kind,
               bool any)
{
    bool failed;
    Feature* f = named_entry(function, m, name, failed);
    if (!f)
        return false;
    if (!out)
        return invalid_argument("out");
    if (!any && f->kind != kind)
        return fail(kWrongKind,
                    "Feature '" + f->name + "' is a " + kind_name(f->kind) + ", not " +
                        (kind == FeatureKind::Integer || kind == FeatureKind::Enumeration ? "an " : "a ") +
                        kind_name(kind));
    f->hand_out();
    *out = to_c<vsx_prop>(f);
    return succeed();
}

} // namespace

extern "C" {

VSX_API void vsx_propmap_ref(vsx_propmap* m)
{
    guarded_void([&] {
        if (auto* h = propmap(m))
            h->hand_out();
    });
}

VSX_API void vsx_propmap_unref(vsx_propmap* m)
{
    guarded_void([&] {
        if (auto* h = propmap(m))
            h->take_back();
    });
}

VSX_API bool vsx_propmap_find(vsx_propmap* m, const char* name, vsx_prop** out)
{
    return guarded(false,
                   [&] { return find_kind("vsx_propmap_find", m, name, out, FeatureKind::Integer, true); });
}

VSX_API bool vsx_propmap_find_category(vsx_propmap* m, const char* name, vsx_prop** out)
{
    return guarded(false, [&] {
        return find_kind("vsx_propmap_find_category", m, name, out, FeatureKind::Category, false);
    });
}

VSX_API bool vsx_propmap_find_integer(vsx_propmap* m, const char* name, vsx_prop** out)
{
    return guarded(false, [&] {
        return find_kind("vsx_propmap_find_integer", m, name, out, FeatureKind::Integer, false);
    });
}

VSX_API bool vsx_propmap_find_float(vsx_propmap* m, const char* name, vsx_prop** out)
{
    return guarded(
        false, [&] { return find_kind("vsx_propmap_find_float", m, name, out, FeatureKind::Float, false); });
}

VSX_API bool vsx_propmap_find_boolean(vsx_propmap* m, const char* name, vsx_prop** out)
{
    return guarded(false, [&] {
        return find_kind("vsx_propmap_find_boolean", m, name, out, FeatureKind::Boolean, false);
    });
}

VSX_API bool vsx_propmap_find_enumeration(vsx_propmap* m, const char* name, vsx_prop** out)
{
    return guarded(false, [&] {
        return find_kind("vsx_propmap_find_enumeration", m, name, out, FeatureKind::Enumeration, false);
    });
}

VSX_API bool vsx_propmap_find_string(vsx_propmap* m, const char* name, vsx_prop** out)
{
    return guarded(false, [&] {
        return find_kind("vsx_propmap_find_string", m, name, out, FeatureKind::String, false);
    });
}

VSX_API bool vsx_propmap_find_command(vsx_propmap* m, const char* name, vsx_prop** out)
{
    return guarded(false, [&] {
        return find_kind("vsx_propmap_find_command", m, name, out, FeatureKind::Command, false);
    });
}

VSX_API bool vsx_propmap_find_register(vsx_propmap* m, const char* name, vsx_prop** out)
{
    return guarded(false, [&] {
        return find_kind("vsx_propmap_find_register", m, name, out, FeatureKind::Register, false);
    });
}

VSX_API bool vsx_propmap_get_all(vsx_propmap* m, vsx_proplist** out)
{
    return guarded(false, [&] {
        if (!Library::instance().initialized())
            return fail(kNotInitialized, "Library not initialized");
        PropertyMap* map = propmap(m);
        if (!map)
            return invalid_handle();
        if (!enter("vsx_propmap_get_all", map_serial(map)))
            return false;
        if (!out)
            return invalid_argument("out");
        auto* l = new PropertyList(map, map->all_features());
        l->hand_out();
        l->release();
        *out = to_c<vsx_proplist>(l);
        return succeed();
    });
}

VSX_API bool vsx_propmap_get_value_int64(vsx_propmap* m, const char* name, int64_t* value)
{
    return guarded(false, [&] {
        bool failed;
        Feature* f = named_entry("vsx_propmap_get_value_int64", m, name, failed);
        if (!f)
            return false;
        if (!value)
            return invalid_argument("value");
        if (f->kind != FeatureKind::Integer && f->kind != FeatureKind::Enumeration &&
            f->kind != FeatureKind::Boolean)
            return fail(kWrongKind,
                        "Feature '" + f->name + "' is a " + kind_name(f->kind) + " and has no integer value");
        FeatureValue v;
        Status s = f->host->get(*f, v);
        if (!s)
            return fail(s);
        if (f->kind == FeatureKind::Enumeration)
            *value = (v.i >= 0 && static_cast<size_t>(v.i) < f->entries.size())
                         ? f->entries[static_cast<size_t>(v.i)]->entry_value
                         : 0;
        else
            *value = v.i;
        return succeed();
    });
}

VSX_API bool vsx_propmap_get_value_string(vsx_propmap* m, const char* name, char* buffer, size_t* size)
{
    return guarded(false, [&] {
        bool failed;
        Feature* f = named_entry("vsx_propmap_get_value_string", m, name, failed);
        if (!f)
            return false;
        if (!size)
            return invalid_argument("size");
        std::string text;
        Status s = f->host->get_text(*f, text);
        if (!s)
            return fail(s);
        return copy_text(text, buffer, size);
    });
}

VSX_API bool vsx_propmap_set_value_int64(vsx_propmap* m, const char* name, int64_t value)
{
    return guarded(false, [&] {
        bool failed;
        Feature* f = named_entry("vsx_propmap_set_value_int64", m, name, failed);
        if (!f)
            return false;
        FeatureValue v;
        switch (f->kind) {
        case FeatureKind::Integer:
            v.i = value;
            break;
        case FeatureKind::Boolean:
            v.i = value != 0;
            break;
        case FeatureKind::Float:
            v.f = static_cast<double>(value);
            break;
        case FeatureKind::Enumeration: {
            Feature* e = f->entry_by_value(value);
            if (!e)
                return fail(kNotFound,
                            "No entry of '" + f->name + "' has the value " + std::to_string(value));
            v.i = f->entry_index(e);
            break;
        }
        default:
            return fail(kWrongKind,
                        "Feature '" + f->name + "' is a " + kind_name(f->kind) + " and has no integer value");
        }
        return finish(f->host->set(*f, v, Origin::Program));
    });
}

VSX_API bool vsx_propmap_set_value_string(vsx_propmap* m, const char* name, const char* value)
{
    return guarded(false, [&] {
        bool failed;
        Feature* f = named_entry("vsx_propmap_set_value_string", m, name, failed);
        if (!f)
            return false;
        if (!value)
            return invalid_argument("value");
        return finish(f->host->set_text(*f, value, Origin::Program));
    });
}

VSX_API bool vsx_propmap_set_value_bool(vsx_propmap* m, const char* name, bool value)
{
    return guarded(false, [&] {
        bool failed;
        Feature* f = named_entry("vsx_propmap_set_value_bool", m, name, failed);
        if (!f)
            return false;
        if (f->kind != FeatureKind::Boolean)
            return fail(kWrongKind,
                        "Feature '" + f->name + "' is a " + kind_name(f->kind) + ", not a Boolean");
        FeatureValue v;
        v.i = value ? 1 : 0;
        return finish(f->host->set(*f, v, Origin::Program));
    });
}

VSX_API bool vsx_propmap_execute_command(vsx_propmap* m, const char* name)
{
    return guarded(false, [&] {
        bool failed;
        Feature* f = named_entry("vsx_propmap_execute_command", m, name, failed);
        if (!f)
            return false;
        if (f->kind != FeatureKind::Command)
            return fail(kWrongKind,
                        "Feature '" + f->name + "' is a " + kind_name(f->kind) + ", not a Command");
        return finish(f->host->execute(*f, Origin::Program));
    });
}

VSX_API bool vsx_propmap_serialize_to_fileW(vsx_propmap* m, const wchar_t* path)
{
    return guarded(false, [&] {
        if (!Library::instance().initialized())
            return fail(kNotInitialized, "Library not initialized");
        PropertyMap* map = propmap(m);
        if (!map)
            return invalid_handle();
        if (!enter("vsx_propmap_serialize_to_fileW", map_serial(map)))
            return false;
        if (!path)
            return invalid_argument("path");
        auto utf8 = text::wide_to_utf8(path);
        if (!utf8)
            return fail(kInvalidParameter, "The path is not valid text");
        return finish(PropertyFile::save(*map, *utf8));
    });
}

VSX_API bool vsx_propmap_deserialize_from_fileW(vsx_propmap* m, const wchar_t* path)
{
    return guarded(false, [&] {
        if (!Library::instance().initialized())
            return fail(kNotInitialized, "Library not initialized");
        PropertyMap* map = propmap(m);
        if (!map)
            return invalid_handle();
        if (!enter("vsx_propmap_deserialize_from_fileW", map_serial(map)))
            return false;
        if (!path)
            return invalid_argument("path");
        auto utf8 = text::wide_to_utf8(path);
        if (!utf8)
            return fail(kInvalidParameter, "The path is not valid text");
        return finish(PropertyFile::load(*map, *utf8));
    });
}

} // extern "C"
