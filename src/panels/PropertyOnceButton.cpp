#include "panels/PropertyOnceButton.h"

#include "panels/FeatureWrites.h"

#include <spdlog/spdlog.h>

namespace VSXUtil {

PropertyOnceButton::PropertyOnceButton(PropertyElement* owner, vsx::PropEnumeration feature)
    : PropertyInterface(owner, PropertyInterfaceType::Push, std::move(feature))
{
}

PropertyOnceButton::~PropertyOnceButton()
{
    detach();
}

void PropertyOnceButton::set_value()
{
    try {
        if (!writable())
            return;
        write_entry(property_, "Off");
        write_entry(property_, "Once");
    } catch (const std::exception& e) {
        spdlog::error("PropertyOnceButton::set_value '{}': {}", logPath(), e.what());
    }
}

} // namespace VSXUtil
