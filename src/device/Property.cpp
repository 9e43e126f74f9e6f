#include "device/Property.h"

#include "device/CallbackGuard.h"

namespace vsx {

Property Property::adopt(vsx_prop* handle)
{
    Property property;
    property.handle_ = decltype(property.handle_)::adopt(handle);
    return property;
}

int Property::type(Error& err) const
{
    const int kind = vsx_prop_get_type(handle());
    err.refresh();
    return kind;
}

std::string Property::name(Error& err) const { return string_from_c(err, vsx_prop_get_name(handle())); }

std::string Property::displayName(Error& err) const
{
    return string_from_c(err, vsx_prop_get_display_name(handle()));
}

std::string Property::tooltip(Error& err) const { return string_from_c(err, vsx_prop_get_tooltip(handle())); }

std::string Property::description(Error& err) const
{
    return string_from_c(err, vsx_prop_get_description(handle()));
}

int Property::visibility(Error& err) const
{
    const int level = vsx_prop_get_visibility(handle());
    err.refresh();
    return level;
}

namespace {

bool refreshed(Error& err, bool value)
{
    err.refresh();
    return value;
}

}  // namespace

bool Property::isAvailable(Error& err) const { return refreshed(err, vsx_prop_is_available(handle())); }
bool Property::isLocked(Error& err) const { return refreshed(err, vsx_prop_is_locked(handle())); }
bool Property::isLikelyLockedByStream(Error& err) const
{
    return refreshed(err, vsx_prop_is_likely_locked_by_stream(handle()));
}
bool Property::isReadonly(Error& err) const { return refreshed(err, vsx_prop_is_readonly(handle())); }

int64_t Property::entryIntValue(Error& err) const
{
    return call_getter_int64<vsx_prop>(err, handle(), vsx_prop_enumentry_get_int_value);
}

template <typename View>
View Property::view(int kind, const char* kindName, Error& err) const
{
    if (type(Error::defaultRecord()) == kind) {
        err.clear();
        return View(handle());
    }
    err.fail(Error::kWrongPropertyType, std::string("Property is not of type ") + kindName);
    return View();
}

PropInteger Property::asInteger(Error& err) const { return view<PropInteger>(Integer, "Integer", err); }
PropFloat Property::asFloat(Error& err) const { return view<PropFloat>(Float, "Float", err); }
PropEnumeration Property::asEnumeration(Error& err) const
{
    return view<PropEnumeration>(Enumeration, "Enumeration", err);
}
PropBoolean Property::asBoolean(Error& err) const { return view<PropBoolean>(Boolean, "Boolean", err); }
PropString Property::asString(Error& err) const { return view<PropString>(String, "String", err); }
PropCommand Property::asCommand(Error& err) const { return view<PropCommand>(Command, "Command", err); }
PropCategory Property::asCategory(Error& err) const { return view<PropCategory>(Category, "Category", err); }

// --- notifications -------------------------------------------------------

namespace {

struct NotificationContext {
    NotificationHandler handler;
};

// Runs on the library's event thread.
void notification_callback(vsx_prop* handle, void* context)
{
    guard_callback("Property::notification", [&] {
        Property property(handle);
        static_cast<NotificationContext*>(context)->handler(property);
    });
}

void release_notification(void* context) { delete static_cast<NotificationContext*>(context); }

}  // namespace

void* Property::eventAddNotification(const NotificationHandler& handler, Error& err) const
{
    auto* context = new NotificationContext{handler};
    if (vsx_prop_event_add_notification(handle(), notification_callback, context, release_notification)) {
        err.clear();
        return context;
    }
    delete context;
    err.check(false);
    return nullptr;
}

bool Property::eventRemoveNotification(void* token, Error& err) const
{
    return err.check(vsx_prop_event_remove_notification(handle(), notification_callback, token));
}

// --- lists and texts -----------------------------------------------------

template <typename Handle>
std::vector<Property> get_property_list(Handle* handle, bool (*list)(Handle*, vsx_proplist**), Error& err)
{
    vsx_proplist* items = nullptr;
    if (!list(handle, &items)) {
        err.check(false);
        return {};
    }
    size_t size = 0;
    if (!vsx_proplist_size(items, &size)) {
        vsx_proplist_unref(items);
        err.check(false);
        return {};
    }
    std::vector<Property> result;
    result.reserve(size);
    for (size_t i = 0; i < size; ++i) {
        vsx_prop* item = nullptr;
        if (vsx_proplist_at(items, i, &item))
            result.push_back(Property::adopt(item));
    }
    vsx_proplist_unref(items);
    err.clear();
    return result;
}

template std::vector<Property> get_property_list<vsx_prop>(vsx_prop*, bool (*)(vsx_prop*, vsx_proplist**), Error&);
template std::vector<Property> get_property_list<vsx_propmap>(vsx_propmap*, bool (*)(vsx_propmap*, vsx_proplist**),
                                                              Error&);

std::string read_string_value(const std::function<bool(char*, size_t*)>& read, Error& err)
{
    char buffer[128];
    size_t size = sizeof(buffer);
    if (read(buffer, &size)) {
        err.clear();
        return std::string(buffer, size > 0 ? size - 1 : 0);
    }
    std::string value(size, '\0');
    if (size > 0 && read(value.data(), &size)) {
        value.resize(size > 0 ? size - 1 : 0);
        err.clear();
        return value;
    }
    err.check(false);
    return {};
}

// --- typed views ---------------------------------------------------------

int64_t PropInteger::value(Error& err) const
{
    return call_getter_int64<vsx_prop>(err, handle(), vsx_prop_integer_get_value);
}
int64_t PropInteger::minimum(Error& err) const
{
    return call_getter_int64<vsx_prop>(err, handle(), vsx_prop_integer_get_min);
}
int64_t PropInteger::maximum(Error& err) const
{
    return call_getter_int64<vsx_prop>(err, handle(), vsx_prop_integer_get_max);
}
int64_t PropInteger::increment(Error& err) const
{
    return call_getter_int64<vsx_prop>(err, handle(), vsx_prop_integer_get_inc);
}
bool PropInteger::setValue(int64_t value, Error& err) const
{
    return err.check(vsx_prop_integer_set_value(handle(), value));
}
std::string PropInteger::unit(Error& err) const { return string_from_c(err, vsx_prop_integer_get_unit(handle())); }
int PropInteger::representation(Error& err) const
{
    const int r = vsx_prop_integer_get_representation(handle());
    err.refresh();
    return r;
}
int PropInteger::incrementMode(Error& err) const
{
    const int mode = vsx_prop_integer_get_inc_mode(handle());
    err.refresh();
    return mode;
}

namespace {

// Asks once for the number of values, then for the values.
template <typename T>
std::vector<T> valid_value_set(vsx_prop* handle, bool (*get)(vsx_prop*, T*, size_t*), Error& err)
{
    size_t count = 0;
    if (!get(handle, nullptr, &count)) {
        err.check(false);
        return {};
    }
    std::vector<T> values(count);
    if (count > 0 && !get(handle, values.data(), &count)) {
        err.check(false);
        return {};
    }
    values.resize(count);
    err.clear();
    return values;
}

}  // namespace

std::vector<int64_t> PropInteger::validValueSet(Error& err) const
{
    return valid_value_set<int64_t>(handle(), vsx_prop_integer_get_valid_value_set, err);
}

double PropFloat::value(Error& err) const { return call_getter_double<vsx_prop>(err, handle(), vsx_prop_float_get_value); }
double PropFloat::minimum(Error& err) const { return call_getter_double<vsx_prop>(err, handle(), vsx_prop_float_get_min); }
double PropFloat::maximum(Error& err) const { return call_getter_double<vsx_prop>(err, handle(), vsx_prop_float_get_max); }
double PropFloat::increment(Error& err) const
{
    return call_getter_double<vsx_prop>(err, handle(), vsx_prop_float_get_inc);
}
bool PropFloat::setValue(double value, Error& err) const { return err.check(vsx_prop_float_set_value(handle(), value)); }
std::string PropFloat::unit(Error& err) const { return string_from_c(err, vsx_prop_float_get_unit(handle())); }

namespace {

int refreshed_int(Error& err, int value)
{
    err.refresh();
    return value;
}

}  // namespace

int PropFloat::representation(Error& err) const
{
    return refreshed_int(err, vsx_prop_float_get_representation(handle()));
}
int PropFloat::incrementMode(Error& err) const { return refreshed_int(err, vsx_prop_float_get_inc_mode(handle())); }
int PropFloat::displayNotation(Error& err) const
{
    return refreshed_int(err, vsx_prop_float_get_display_notation(handle()));
}
int PropFloat::displayPrecision(Error& err) const
{
    return refreshed_int(err, vsx_prop_float_get_display_precision(handle()));
}
std::vector<double> PropFloat::validValueSet(Error& err) const
{
    return valid_value_set<double>(handle(), vsx_prop_float_get_valid_value_set, err);
}

std::vector<Property> PropEnumeration::entries(Error& err) const
{
    return get_property_list<vsx_prop>(handle(), vsx_prop_enum_get_entries, err);
}

Property PropEnumeration::selectedEntry(Error& err) const
{
    vsx_prop* entry = nullptr;
    if (!err.check(vsx_prop_enum_get_selected_entry(handle(), &entry)))
        return Property();
    return Property::adopt(entry);
}

std::string PropEnumeration::selectedEntryName(Error& err) const
{
    const Property entry = selectedEntry(err);
    return entry ? entry.name(err) : std::string();
}

bool PropEnumeration::setValue(const std::string& entryName, Error& err) const
{
    return err.check(vsx_prop_enum_set_value(handle(), entryName.c_str()));
}

int64_t PropEnumeration::intValue(Error& err) const
{
    return call_getter_int64<vsx_prop>(err, handle(), vsx_prop_enum_get_int_value);
}

bool PropEnumeration::setIntValue(int64_t value, Error& err) const
{
    return err.check(vsx_prop_enum_set_int_value(handle(), value));
}

bool PropBoolean::value(Error& err) const { return call_getter_bool<vsx_prop>(err, handle(), vsx_prop_boolean_get_value); }
bool PropBoolean::setValue(bool value, Error& err) const
{
    return err.check(vsx_prop_boolean_set_value(handle(), value));
}

std::string PropString::getValue(Error& err) const
{
    return read_string_value([this](char* buffer, size_t* size) { return vsx_prop_string_get_value(handle(), buffer, size); },
                             err);
}

bool PropString::setValue(const std::string& value, Error& err) const
{
    return err.check(vsx_prop_string_set_value(handle(), value.data(), value.size()));
}

int64_t PropString::maxLength(Error& err) const
{
    return call_getter_int64<vsx_prop>(err, handle(), vsx_prop_string_get_max_len);
}

bool PropCommand::execute(Error& err) const { return err.check(vsx_prop_command_execute(handle())); }

std::vector<Property> PropCategory::features(Error& err) const
{
    return get_property_list<vsx_prop>(handle(), vsx_prop_category_get_features, err);
}

bool PropCategory::hasFeatures() const
{
    const PropCategory category = asCategory(Error::defaultRecord());
    for (const Property& feature : category.features(Error::defaultRecord())) {
        const int kind = feature.type(Error::defaultRecord());
        if (kind >= Integer && kind <= Category)
            return true;
    }
    return false;
}

}  // namespace vsx
