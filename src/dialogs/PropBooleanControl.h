#pragma once

#include "dialogs/PropControlBase.h"

class QCheckBox;

namespace vsx::ui_util {

// The editor of a Boolean feature: a check box that writes when toggled.
class PropBooleanControl : public PropControlBase<PropBoolean, bool> {
public:
    PropBooleanControl(PropBoolean feature, QWidget* parent, Grabber* grabber);

    void update_all() override;
    bool set_value_unchecked(bool value) override;

    QCheckBox* check = nullptr;
};

} // namespace vsx::ui_util
