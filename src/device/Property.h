#pragma once

#include "device/SdkHandle.h"
#include "device/VsxError.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include <vsxcore.h>

namespace vsx {

// Feature kinds as the camera library reports them.
enum PropertyType : int {
    Integer = 1,
    Float = 2,
    Enumeration = 3,
    Boolean = 4,
    String = 5,
    Command = 6,
    Category = 7,
    Register = 8,
    EnumEntry = 9,
};

class PropInteger;
class PropFloat;
class PropEnumeration;
class PropBoolean;
class PropString;
class PropCommand;
class PropCategory;
class Property;

using NotificationHandler = std::function<void(Property&)>;

// One camera feature. Holds exactly one reference to the library's handle:
// made from a handle it takes one, destroyed it releases it, copied it takes
// another. Every operation takes an error record (the default one unless given).
class Property {
public:
    Property() = default;
    explicit Property(vsx_prop* handle) : handle_(handle) {}  // takes a reference of its own

    // A wrapper for a handle the library handed out with a reference of its
    // own: that reference is released, so only the wrapper's remains.
    static Property adopt(vsx_prop* handle);

    vsx_prop* handle() const { return handle_.get(); }
    bool empty() const { return handle() == nullptr; }
    explicit operator bool() const { return handle() != nullptr; }

    int type(Error& err = Error::defaultRecord()) const;
    std::string name(Error& err = Error::defaultRecord()) const;
    std::string displayName(Error& err = Error::defaultRecord()) const;
    std::string tooltip(Error& err = Error::defaultRecord()) const;
    std::string description(Error& err = Error::defaultRecord()) const;
    int visibility(Error& err = Error::defaultRecord()) const;
    bool isAvailable(Error& err = Error::defaultRecord()) const;
    bool isLocked(Error& err = Error::defaultRecord()) const;
    bool isLikelyLockedByStream(Error& err = Error::defaultRecord()) const;
    bool isReadonly(Error& err = Error::defaultRecord()) const;

    // The integer value of an enumeration entry.
    int64_t entryIntValue(Error& err = Error::defaultRecord()) const;

    // Typed views: the same handle, known to be of one kind; an empty view
    // with code 103 "Property is not of type …" when it is of another kind.
    PropInteger asInteger(Error& err = Error::defaultRecord()) const;
    PropFloat asFloat(Error& err = Error::defaultRecord()) const;
    PropEnumeration asEnumeration(Error& err = Error::defaultRecord()) const;
    PropBoolean asBoolean(Error& err = Error::defaultRecord()) const;
    PropString asString(Error& err = Error::defaultRecord()) const;
    PropCommand asCommand(Error& err = Error::defaultRecord()) const;
    PropCategory asCategory(Error& err = Error::defaultRecord()) const;

    // Calls the handler on the library's event thread whenever the feature
    // changes (value, range, availability, lock). Returns the registration's
    // token, or null when it failed. The library owns the token until the
    // registration ends.
    void* eventAddNotification(const NotificationHandler& handler, Error& err = Error::defaultRecord()) const;
    // Ends a registration made by eventAddNotification; no call follows.
    bool eventRemoveNotification(void* token, Error& err = Error::defaultRecord()) const;

protected:
    template <typename View>
    View view(int kind, const char* kindName, Error& err) const;

    SdkHandle<vsx_prop, vsx_prop_ref, vsx_prop_unref> handle_;
};

class PropInteger : public Property {
public:
    using Property::Property;
    int64_t value(Error& err = Error::defaultRecord()) const;
    int64_t minimum(Error& err = Error::defaultRecord()) const;
    int64_t maximum(Error& err = Error::defaultRecord()) const;
    int64_t increment(Error& err = Error::defaultRecord()) const;
    bool setValue(int64_t value, Error& err = Error::defaultRecord()) const;
    std::string unit(Error& err = Error::defaultRecord()) const;
    int representation(Error& err = Error::defaultRecord()) const;
    int incrementMode(Error& err = Error::defaultRecord()) const;
    std::vector<int64_t> validValueSet(Error& err = Error::defaultRecord()) const;
};

class PropFloat : public Property {
public:
    using Property::Property;
    double value(Error& err = Error::defaultRecord()) const;
    double minimum(Error& err = Error::defaultRecord()) const;
    double maximum(Error& err = Error::defaultRecord()) const;
    double increment(Error& err = Error::defaultRecord()) const;
    bool setValue(double value, Error& err = Error::defaultRecord()) const;
    std::string unit(Error& err = Error::defaultRecord()) const;
    int representation(Error& err = Error::defaultRecord()) const;
    int incrementMode(Error& err = Error::defaultRecord()) const;
    int displayNotation(Error& err = Error::defaultRecord()) const;
    int displayPrecision(Error& err = Error::defaultRecord()) const;
    std::vector<double> validValueSet(Error& err = Error::defaultRecord()) const;
};

class PropEnumeration : public Property {
public:
    using Property::Property;
    std::vector<Property> entries(Error& err = Error::defaultRecord()) const;
    Property selectedEntry(Error& err = Error::defaultRecord()) const;
    std::string selectedEntryName(Error& err = Error::defaultRecord()) const;
    bool setValue(const std::string& entryName, Error& err = Error::defaultRecord()) const;
    int64_t intValue(Error& err = Error::defaultRecord()) const;
    bool setIntValue(int64_t value, Error& err = Error::defaultRecord()) const;
};

class PropBoolean : public Property {
public:
    using Property::Property;
    bool value(Error& err = Error::defaultRecord()) const;
    bool setValue(bool value, Error& err = Error::defaultRecord()) const;
};

class PropString : public Property {
public:
    using Property::Property;
    std::string getValue(Error& err = Error::defaultRecord()) const;
    bool setValue(const std::string& value, Error& err = Error::defaultRecord()) const;
    int64_t maxLength(Error& err = Error::defaultRecord()) const;
};

class PropCommand : public Property {
public:
    using Property::Property;
    bool execute(Error& err = Error::defaultRecord()) const;
};

class PropCategory : public Property {
public:
    using Property::Property;
    std::vector<Property> features(Error& err = Error::defaultRecord()) const;
    // True when at least one feature is of a kind from Integer to Category.
    bool hasFeatures() const;
};

// The properties of a list the library yields (in list order); an entry whose
// handle cannot be read is skipped.
template <typename Handle>
std::vector<Property> get_property_list(Handle* handle, bool (*list)(Handle*, vsx_proplist**), Error& err);

// Reads a text value with the library's buffer protocol: 128 bytes first, then
// the exact size the library asks for.
std::string read_string_value(const std::function<bool(char*, size_t*)>& read, Error& err);

}  // namespace vsx
