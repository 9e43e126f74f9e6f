#include "panels/PropertyFloatImpl.h"

#include "panels/FeatureWrites.h"

#include <spdlog/spdlog.h>

namespace VSXUtil {

PropertyFloatImpl::PropertyFloatImpl(PropertyElement* owner, vsx::PropFloat feature)
    : PropertyFloatImpl(owner, std::move(feature), Unread{})
{
    update();
}

PropertyFloatImpl::PropertyFloatImpl(PropertyElement* owner, vsx::PropFloat feature, Unread)
    : PropertyInterface(owner, PropertyInterfaceType::Float, std::move(feature))
{
}

PropertyFloatImpl::~PropertyFloatImpl()
{
    detach();
}

void PropertyFloatImpl::update()
{
    readScaled(1.0);
}

void PropertyFloatImpl::readScaled(double divisor)
{
    try {
        if (!isAvailable())
            return;
        vsx::Error& record = strict_record();
        value_ = property_.value(record) / divisor;
        minimum_ = property_.minimum(record) / divisor;
        maximum_ = property_.maximum(record) / divisor;
        // Without a fixed increment a slider still wants a step: a hundredth of the range.
        increment_ = property_.incrementMode(record) == kIncrementFixed
                         ? property_.increment(record) / divisor
                         : (maximum_ - minimum_) / 100.0;
        representation_ = property_.representation(record);
        unit_ = property_.unit(record);
    } catch (const std::exception& e) {
        spdlog::error("PropertyFloatImpl::update - {}", e.what());
    }
}

void PropertyFloatImpl::set_value(double value)
{
    try {
        if (value == static_cast<double>(static_cast<float>(value_)) || !writable())
            return;
        if (write_float(property_, value))
            value_ = value;
    } catch (const std::exception& e) {
        spdlog::error("vx_abs_interface::set_value '{}': {}", logPath(), e.what());
    }
}

std::vector<double> PropertyFloatImpl::valueSet()
{
    try {
        if (property_.incrementMode(strict_record()) == kIncrementValidSet)
            return property_.validValueSet(strict_record());
    } catch (const std::exception& e) {
        spdlog::error("{}", e.what());
    }
    return {};
}

} // namespace VSXUtil
