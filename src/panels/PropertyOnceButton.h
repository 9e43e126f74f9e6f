#pragma once

#include "panels/PropertyInterface.h"

namespace VSXUtil {

// The "Once" entry of an automatic mode, as a push button.
class PropertyOnceButton : public PropertyInterface<vsx::PropEnumeration, PropertyPush> {
public:
    PropertyOnceButton(PropertyElement* owner, vsx::PropEnumeration feature);
    ~PropertyOnceButton() override;

    // Selects "Off", then "Once".
    void set_value() override;
};

} // namespace VSXUtil
