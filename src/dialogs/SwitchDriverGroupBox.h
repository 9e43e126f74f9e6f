#pragma once

#include "device/DeviceInfo.h"
#include "device/PropertyMap.h"
#include "dialogs/FormGroupBox.h"

#include <QPointer>
#include <QPushButton>

// The "Kernel Driver" pane of a USB3 Vision camera that an incompatible kernel
// driver keeps from being used: installs the compatible one through the
// interface's map. The device list follows when the library reports it.
class SwitchDriverGroupBox : public FormGroupBox {
public:
    explicit SwitchDriverGroupBox(QWidget* parent = nullptr);

    // Fills the empty pane for the camera (selected on its interface by the caller).
    void build(const vsx::DeviceInfo& device);
    // The "Switch Driver" button's action.
    void switch_driver();

    QPushButton* switchButton() const { return switch_; }

private:
    vsx::DeviceInfo device_;
    vsx::PropertyMap interfaceMap_;
    QPointer<QPushButton> switch_;
};
