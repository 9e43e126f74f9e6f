#include "panels/PropertyListImpl.h"

#include "panels/FeatureWrites.h"

namespace VSXUtil {

PropertyListImpl::PropertyListImpl(PropertyElement* owner, vsx::PropEnumeration feature)
    : PropertyInterface(owner, PropertyInterfaceType::List, std::move(feature)),
      entries_(entry_display_names(property_))
{
    update();
}

PropertyListImpl::~PropertyListImpl()
{
    detach();
}

void PropertyListImpl::update()
{
    logFailure(
        [&] {
            if (isAvailable())
                selection_ = property_.selectedEntry(strict_record()).displayName(strict_record());
        },
        "vx_list_interface::update - {}");
}

void PropertyListImpl::set_value(const std::string& displayName)
{
    logFailure(
        [&] {
            if (displayName == selection_ || !writable())
                return;
            const std::string entry = entry_name_for_display(property_, displayName);
            if (!entry.empty() && write_entry(property_, entry))
                selection_ = displayName;
        },
        "vx_list_interface::set_value '{}': {}", logPath());
}

} // namespace VSXUtil
