#include "panels/PropertyOnceButton.h"

#include "panels/FeatureWrites.h"

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
    logFailure(
        [&] {
            if (!writable())
                return;
            write_entry(property_, "Off");
            write_entry(property_, "Once");
        },
        "PropertyOnceButton::set_value '{}': {}", logPath());
}

} // namespace VSXUtil
