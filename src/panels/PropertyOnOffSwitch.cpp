#include "panels/PropertyOnOffSwitch.h"

#include "panels/FeatureWrites.h"

#include <algorithm>

namespace VSXUtil {

namespace {
bool is_on(const std::string& entry)
{
    return entry == "On" || entry == "Continuous";
}
} // namespace

PropertyOnOffSwitch::PropertyOnOffSwitch(PropertyElement* owner, vsx::PropEnumeration feature)
    : PropertyInterface(owner, PropertyInterfaceType::Switch, std::move(feature)),
      entries_(entry_display_names(property_))
{
    update();
}

PropertyOnOffSwitch::~PropertyOnOffSwitch()
{
    detach();
}

void PropertyOnOffSwitch::update()
{
    logFailure(
        [&] {
            if (!isAvailable())
                return;
            const vsx::Property selected = property_.selectedEntry(strict_record());
            // The switch writes by display name, so it reads by it too; a camera
            // whose names differ from what it shows would otherwise read "off"
            // right after the switch turned it on.
            value_ = is_on(selected.name(strict_record())) || is_on(selected.displayName(strict_record()));
        },
        "PropertyOnOffSwitch::update - {}");
}

void PropertyOnOffSwitch::set_value(bool value)
{
    logFailure(
        [&] {
            if (value == value_ || !writable())
                return;
            const bool continuous =
                std::find(entries_.begin(), entries_.end(), "Continuous") != entries_.end();
            const std::string target = !value ? "Off" : continuous ? "Continuous" : "On";
            const std::string entry = entry_name_for_display(property_, target);
            if (!entry.empty() && write_entry(property_, entry))
                value_ = value;
        },
        "vx_switch_interface::set_value '{}': {}", logPath());
}

} // namespace VSXUtil
