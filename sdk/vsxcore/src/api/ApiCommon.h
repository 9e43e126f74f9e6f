#pragma once
// Shared scaffolding of the C entry points: initialisation check, last error,
// handle checks, fault rules, and the guard that keeps exceptions inside.

#include "Feature.h"
#include "FeatureHost.h"
#include "Handle.h"
#include "LastError.h"
#include "Library.h"
#include "Log.h"
#include "Status.h"
#include "vsxcore.h"
#include "vsxsim.h"

#include <cstring>
#include <new>
#include <string>

namespace vsxsim::api {

inline bool fail(const Status& s)
{
    LastError::set(s);
    return false;
}

inline bool fail(int code, const std::string& message)
{
    LastError::set(code, message);
    return false;
}

inline bool succeed()
{
    LastError::clear();
    return true;
}

inline bool finish(const Status& s)
{
    return s ? succeed() : fail(s);
}

inline bool invalid_handle()
{
    return fail(kInvalidParameter, "Invalid handle");
}

inline bool invalid_argument(const char* what)
{
    return fail(kInvalidParameter, std::string("Invalid argument: ") + what);
}

// Checks initialisation and the fault rules for a call; false means the call fails now.
inline bool enter(const char* function, const std::string& serial = {}, const std::string& feature = {},
                  int64_t index = -1)
{
    Library& lib = Library::instance();
    if (!lib.initialized())
        return fail(kNotInitialized, "Library not initialized");
    if (auto fault = lib.faults().check(function, serial, feature, index))
        return fail(*fault);
    return true;
}

inline Feature* feature(const vsx_prop* p)
{
    return checked<Feature>(p, HandleKind::Prop);
}

inline std::string serial_of(const Feature* f)
{
    return f && f->host ? f->host->fault_serial() : std::string();
}

// Looks up a feature handle, checks initialisation, faults and the kind.
inline Feature* prop_entry(const char* function, vsx_prop* p, FeatureKind kind)
{
    Feature* f = feature(p);
    if (!Library::instance().initialized()) {
        fail(kNotInitialized, "Library not initialized");
        return nullptr;
    }
    if (!f) {
        invalid_handle();
        return nullptr;
    }
    if (!enter(function, serial_of(f), f->name))
        return nullptr;
    if (f->kind != kind) {
        fail(kWrongKind,
             "Feature '" + f->name + "' is a " + kind_name(f->kind) + ", not " +
                 (kind == FeatureKind::Integer || kind == FeatureKind::Enumeration ? "an " : "a ") +
                 kind_name(kind));
        return nullptr;
    }
    return f;
}

// Copies text into a caller buffer (size counts the terminating NUL).
inline bool copy_text(const std::string& text, char* buffer, size_t* size)
{
    if (!size)
        return invalid_argument("size");
    size_t needed = text.size() + 1;
    if (!buffer) {
        *size = needed;
        return succeed();
    }
    if (*size < needed) {
        *size = needed;
        return fail(kBufferTooSmall, "Buffer too small: " + std::to_string(needed) + " bytes needed");
    }
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    *size = needed;
    return succeed();
}

template <class T> bool copy_array(const std::vector<T>& values, T* out, size_t* count)
{
    if (!count)
        return invalid_argument("count");
    if (!out) {
        *count = values.size();
        return succeed();
    }
    if (*count < values.size()) {
        *count = values.size();
        return fail(kBufferTooSmall, "Buffer too small: " + std::to_string(values.size()) + " values needed");
    }
    for (size_t i = 0; i < values.size(); ++i)
        out[i] = values[i];
    *count = values.size();
    return succeed();
}

template <class R, class Fn> R guarded(R fail_value, Fn&& fn) noexcept
{
    try {
        return fn();
    } catch (const std::bad_alloc&) {
        LastError::set(kInternal, "Out of memory");
    } catch (const std::exception& e) {
        LastError::set(kInternal, e.what());
        Log::error(std::string("internal error: ") + e.what());
    } catch (...) {
        LastError::set(kInternal, "Internal error");
    }
    return fail_value;
}

template <class Fn> void guarded_void(Fn&& fn) noexcept
{
    try {
        fn();
    } catch (...) {
        Log::error("internal error in a release function");
    }
}

} // namespace vsxsim::api
