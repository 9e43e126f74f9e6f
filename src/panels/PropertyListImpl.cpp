#include "panels/PropertyListImpl.h"

#include "panels/FeatureWrites.h"

#include <spdlog/spdlog.h>

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
    try {
        if (!isAvailable())
            return;
        const vsx::Property selected = property_.selectedEntry(strict_record());
        selection_ = selected.displayName(strict_record());
    } catch (const std::exception& e) {
        spdlog::error("vx_list_interface::update - {}", e.what());
    }
}

void PropertyListImpl::set_value(const std::string& displayName)
{
    try {
        if (displayName == selection_ || !writable())
            return;
        const std::string entry = entry_name_for_display(property_, displayName);
        if (!entry.empty() && write_entry(property_, entry))
            selection_ = displayName;
    } catch (const std::exception& e) {
        spdlog::error("vx_list_interface::set_value '{}': {}", logPath(), e.what());
    }
}

} // namespace VSXUtil
