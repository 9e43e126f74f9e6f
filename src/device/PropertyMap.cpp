#include "device/PropertyMap.h"


namespace vsx {

PropertyMap PropertyMap::adopt(vsx_propmap* handle)
{
    PropertyMap map;
    map.handle_ = decltype(map.handle_)::adopt(handle);
    return map;
}

template <typename View>
View PropertyMap::findAs(bool (*find)(vsx_propmap*, const char*, vsx_prop**), const std::string& name,
                         Error& err) const
{
    vsx_prop* found = nullptr;
    if (!err.check(find(handle(), name.c_str(), &found)))
        return View();
    const Property owner = Property::adopt(found);
    return View(owner.handle());
}

Property PropertyMap::find(const std::string& name, Error& err) const
{
    return findAs<Property>(vsx_propmap_find, name, err);
}
PropCategory PropertyMap::findCategory(const std::string& name, Error& err) const
{
    return findAs<PropCategory>(vsx_propmap_find_category, name, err);
}
PropInteger PropertyMap::findInteger(const std::string& name, Error& err) const
{
    return findAs<PropInteger>(vsx_propmap_find_integer, name, err);
}
PropFloat PropertyMap::findFloat(const std::string& name, Error& err) const
{
    return findAs<PropFloat>(vsx_propmap_find_float, name, err);
}
PropBoolean PropertyMap::findBoolean(const std::string& name, Error& err) const
{
    return findAs<PropBoolean>(vsx_propmap_find_boolean, name, err);
}
PropEnumeration PropertyMap::findEnumeration(const std::string& name, Error& err) const
{
    return findAs<PropEnumeration>(vsx_propmap_find_enumeration, name, err);
}
PropString PropertyMap::findString(const std::string& name, Error& err) const
{
    return findAs<PropString>(vsx_propmap_find_string, name, err);
}
PropCommand PropertyMap::findCommand(const std::string& name, Error& err) const
{
    return findAs<PropCommand>(vsx_propmap_find_command, name, err);
}
Property PropertyMap::findRegister(const std::string& name, Error& err) const
{
    return findAs<Property>(vsx_propmap_find_register, name, err);
}

std::vector<Property> PropertyMap::all(Error& err) const
{
    return get_property_list<vsx_propmap>(handle(), vsx_propmap_get_all, err);
}

int64_t PropertyMap::getValueInt64(const std::string& name, Error& err) const
{
    return call_propmap_getter_int64<vsx_propmap>(err, handle(), name, vsx_propmap_get_value_int64);
}

std::string PropertyMap::getValueString(const std::string& name, Error& err) const
{
    return read_string_value(
        [this, &name](char* buffer, size_t* size) {
            return vsx_propmap_get_value_string(handle(), name.c_str(), buffer, size);
        },
        err);
}

bool PropertyMap::setValueInt64(const std::string& name, int64_t value, Error& err) const
{
    return err.check(vsx_propmap_set_value_int64(handle(), name.c_str(), value));
}

bool PropertyMap::setValueString(const std::string& name, const std::string& value, Error& err) const
{
    return err.check(vsx_propmap_set_value_string(handle(), name.c_str(), value.c_str()));
}

bool PropertyMap::setValueBool(const std::string& name, bool value, Error& err) const
{
    return err.check(vsx_propmap_set_value_bool(handle(), name.c_str(), value));
}

bool PropertyMap::executeCommand(const std::string& name, Error& err) const
{
    return err.check(vsx_propmap_execute_command(handle(), name.c_str()));
}

bool PropertyMap::serializeToFile(const std::wstring& path, Error& err) const
{
    return err.check(vsx_propmap_serialize_to_fileW(handle(), path.c_str()));
}

bool PropertyMap::deserializeFromFile(const std::wstring& path, Error& err) const
{
    return err.check(vsx_propmap_deserialize_from_fileW(handle(), path.c_str()));
}

}  // namespace vsx
