#pragma once

#include "dialogs/PropControlBase.h"

class QPushButton;

namespace vsx::ui_util {

// The editor of a Command feature: a button with the feature's display name
// that executes the command.
class PropCommandControl : public PropControlBase<PropCommand, bool> {
public:
    PropCommandControl(PropCommand feature, QWidget* parent, Grabber* grabber);

    void update_all() override;
    bool set_value_unchecked(bool value) override;

    QPushButton* button = nullptr;
};

} // namespace vsx::ui_util
