#pragma once

#include "views/grid/PropertyGridParameterBase.h"

#include <QCheckBox>

namespace app::QtView {

// The check box row. Locked or read-only rows are disabled.
class BoolParamater : public PropertyGridParameterBase<QCheckBox> {
public:
    BoolParamater(bool value, bool locked, bool readOnly, QWidget* parent);

    // A new value is reported first (unless the row's signals are blocked),
    // then the box follows; the stored value raises nothing.
    void setValue(bool v);
    // Stores the value and the flags; raises nothing.
    virtual void setup(bool value, bool locked, bool readOnly);

    bool value() const { return value_; }

    EventList<bool> eventValueChanged;

private:
    void onStateChanged(int state);

    bool value_;
};

} // namespace app::QtView
