#include "views/grid/BoolParamater.h"

#include <QSignalBlocker>

namespace app::QtView {

BoolParamater::BoolParamater(bool value, bool locked, bool readOnly, QWidget* parent)
    : PropertyGridParameterBase<QCheckBox>(QString(), parent), value_(value)
{
    setChecked(value);
    setEnabled(!locked && !readOnly);
    connect(this, &QCheckBox::stateChanged, this, [this](int state) {
        guardedCall("BoolParamater::onStateChanged()", [&] { onStateChanged(state); });
    });
    installEventFilters();
}

void BoolParamater::onStateChanged(int state)
{
    value_ = state != 0;
    if (!signalsBlocked())
        raise_event(eventValueChanged, nullptr, value_);
}

void BoolParamater::setValue(bool v)
{
    if (v == value_)
        return;
    value_ = v;
    if (!signalsBlocked())
        raise_event(eventValueChanged, nullptr, v);
    const QSignalBlocker blocker(this);
    setChecked(v);
}

void BoolParamater::setup(bool value, bool locked, bool readOnly)
{
    value_ = value;
    setEnabled(!locked && !readOnly);
    const QSignalBlocker blocker(this);
    setChecked(value);
}

} // namespace app::QtView
