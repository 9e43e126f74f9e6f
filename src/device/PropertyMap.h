#pragma once

#include "device/Property.h"

#include <string>
#include <vector>
#include <vsxcore.h>

namespace vsx {

// One property map of the camera library (a device's, a driver's, an
// interface's or a video writer's). Holds one reference to its handle.
class PropertyMap {
public:
    PropertyMap() = default;
    explicit PropertyMap(vsx_propmap* handle) : handle_(handle) {}  // takes a reference of its own

    // A wrapper for a handle the library handed out with a reference of its own.
    static PropertyMap adopt(vsx_propmap* handle);

    vsx_propmap* handle() const { return handle_.get(); }
    bool empty() const { return handle() == nullptr; }
    explicit operator bool() const { return handle() != nullptr; }

    // Features by name; an empty property when not found (or of another kind).
    Property find(const std::string& name, Error& err = Error::defaultRecord()) const;
    PropCategory findCategory(const std::string& name, Error& err = Error::defaultRecord()) const;
    PropInteger findInteger(const std::string& name, Error& err = Error::defaultRecord()) const;
    PropFloat findFloat(const std::string& name, Error& err = Error::defaultRecord()) const;
    PropBoolean findBoolean(const std::string& name, Error& err = Error::defaultRecord()) const;
    PropEnumeration findEnumeration(const std::string& name, Error& err = Error::defaultRecord()) const;
    PropString findString(const std::string& name, Error& err = Error::defaultRecord()) const;
    PropCommand findCommand(const std::string& name, Error& err = Error::defaultRecord()) const;
    Property findRegister(const std::string& name, Error& err = Error::defaultRecord()) const;

    // Every feature except categories, in the tree's depth-first order.
    std::vector<Property> all(Error& err = Error::defaultRecord()) const;

    int64_t getValueInt64(const std::string& name, Error& err = Error::defaultRecord()) const;
    std::string getValueString(const std::string& name, Error& err = Error::defaultRecord()) const;
    bool setValueInt64(const std::string& name, int64_t value, Error& err = Error::defaultRecord()) const;
    bool setValueString(const std::string& name, const std::string& value, Error& err = Error::defaultRecord()) const;
    bool setValueBool(const std::string& name, bool value, Error& err = Error::defaultRecord()) const;
    bool executeCommand(const std::string& name, Error& err = Error::defaultRecord()) const;

    // The map's state in the library's own file format.
    bool serializeToFile(const std::wstring& path, Error& err = Error::defaultRecord()) const;
    bool deserializeFromFile(const std::wstring& path, Error& err = Error::defaultRecord()) const;

private:
    template <typename View>
    View findAs(bool (*find)(vsx_propmap*, const char*, vsx_prop**), const std::string& name, Error& err) const;

    SdkHandle<vsx_propmap, vsx_propmap_ref, vsx_propmap_unref> handle_;
};

}  // namespace vsx
