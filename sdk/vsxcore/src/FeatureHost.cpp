#include "FeatureHost.h"

#include "EventExecutor.h"
#include "Log.h"
#include "PropertyMap.h"
#include "Registration.h"
#include "TextUtil.h"
#include "vsxcore.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace vsxsim {

// ---------------------------------------------------------------- ChangeScope

bool ChangeScope::Signature::operator==(const Signature& o) const
{
    return available == o.available && locked == o.locked && read_only == o.read_only && i == o.i &&
           imin == o.imin && imax == o.imax && iinc == o.iinc && std::memcmp(&f, &o.f, sizeof f) == 0 &&
           fmin == o.fmin && fmax == o.fmax && s == o.s && entries == o.entries;
}

ChangeScope::ChangeScope(FeatureHost& host) : host_(host), outer_(host.scope_)
{
    if (outer_)
        return; // nested: the outermost scope does the bookkeeping
    host_.scope_ = this;
    before_.reserve(host_.registered_.size());
    for (Feature* f : host_.registered_)
        before_.emplace_back(f, signature(f));
}

ChangeScope::~ChangeScope()
{
    if (outer_) {
        for (Feature* f : touched_)
            outer_->touch(f);
        return;
    }
    std::vector<Feature*> notify;
    for (auto& [f, sig] : before_) {
        bool touched = std::find(touched_.begin(), touched_.end(), f) != touched_.end();
        if (touched || !(signature(f) == sig))
            notify.push_back(f);
    }
    // Features that got their first registration inside this scope.
    for (Feature* f : touched_)
        if (!f->registrations.empty() && std::find(notify.begin(), notify.end(), f) == notify.end())
            notify.push_back(f);
    if (!touched_.empty() || !notify.empty())
        host_.generation_.fetch_add(1, std::memory_order_acq_rel);
    host_.scope_ = nullptr;
    for (Feature* f : notify)
        host_.queue_notifications(f);
}

void ChangeScope::touch(Feature* feature)
{
    if (std::find(touched_.begin(), touched_.end(), feature) == touched_.end())
        touched_.push_back(feature);
}

ChangeScope::Signature ChangeScope::signature(Feature* f) const
{
    Signature s;
    s.available = host_.available_locked(*f);
    s.locked = host_.lock_reason_locked(*f) != nullptr;
    s.read_only = f->read_only;
    switch (f->kind) {
    case FeatureKind::Integer:
    case FeatureKind::Boolean:
    case FeatureKind::Enumeration: {
        FeatureValue v = host_.read_locked(*f);
        s.i = v.i;
        break;
    }
    case FeatureKind::Float:
        s.f = host_.read_locked(*f).f;
        break;
    case FeatureKind::String:
        s.s = host_.read_locked(*f).s;
        break;
    default:
        break;
    }
    host_.int_bounds_locked(*f, s.imin, s.imax);
    s.iinc = f->iinc;
    s.fmin = f->fmin;
    s.fmax = f->fmax;
    for (size_t k = 0; k < f->entries.size() && k < 64; ++k)
        if (host_.available_locked(*f->entries[k]))
            s.entries |= uint64_t(1) << k;
    return s;
}

// ---------------------------------------------------------------- FeatureHost

FeatureHost::FeatureHost() = default;

FeatureHost::~FeatureHost() = default;

Status FeatureHost::access_check(const Feature&) const
{
    return ok_status();
}

bool FeatureHost::available_locked(const Feature& f) const
{
    if (f.kind == FeatureKind::EnumEntry)
        return !f.available_if || f.available_if();
    return !f.available_if || f.available_if();
}

const char* FeatureHost::lock_reason_locked(const Feature& f) const
{
    if (f.stream_locked && stream_active())
        return "while the stream is set up";
    if (f.locked_if)
        return f.locked_if();
    return nullptr;
}

void FeatureHost::int_bounds_locked(const Feature& f, int64_t& min, int64_t& max) const
{
    min = f.imin;
    max = f.imax;
    if (f.range_hook)
        f.range_hook(min, max);
}

size_t FeatureHost::register_size_locked(const Feature& f) const
{
    return f.size_hook ? f.size_hook() : f.register_size;
}

size_t FeatureHost::register_size(Feature& f)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return register_size_locked(f);
}

FeatureValue FeatureHost::read_locked(Feature& f)
{
    FeatureValue v = f.slot();
    if (f.read_hook)
        f.read_hook(v);
    return v;
}

bool FeatureHost::available(Feature& f)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return available_locked(f);
}

bool FeatureHost::entry_available(Feature& entry)
{
    return available(entry);
}

bool FeatureHost::locked(Feature& f)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lock_reason_locked(f) != nullptr;
}

