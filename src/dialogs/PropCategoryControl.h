#pragma once

#include "dialogs/PropControlBase.h"

namespace vsx::ui_util {

// The value column of a category row: an empty bar in the category colour.
class PropCategoryControl : public PropControlBase<PropCategory, int> {
public:
    PropCategoryControl(PropCategory feature, QWidget* parent, Grabber* grabber);

    void update_all() override {}
    bool set_value_unchecked(int) override { return true; }
};

} // namespace vsx::ui_util
