#include "views/grid/PushParameter.h"

#include <QCoreApplication>

namespace app::QtView {

PushParameter::PushParameter(QWidget* parent)
    : PropertyGridParameterBase<QPushButton>(QCoreApplication::translate("QPushButton", "Push"), parent)
{
    connect(this, &QPushButton::clicked, this, [this] {
        guardedCall("PushParameter::onClicked()", [this] { raise_event(eventClicked, nullptr); });
    });
    installEventFilters();
}

} // namespace app::QtView