bool FeatureHost::read_only(Feature& f)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return f.read_only;
}

Status FeatureHost::get(Feature& f, FeatureValue& out)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (Status s = access_check(f); !s)
        return s;
    if (!available_locked(f))
        return {kNotAvailable, "Feature '" + f.name + "' is not available"};
    out = read_locked(f);
    return {};
}

Status FeatureHost::check_write(Feature& f, FeatureValue& value, Origin origin)
{
    if (origin == Origin::Program) {
        if (Status s = access_check(f); !s)
            return s;
        if (!available_locked(f))
            return {kNotAvailable, "Feature '" + f.name + "' is not available"};
        if (f.read_only)
            return {kAccessDenied, "Feature '" + f.name + "' is read-only"};
        if (const char* reason = lock_reason_locked(f))
            return {kAccessDenied, "Feature '" + f.name + "' is locked " + reason};
    }
    switch (f.kind) {
    case FeatureKind::Integer: {
        int64_t v = value.i;
        int64_t min = 0, max = 0;
        int_bounds_locked(f, min, max);
        if (v < min || v > max)
            return {kOutOfRange, "Value " + std::to_string(v) + " out of range [" + std::to_string(min) +
                                     ", " + std::to_string(max) + "] for '" + f.name + "'"};
        if (f.inc_mode == 0 && f.iinc > 1 && (v - f.imin) % f.iinc != 0)
            return {kOutOfRange, "Value " + std::to_string(v) + " is not a multiple of the increment " +
                                     std::to_string(f.iinc) + " of '" + f.name + "'"};
        if (f.inc_mode == 1 && std::find(f.ivalid.begin(), f.ivalid.end(), v) == f.ivalid.end())
            return {kOutOfRange, "Value " + std::to_string(v) + " is not a valid value of '" + f.name + "'"};
        break;
    }
    case FeatureKind::Float: {
        double v = value.f;
        if (!std::isfinite(v) || v < f.fmin || v > f.fmax)
            return {kOutOfRange, "Value " + text::format_double(v) + " out of range [" +
                                     text::format_double(f.fmin) + ", " + text::format_double(f.fmax) +
                                     "] for '" + f.name + "'"};
        if (f.inc_mode == 0 && f.finc > 0) {
            double k = std::round((v - f.fmin) / f.finc);
            value.f = std::min(f.fmax, f.fmin + k * f.finc);
        } else if (f.inc_mode == 1 && std::find(f.fvalid.begin(), f.fvalid.end(), v) == f.fvalid.end()) {
            return {kOutOfRange,
                    "Value " + text::format_double(v) + " is not a valid value of '" + f.name + "'"};
        }
        break;
    }
    case FeatureKind::Boolean:
        value.i = value.i ? 1 : 0;
        break;
    case FeatureKind::Enumeration: {
        if (value.i < 0 || static_cast<size_t>(value.i) >= f.entries.size())
            return {kNotFound, "Entry not found in '" + f.name + "'"};
        Feature* entry = f.entries[static_cast<size_t>(value.i)];
        if (origin == Origin::Program && !available_locked(*entry))
            return {kNotAvailable, "Entry '" + entry->name + "' of '" + f.name + "' is not available"};
        break;
    }
    case FeatureKind::String:
        if (static_cast<int64_t>(value.s.size()) > f.max_length)
            return {kOutOfRange, "Text of " + std::to_string(value.s.size()) + " bytes is longer than the " +
                                     std::to_string(f.max_length) + " bytes of '" + f.name + "'"};
        break;
    case FeatureKind::Register:
        if (value.bytes.size() != register_size_locked(f))
            return {kInvalidParameter, "Wrong register size " + std::to_string(value.bytes.size()) +
                                           ", expected " + std::to_string(register_size_locked(f))};
        break;
    default:
        return {kWrongKind, "Feature '" + f.name + "' has no value"};
    }
    if (f.validate_hook)
        return f.validate_hook(value);
    return {};
}

Status FeatureHost::write_locked(Feature& f, FeatureValue value, Origin origin)
{
    if (Status s = check_write(f, value, origin); !s)
        return s;
    ChangeScope scope(*this);
    if (f.store_hook) {
        if (Status s = f.store_hook(value); !s)
            return s;
    } else {
        FeatureValue& slot = f.slot();
        switch (f.kind) {
        case FeatureKind::Float:
            slot.f = value.f;
            break;
        case FeatureKind::String:
            slot.s = value.s;
            break;
        case FeatureKind::Register:
            slot.bytes = value.bytes;
            break;
        default:
            slot.i = value.i;
            break;
        }
    }
    touch(&f);
    if (f.after_write)
        f.after_write();
    after_write_locked(f);
    return {};
}

