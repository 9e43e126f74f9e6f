#pragma once

#include "views/grid/PropertyGridParameterBase.h"

#include <QLabel>

namespace app::QtView {

// The label of a property grid row (PropertyGrid::createLabel sets it up).
class PropertyGridLabelBase : public PropertyGridParameterBase<QLabel> {
public:
    using PropertyGridParameterBase<QLabel>::PropertyGridParameterBase;
};

} // namespace app::QtView
