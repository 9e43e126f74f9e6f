#pragma once

#include "device/DeviceInfo.h"
#include "device/PropertyMap.h"
#include "dialogs/FormGroupBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

// The "IP Configuration" pane of a GigE Vision camera. The persistent form
// opens the camera on a temporary grabber and writes its driver map's stored
// configuration; the force form writes a temporary configuration through the
// interface's map without opening the camera. The pane holds at most one form;
// its widgets are meaningful only while that form is shown.
class IPConfigGroupBox : public FormGroupBox {
public:
    explicit IPConfigGroupBox(QWidget* parent = nullptr);

    // Fills the empty pane; a camera that cannot be opened (or whose driver
    // map cannot be read) gets an error row instead.
    void build_persistent_form(const vsx::DeviceInfo& device);
    // The apply button's action: every failing step shows its message and
    // stops; earlier writes stay.
    void apply_persistent();
    // Fills the empty pane; the interface map addresses the camera through its
    // "DeviceSelector", which the caller has set.
    void build_force_form(vsx::PropertyMap interfaceMap);
    // The force button's action.
    void force_ip();

    QCheckBox* persistentIpCheck() const { return persistentIp_; }
    QCheckBox* dhcpCheck() const { return dhcp_; }
    QCheckBox* linkLocalCheck() const { return linkLocal_; }
    QLineEdit* persistentAddressEdit() const { return persistentAddress_; }
    QLineEdit* persistentMaskEdit() const { return persistentMask_; }
    QLineEdit* persistentGatewayEdit() const { return persistentGateway_; }
    QPushButton* applyButton() const { return apply_; }
    QLineEdit* forceAddressEdit() const { return forceAddress_; }
    QLineEdit* forceMaskEdit() const { return forceMask_; }
    QLineEdit* forceGatewayEdit() const { return forceGateway_; }
    QPushButton* forceButton() const { return force_; }

private:
    void update_apply_button();
    void update_force_button();

    vsx::DeviceInfo device_;
    vsx::PropertyMap interfaceMap_;
    QPointer<QCheckBox> persistentIp_;
    QPointer<QCheckBox> dhcp_;
    QPointer<QLineEdit> persistentAddress_;
    QPointer<QLineEdit> persistentMask_;
    QPointer<QLineEdit> persistentGateway_;
    QPointer<QPushButton> apply_;
    QPointer<QLineEdit> forceAddress_;
    QPointer<QLineEdit> forceMask_;
    QPointer<QLineEdit> forceGateway_;
    QPointer<QPushButton> force_;
    QPointer<QCheckBox> linkLocal_;
};
