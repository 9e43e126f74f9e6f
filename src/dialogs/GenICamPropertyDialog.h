#pragma once

#include "dialogs/PropertyTreeWidget.h"

namespace vsx::ui_util {

// The application's property tree dock ("GenICam Properties"): closing it
// clears the tree first, so that no editor and no camera notification
// outlives it, and then tells the "closed" listeners.
class GenICamPropertyDialog : public PropertyTreeWidget<QDockWidget> {
public:
    using PropertyTreeWidget<QDockWidget>::PropertyTreeWidget;

protected:
    void closeEvent(QCloseEvent* event) override;
};

// The dock as the main window shows it, for the camera open on the grabber
// (null: empty until showDevice): no root row, information box and filter row,
// at least 360 pixels wide, docked left or right, titled "GenICam Properties".
// The shared pointer's deleter lets Qt delete the dock at the next turn of
// the event loop. Throws vsx::VSXException when the camera fails.
std::shared_ptr<GenICamPropertyDialog> make_property_tree_dock(const std::shared_ptr<Grabber>& grabber);

} // namespace vsx::ui_util
