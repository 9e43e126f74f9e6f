#pragma once

#include "panels/PropertyInterface.h"

namespace VSXUtil {

// A boolean feature.
class PropertySwitchImpl : public PropertyInterface<vsx::PropBoolean, PropertySwitch> {
public:
    PropertySwitchImpl(PropertyElement* owner, vsx::PropBoolean feature);
    ~PropertySwitchImpl() override;

    void update() override;
    bool value() const override { return value_; }
    void set_value(bool value) override;

private:
    bool value_ = false;
};

} // namespace VSXUtil
