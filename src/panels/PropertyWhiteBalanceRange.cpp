#include "panels/PropertyWhiteBalanceRange.h"

#include "panels/FeatureWrites.h"
#include "panels/PropertyItem.h"

namespace VSXUtil {

PropertyWhiteBalanceRange::PropertyWhiteBalanceRange(PropertyElement* owner, vsx::PropFloat ratio,
                                                     vsx::PropEnumeration selector, std::string entry)
    : CachedFloat(owner, PropertyInterfaceType::Float, std::move(ratio)), selector_(std::move(selector)),
      entry_(std::move(entry))
{
    increment_ = 0.0;
}

PropertyWhiteBalanceRange::~PropertyWhiteBalanceRange()
{
    detach();
}

std::vector<PropertyInterfaceBase*> PropertyWhiteBalanceRange::groupWrappers()
{
    const PropertyItem* item = owner_ ? owner_->item() : nullptr;
    if (!item)
        return {this};
    std::vector<PropertyInterfaceBase*> wrappers;
    for (const auto& weakElement : item->elements())
        if (const auto element = weakElement.lock())
            for (const auto& weakWrapper : element->properties())
                if (const auto wrapper = weakWrapper.lock())
                    wrappers.push_back(wrapper.get());
    return wrappers;
}

void PropertyWhiteBalanceRange::update()
{
    constexpr const char* failed = "PropertyWhiteBalanceRange::update - {}";
    bool available = false;
    logFailure([&] { available = isAvailable(); }, failed);
    if (!available)
        return;
    // The item owns them all and stays while this runs on the GUI thread.
    const std::vector<PropertyInterfaceBase*> wrappers = groupWrappers();
    logFailure(
        [&] {
            // Moving the selector changes "BalanceRatio": its notifications
            // would only ask every row of the group to read again.
            for (PropertyInterfaceBase* wrapper : wrappers)
                wrapper->disableNotification();
            selector_.setValue(entry_, strict_record());
            readFields(1.0);
        },
        failed);
    // The group follows the camera again on every path.
    for (PropertyInterfaceBase* wrapper : wrappers)
        logFailure([&] { wrapper->enableNotification(); }, failed);
}

void PropertyWhiteBalanceRange::set_value(double value)
{
    logFailure(
        [&] {
            if (value == value_ || !writable())
                return;
            selector_.setValue(entry_, strict_record());
            if (write_float(property_, value))
                value_ = value;
        },
        "PropertyWhiteBalanceRange::set_value '{}': {}", logPath());
}

} // namespace VSXUtil
