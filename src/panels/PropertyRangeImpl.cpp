#include "panels/PropertyRangeImpl.h"

#include "panels/FeatureWrites.h"

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
    logFailure(
        [&] {
            if (!isAvailable())
                return;
            vsx::Error& record = strict_record();
            value_ = property_.value(record);
            minimum_ = property_.minimum(record);
            maximum_ = property_.maximum(record);
            increment_ = property_.incrementMode(record) == kIncrementFixed ? property_.increment(record) : 1;
            representation_ = property_.representation(record);
        },
        "vx_range_interface::update - {}");
}

void PropertyRangeImpl::set_value(int64_t value)
{
    logFailure(
        [&] {
            if (value != value_ && writable() && write_integer(property_, value))
                value_ = value;
        },
        "PropertyRangeImpl::set_value '{}': {}", logPath());
}

std::vector<int64_t> PropertyRangeImpl::valueSet()
{
    std::vector<int64_t> values;
    logFailure(
        [&] {
            if (property_.incrementMode(strict_record()) == kIncrementValidSet)
                values = property_.validValueSet(strict_record());
        },
        "vx_range_interface::valueSet - {}");
    return values;
}

} // namespace VSXUtil
