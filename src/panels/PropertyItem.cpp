#include "panels/PropertyItem.h"

#include "panels/PropertyInterface.h"

namespace VSXUtil {

std::string property_log_path(const PropertyElement* owner)
{
    if (!owner)
        return {};
    const PropertyItem* item = owner->item();
    return (item ? item->name() : std::string()) + "/" + owner->name();
}

PropertyElement::PropertyElement(PropertyItem* item, std::string name, std::string displayName,
                                 std::string description, std::string role)
    : item_(item), name_(std::move(name)), displayName_(std::move(displayName)),
      description_(std::move(description)), role_(std::move(role))
{
}

PropertyElement::~PropertyElement() = default;

void PropertyElement::add_property(std::shared_ptr<PropertyInterfaceBase> wrapper)
{
    if (wrapper)
        wrappers_.push_back(std::move(wrapper));
}

std::vector<std::weak_ptr<PropertyInterfaceBase>> PropertyElement::properties() const
{
    return {wrappers_.begin(), wrappers_.end()};
}

std::weak_ptr<PropertyInterfaceBase> PropertyElement::property_of_type(PropertyInterfaceType type) const
{
    for (const auto& wrapper : wrappers_)
        if (wrapper->interfaceType() == type)
            return wrapper;
    return {};
}

PropertyItem::PropertyItem(std::string name, std::string page, std::string group)
    : name_(std::move(name)), page_(std::move(page)), group_(std::move(group))
{
}

PropertyItem::~PropertyItem() = default;

std::vector<std::weak_ptr<PropertyElement>> PropertyItem::elements() const
{
    return {elements_.begin(), elements_.end()};
}

std::weak_ptr<PropertyElement> PropertyItem::find_element(const std::string& role) const
{
    for (const auto& element : elements_)
        if (element->role() == role)
            return element;
    return {};
}

std::shared_ptr<PropertyElement> make_property_element(PropertyItem& item, std::string name,
                                                       std::string displayName, std::string description,
                                                       std::string role)
{
    auto element = std::make_shared<PropertyElement>(&item, std::move(name), std::move(displayName),
                                                     std::move(description), std::move(role));
    item.elements_.push_back(element);
    return element;
}

} // namespace VSXUtil
