#include "panels/PropertyFloatImpl.h"

#include "panels/FeatureWrites.h"

namespace VSXUtil {

PropertyFloatImpl::PropertyFloatImpl(PropertyElement* owner, vsx::PropFloat feature)
    : PropertyFloatImpl(owner, std::move(feature), Unread{})
{
    update();
}

PropertyFloatImpl::PropertyFloatImpl(PropertyElement* owner, vsx::PropFloat feature, Unread)
    : CachedFloat(owner, PropertyInterfaceType::Float, std::move(feature))
{
}

PropertyFloatImpl::~PropertyFloatImpl()
{
    detach();
}

void PropertyFloatImpl::update()
{
    updateIn(1.0);
}

void PropertyFloatImpl::updateIn(double divisor)
{
    logFailure(
        [&] {
            if (isAvailable())
                readFields(divisor);
        },
        "PropertyFloatImpl::update - {}");
}

void PropertyFloatImpl::set_value(double value)
{
    logFailure(
        [&] {
            if (value == static_cast<double>(static_cast<float>(value_)) || !writable())
                return;
            if (write_float(property_, value))
                value_ = value;
        },
        "vx_abs_interface::set_value '{}': {}", logPath());
}

std::vector<double> PropertyFloatImpl::valueSet()
{
    std::vector<double> values;
    logFailure(
        [&] {
            if (property_.incrementMode(strict_record()) == kIncrementValidSet)
                values = property_.validValueSet(strict_record());
        },
        "{}");
    return values;
}

} // namespace VSXUtil
