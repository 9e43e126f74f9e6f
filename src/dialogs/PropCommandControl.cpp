#include "dialogs/PropCommandControl.h"

#include <QPushButton>
#include <spdlog/spdlog.h>

namespace vsx::ui_util {

PropCommandControl::PropCommandControl(PropCommand feature, QWidget* parent, Grabber* grabber)
    : PropControlBase(std::move(feature), parent, grabber)
{
    button = new QPushButton(QString::fromStdString(property.displayName()), this);
    connect(button, &QPushButton::clicked, this, [this] { set_value(true); });
    update_all();
    layout->addWidget(button);
}

void PropCommandControl::update_all()
{
    Error local(Error::Record);
    const bool locked = property.isLocked(local);
    if (local.code != Error::kNoError) {
        spdlog::error("update_all: {}", local.message());
        return;
    }
    button->setEnabled(!locked);
}

bool PropCommandControl::set_value_unchecked(bool)
{
    try {
        return property.execute();
    } catch (const std::exception& e) {
        spdlog::error("set_value_unchecked: {}", e.what());
        return false;
    }
}

} // namespace vsx::ui_util
