#include "panels/PropertySwitchImpl.h"

#include "panels/FeatureWrites.h"

namespace VSXUtil {

PropertySwitchImpl::PropertySwitchImpl(PropertyElement* owner, vsx::PropBoolean feature)
    : PropertyInterface(owner, PropertyInterfaceType::Switch, std::move(feature))
{
    update();
}

PropertySwitchImpl::~PropertySwitchImpl()
{
    detach();
}

void PropertySwitchImpl::update()
{
    logFailure(
        [&] {
            if (isAvailable())
                value_ = property_.value(strict_record());
        },
        "vx_switch_interface::update - {}");
}

void PropertySwitchImpl::set_value(bool value)
{
    logFailure(
        [&] {
            if (value != value_ && writable() && write_boolean(property_, value))
                value_ = value;
        },
        "vx_switch_interface::set_value '{}': {}", logPath());
}

} // namespace VSXUtil
