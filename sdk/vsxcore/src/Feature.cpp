#include "Feature.h"

#include "PropertyMap.h"
#include "Registration.h"

namespace vsxsim {

const char* kind_name(FeatureKind kind)
{
    switch (kind) {
    case FeatureKind::Integer:
        return "Integer";
    case FeatureKind::Float:
        return "Float";
    case FeatureKind::Enumeration:
        return "Enumeration";
    case FeatureKind::Boolean:
        return "Boolean";
    case FeatureKind::String:
        return "String";
    case FeatureKind::Command:
        return "Command";
    case FeatureKind::Category:
        return "Category";
    case FeatureKind::Register:
        return "Register";
    case FeatureKind::EnumEntry:
        return "EnumEntry";
    }
    return "Unknown";
}

Feature::Feature(FeatureKind k, std::string n) : Handle(HandleKind::Prop), kind(k), name(std::move(n))
{
    display_name = name;
    values.resize(1);
    if (kind == FeatureKind::Float)
        inc_mode = 2;
}

Feature::~Feature() = default;

void Feature::add_ref()
{
    if (map)
        map->add_ref();
}

void Feature::release()
{
    if (map)
        map->release();
}

size_t Feature::slot_index() const
{
    if (!selector)
        return 0;
    auto index = static_cast<size_t>(selector->values[0].i);
    return index < values.size() ? index : 0;
}

FeatureValue& Feature::slot()
{
    return values[slot_index()];
}

const FeatureValue& Feature::slot() const
{
    return values[slot_index()];
}

Feature* Feature::entry_by_name(const std::string& symbolic) const
{
    for (Feature* e : entries)
        if (e->name == symbolic)
            return e;
    return nullptr;
}

Feature* Feature::entry_by_value(int64_t value) const
{
    for (Feature* e : entries)
        if (e->entry_value == value)
            return e;
    return nullptr;
}

int Feature::entry_index(const Feature* entry) const
{
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i] == entry)
            return static_cast<int>(i);
    return -1;
}

} // namespace vsxsim