void FeatureHost::store_locked(Feature& f, const FeatureValue& value)
{
    FeatureValue& slot = f.slot();
    switch (f.kind) {
    case FeatureKind::Float:
        slot.f = value.f;
        break;
    case FeatureKind::String:
        slot.s = value.s;
        break;
    case FeatureKind::Register:
        slot.bytes = value.bytes;
        break;
    default:
        slot.i = value.i;
        break;
    }
    touch(&f);
}

void FeatureHost::store_int_locked(Feature& f, int64_t v)
{
    if (f.slot().i != v) {
        f.slot().i = v;
        touch(&f);
    }
}

void FeatureHost::store_float_locked(Feature& f, double v)
{
    if (f.slot().f != v) {
        f.slot().f = v;
        touch(&f);
    }
}

void FeatureHost::touch(Feature* f)
{
    if (scope_)
        scope_->touch(f);
    else
        generation_.fetch_add(1, std::memory_order_acq_rel);
}

Status FeatureHost::set(Feature& f, FeatureValue value, Origin origin)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return write_locked(f, std::move(value), origin);
}

Status FeatureHost::execute(Feature& f, Origin origin)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (origin == Origin::Program) {
        if (Status s = access_check(f); !s)
            return s;
        if (!available_locked(f))
            return {kNotAvailable, "Feature '" + f.name + "' is not available"};
        if (const char* reason = lock_reason_locked(f))
            return {kAccessDenied, "Feature '" + f.name + "' is locked " + reason};
    }
    ChangeScope scope(*this);
    touch(&f);
    if (f.execute_hook)
        return f.execute_hook();
    return {};
}

std::string FeatureHost::text_locked(Feature& f)
{
    FeatureValue v = read_locked(f);
    switch (f.kind) {
    case FeatureKind::Integer:
        switch (f.representation) {
        case 4:
            return text::format_hex(v.i);
        case 5:
            return text::format_ipv4(v.i);
        case 6:
            return text::format_mac(v.i);
        default:
            return std::to_string(v.i);
        }
    case FeatureKind::Float:
        return text::format_double(v.f);
    case FeatureKind::Boolean:
        return v.i ? "true" : "false";
    case FeatureKind::Enumeration:
        return (v.i >= 0 && static_cast<size_t>(v.i) < f.entries.size())
                   ? f.entries[static_cast<size_t>(v.i)]->name
                   : std::string();
    case FeatureKind::String:
        return v.s;
    default:
        return {};
    }
}

Status FeatureHost::get_text(Feature& f, std::string& out)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (f.kind == FeatureKind::Command || f.kind == FeatureKind::Category ||
        f.kind == FeatureKind::Register || f.kind == FeatureKind::EnumEntry)
        return {kWrongKind, "Feature '" + f.name + "' is a " + kind_name(f.kind) + " and has no text value"};
    if (Status s = access_check(f); !s)
        return s;
    if (!available_locked(f))
        return {kNotAvailable, "Feature '" + f.name + "' is not available"};
    out = text_locked(f);
    return {};
}

Status FeatureHost::parse_text_locked(Feature& f, const std::string& text, FeatureValue& out)
{
    auto bad = [&] {
        return Status{kInvalidParameter, "'" + text + "' is not a valid value of '" + f.name + "'"};
    };
    switch (f.kind) {
    case FeatureKind::Integer: {
        std::optional<int64_t> v;
        if (f.representation == 5)
            v = text::parse_ipv4(text);
        else if (f.representation == 6)
            v = text::parse_mac(text);
        if (!v)
            v = text::parse_int(text);
        if (!v)
            return bad();
        out.i = *v;
        return {};
    }
    case FeatureKind::Float: {
        auto v = text::parse_double(text);
        if (!v)
            return bad();
        out.f = *v;
        return {};
    }
    case FeatureKind::Boolean: {
        auto v = text::parse_bool(text);
        if (!v)
            return bad();
        out.i = *v ? 1 : 0;
        return {};
    }
    case FeatureKind::Enumeration: {
        Feature* e = f.entry_by_name(text);
        if (!e)
            return {kNotFound, "Entry '" + text + "' not found in '" + f.name + "'"};
        out.i = f.entry_index(e);
        return {};
    }
    case FeatureKind::String:
        out.s = text;
        return {};
    default:
        return {kWrongKind, "Feature '" + f.name + "' is a " + kind_name(f.kind) + " and has no text value"};
    }
}

Status FeatureHost::set_text(Feature& f, const std::string& text, Origin origin)
{
    std::lock_guard<std::mutex> lock(mutex_);
    FeatureValue v;
    if (Status s = parse_text_locked(f, text, v); !s)
        return s;
    return write_locked(f, std::move(v), origin);
}

