#pragma once

#include "panels/PropertyInterface.h"

namespace VSXUtil {

// An enumeration with an off and an on entry ("On" or "Continuous") shown as
// a switch. Its entries' display names are read once, when it is made.
class PropertyOnOffSwitch : public PropertyInterface<vsx::PropEnumeration, PropertySwitch> {
public:
    PropertyOnOffSwitch(PropertyElement* owner, vsx::PropEnumeration feature);
    ~PropertyOnOffSwitch() override;

    // On exactly when the selected entry is named or shown "On" or "Continuous".
    void update() override;
    bool value() const override { return value_; }
    // On selects "Continuous" when there is one, else "On"; off selects "Off".
    // The cached state changes only when the camera took the entry.
    void set_value(bool value) override;

private:
    const std::vector<std::string> entries_;
    bool value_ = false;
};

} // namespace VSXUtil
