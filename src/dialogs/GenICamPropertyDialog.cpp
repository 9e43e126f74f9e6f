#include "dialogs/GenICamPropertyDialog.h"

#include "device/CallbackGuard.h"

#include <QCloseEvent>
#include <QPointer>

namespace vsx::ui_util {

void GenICamPropertyDialog::closeEvent(QCloseEvent* event)
{
    guard_callback("GenICamPropertyDialog::closeEvent", [this] {
        clearDevice();
        app::raise_event(closed, this);
    });
    QDockWidget::closeEvent(event);
}

std::shared_ptr<GenICamPropertyDialog> make_property_tree_dock(const std::shared_ptr<Grabber>& grabber)
{
    auto* dock = new GenICamPropertyDialog(nullptr, nullptr, PropertyTreeOptions{false, true, true});
    std::shared_ptr<GenICamPropertyDialog> holder(dock,
                                                  [guard = QPointer<QWidget>(dock)](GenICamPropertyDialog*) {
                                                      if (guard)
                                                          guard->deleteLater();
                                                  });
    if (grabber)
        dock->showDevice(grabber);
    dock->setMinimumWidth(360);
    dock->setMaximumSize(2160, 2160);
    dock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    dock->setContextMenuPolicy(Qt::PreventContextMenu);
    dock->setWindowTitle(QStringLiteral("GenICam Properties"));
    return holder;
}

} // namespace vsx::ui_util
