#include "panels/PropertyWhiteBalanceRange.h"

#include "panels/FeatureWrites.h"
#include "panels/PropertyItem.h"

#include <spdlog/spdlog.h>

namespace VSXUtil {

PropertyWhiteBalanceRange::PropertyWhiteBalanceRange(PropertyElement* owner, vsx::PropFloat ratio,
                                                     vsx::PropEnumeration selector, std::string entry)
    : PropertyInterface(owner, PropertyInterfaceType::Float, std::move(ratio)),
      selector_(std::move(selector)), entry_(std::move(entry))
{
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
    try {
        if (!isAvailable())
            return;
    } catch (const std::exception& e) {
        spdlog::error("PropertyWhiteBalanceRange::update - {}", e.what());
        return;
    }
    // The item owns them all and stays while this runs on the GUI thread.
    const std::vector<PropertyInterfaceBase*> wrappers = groupWrappers();
    try {
        // Moving the selector changes "BalanceRatio": its own notifications
        // would only ask every row of the group to read again.
        for (PropertyInterfaceBase* wrapper : wrappers)
            wrapper->disableNotification();
        vsx::Error& record = strict_record();
        selector_.setValue(entry_, record);
        unit_ = property_.unit(record);
        representation_ = property_.representation(record);
        value_ = property_.value(record);
        minimum_ = property_.minimum(record);
        maximum_ = property_.maximum(record);
        increment_ = property_.incrementMode(record) == kIncrementFixed ? property_.increment(record)
                                                                        : (maximum_ - minimum_) / 100.0;
    } catch (const std::exception& e) {
        spdlog::error("PropertyWhiteBalanceRange::update - {}", e.what());
    }
    // The group follows the camera again on every path.
    for (PropertyInterfaceBase* wrapper : wrappers) {
        try {
            wrapper->enableNotification();
        } catch (const std::exception& e) {
            spdlog::error("PropertyWhiteBalanceRange::update - {}", e.what());
        }
    }
}

void PropertyWhiteBalanceRange::set_value(double value)
{
    try {
        if (value == value_ || !writable())
            return;
        selector_.setValue(entry_, strict_record());
        if (write_float(property_, value))
            value_ = value;
    } catch (const std::exception& e) {
        spdlog::error("PropertyWhiteBalanceRange::set_value '{}': {}", logPath(), e.what());
    }
}

} // namespace VSXUtil
