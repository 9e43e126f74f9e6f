#include "panels/PropertySwitchImpl.h"

#include "panels/FeatureWrites.h"

#include <spdlog/spdlog.h>

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
    try {
        if (!isAvailable())
            return;
        value_ = property_.value(strict_record());
    } catch (const std::exception& e) {
        spdlog::error("vx_switch_interface::update - {}", e.what());
    }
}

void PropertySwitchImpl::set_value(bool value)
{
    try {
        if (value == value_ || !writable())
            return;
        if (write_boolean(property_, value))
            value_ = value;
    } catch (const std::exception& e) {
        spdlog::error("vx_switch_interface::set_value '{}': {}", logPath(), e.what());
    }
}

} // namespace VSXUtil
