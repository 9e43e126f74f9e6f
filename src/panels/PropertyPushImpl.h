#pragma once

#include "panels/PropertyInterface.h"

namespace VSXUtil {

// A command feature.
class PropertyPushImpl : public PropertyInterface<vsx::PropCommand, PropertyPush> {
public:
    PropertyPushImpl(PropertyElement* owner, vsx::PropCommand feature);
    ~PropertyPushImpl() override;

    // Executes the command.
    void set_value() override;
};

} // namespace VSXUtil
