#pragma once

#include "views/IViewBase.h"

namespace app {

// One checkable text item of a drop-down button's list. A handle whose item
// was cleared from the list stays safe to hold: it reads unchecked and ignores
// changes.
class IMenuItem : public IViewBase {
public:
    ~IMenuItem() override = default;

    virtual bool isChecked() = 0;
    virtual void setChecked(bool checked) = 0;

    // The item was chosen; the argument is its checked state afterwards.
    EventList<bool> triggered;
};

} // namespace app