Status FeatureHost::int_range(Feature& f, int64_t& min, int64_t& max, int64_t& inc)
{
    std::lock_guard<std::mutex> lock(mutex_);
    int_bounds_locked(f, min, max);
    if (f.inc_mode == 0)
        inc = f.iinc;
    else if (f.inc_mode == 1) {
        inc = 1;
        if (f.ivalid.size() > 1) {
            inc = f.ivalid[1] - f.ivalid[0];
            for (size_t k = 2; k < f.ivalid.size(); ++k)
                inc = std::min(inc, f.ivalid[k] - f.ivalid[k - 1]);
        }
    } else
        inc = 1;
    return {};
}

Status FeatureHost::float_range(Feature& f, double& min, double& max, double& inc)
{
    std::lock_guard<std::mutex> lock(mutex_);
    min = f.fmin;
    max = f.fmax;
    if (f.inc_mode == 0)
        inc = f.finc;
    else if (f.inc_mode == 1) {
        inc = 0.0;
        if (f.fvalid.size() > 1) {
            inc = f.fvalid[1] - f.fvalid[0];
            for (size_t k = 2; k < f.fvalid.size(); ++k)
                inc = std::min(inc, f.fvalid[k] - f.fvalid[k - 1]);
        }
    } else
        inc = 0.0;
    return {};
}

std::vector<int64_t> FeatureHost::int_valid_set(Feature& f)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return f.inc_mode == 1 ? f.ivalid : std::vector<int64_t>{};
}

std::vector<double> FeatureHost::float_valid_set(Feature& f)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return f.inc_mode == 1 ? f.fvalid : std::vector<double>{};
}

// ---------------------------------------------------------------- notifications

void FeatureHost::queue_notifications(Feature* f)
{
    if (f->registrations.empty())
        return;
    EventExecutor& ex = executor();
    auto due = EventExecutor::Clock::now() + std::chrono::milliseconds(notification_delay_ms());
    auto delivered = delivered_;
    for (const auto& reg : f->registrations) {
        queued_.fetch_add(1, std::memory_order_relaxed);
        ex.post_at(due, [reg, f, delivered] { deliver(*reg, f, *delivered); });
    }
}

void FeatureHost::notify_now(const std::vector<Feature*>& features)
{
    for (Feature* f : features) {
        std::vector<std::shared_ptr<Registration>> registrations;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            registrations = f->registrations;
        }
        for (const auto& reg : registrations) {
            queued_.fetch_add(1, std::memory_order_relaxed);
            deliver(*reg, f, *delivered_);
        }
    }
}

void FeatureHost::deliver(Registration& reg, Feature* f, std::atomic<uint64_t>& delivered)
{
    if (!reg.enter())
        return;
    try {
        reg.callback_as<void (*)(vsx_prop*, void*)>()(to_c<vsx_prop>(f), reg.context());
    } catch (...) {
        Log::error("a property notification callback threw an exception");
    }
    delivered.fetch_add(1, std::memory_order_relaxed);
    reg.leave();
}

Status FeatureHost::add_registration(Feature& f, std::shared_ptr<Registration> reg)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (f.registrations.empty())
        registered_.push_back(&f);
    f.registrations.push_back(std::move(reg));
    return {};
}

Status FeatureHost::remove_registration(Feature& f, void (*callback)(), void* context)
{
    std::shared_ptr<Registration> found;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto& regs = f.registrations;
        for (auto it = regs.begin(); it != regs.end(); ++it) {
            if ((*it)->callback() == callback && (*it)->context() == context) {
                found = *it;
                regs.erase(it);
                break;
            }
        }
        if (found && regs.empty())
            registered_.erase(std::remove(registered_.begin(), registered_.end(), &f), registered_.end());
    }
    if (found)
        found->end();
    return {};
}

void FeatureHost::end_all_registrations()
{
    std::vector<std::shared_ptr<Registration>> ended;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (Feature* f : registered_) {
            for (auto& r : f->registrations)
                ended.push_back(std::move(r));
            f->registrations.clear();
        }
        registered_.clear();
    }
    for (auto& r : ended)
        r->end();
}

void FeatureHost::end_registrations_of(PropertyMap& map)
{
    std::vector<std::shared_ptr<Registration>> ended;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = registered_.begin(); it != registered_.end();) {
            Feature* f = *it;
            if (f->map == &map) {
                for (auto& r : f->registrations)
                    ended.push_back(std::move(r));
                f->registrations.clear();
                it = registered_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& r : ended)
        r->end();
}

size_t FeatureHost::registration_count(const Feature& f)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return f.registrations.size();
}

} // namespace vsxsim
