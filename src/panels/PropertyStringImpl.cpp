#include "panels/PropertyStringImpl.h"

#include "panels/FeatureWrites.h"

#include <algorithm>
#include <limits>

namespace VSXUtil {

PropertyStringImpl::PropertyStringImpl(PropertyElement* owner, vsx::PropString feature)
    : PropertyInterface(owner, PropertyInterfaceType::String, std::move(feature))
{
    update();
}

PropertyStringImpl::~PropertyStringImpl()
{
    detach();
}

void PropertyStringImpl::update()
{
    logFailure(
        [&] {
            if (!isAvailable())
                return;
            value_ = property_.getValue(strict_record());
            maxLength_ = property_.maxLength(strict_record());
        },
        "vx_string_interface::update - {}");
}

void PropertyStringImpl::set_value(const std::string& value)
{
    logFailure(
        [&] {
            if (value != value_ && writable() && write_string(property_, value))
                value_ = value;
        },
        "vx_string_interface::set_value '{}': {}", logPath());
}

int32_t PropertyStringImpl::maxLength() const
{
    // A camera may report more than a 32-bit length; the row takes the largest it can hold.
    return static_cast<int32_t>(std::clamp<int64_t>(maxLength_, 0, std::numeric_limits<int32_t>::max()));
}

} // namespace VSXUtil
