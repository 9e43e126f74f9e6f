#include "panels/PropertyRangeImpl.h"

#include "panels/FeatureWrites.h"

#include <spdlog/spdlog.h>

namespace VSXUtil {

PropertyRangeImpl::PropertyRangeImpl(PropertyElement* owner, vsx::PropInteger feature)
    : PropertyInterface(owner, PropertyInterfaceType::Range, std::move(feature))
{
    update();
}

PropertyRangeImpl::~PropertyRangeImpl()
{
    detach();
}

void PropertyRangeImpl::update()
{
    try {
        if (!isAvailable())
            return;
        vsx::Error& record = strict_record();
        value_ = property_.value(record);
        minimum_ = property_.minimum(record);
        maximum_ = property_.maximum(record);
        increment_ = property_.incrementMode(record) == kIncrementFixed ? property_.increment(record) : 1;
        representation_ = property_.representation(record);
    } catch (const std::exception& e) {
        spdlog::error("vx_range_interface::update - {}", e.what());
    }
}

void PropertyRangeImpl::set_value(int64_t value)
{
    try {
        if (value == value_ || !writable())
            return;
        if (write_integer(property_, value))
            value_ = value;
    } catch (const std::exception& e) {
        spdlog::error("PropertyRangeImpl::set_value '{}': {}", logPath(), e.what());
    }
}

std::vector<int64_t> PropertyRangeImpl::valueSet()
{
    try {
        if (property_.incrementMode(strict_record()) == kIncrementValidSet)
            return property_.validValueSet(strict_record());
    } catch (const std::exception& e) {
        spdlog::error("vx_range_interface::valueSet - {}", e.what());
    }
    return {};
}

} // namespace VSXUtil
