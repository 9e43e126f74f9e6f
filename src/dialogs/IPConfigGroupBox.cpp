#include "dialogs/IPConfigGroupBox.h"

#include "device/Grabber.h"
#include "dialogs/CriticalMessage.h"
#include "dialogs/FormRows.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <string>
#include <utility>

namespace {

const char* const kPersistentEnable = "GevDeviceIPConfigPersistentIPEnable";
const char* const kDhcpEnable = "GevDeviceIPConfigDHCPEnable";
const char* const kLinkLocalEnable = "GevDeviceIPConfigLinkLocalAddressEnable";
const char* const kPersistentAddress = "GevDeviceIPConfigPersistentIPAddress";
const char* const kPersistentMask = "GevDeviceIPConfigPersistentSubnetMask";
const char* const kPersistentGateway = "GevDeviceIPConfigPersistentGateway";
const char* const kForceAddress = "GevDeviceForceIPAddress";
const char* const kForceMask = "GevDeviceForceSubnetMask";
const char* const kForceGateway = "GevDeviceForceGateway";
const QString kNoAddress = QStringLiteral("0.0.0.0");

QString failure_text(const char* what, const vsx::Error& err)
{
    return QStringLiteral("%1:\n%2").arg(QString::fromLatin1(what), QString::fromStdString(err.message()));
}

QString failed_to_set(const char* feature, const vsx::Error& err)
{
    return failure_text((std::string("Failed to set ") + feature).c_str(), err);
}

using AddressTexts = std::array<std::pair<const char*, std::string>, 3>;

// Writes the address texts (when given) in order, then executes the command;
// the first failing step shows its message and stops the sequence.
bool write_and_execute(QWidget* pane, const vsx::PropertyMap& map, const AddressTexts* addresses,
                       const char* command)
{
    vsx::Error err(vsx::Error::Record);
    if (addresses) {
        for (const auto& [feature, text] : *addresses) {
            if (!map.setValueString(feature, text, err)) {
                show_critical_message(pane, failed_to_set(feature, err));
                return false;
            }
        }
    }
    if (!map.executeCommand(command, err)) {
        show_critical_message(pane, failure_text((std::string("Failed to execute ") + command).c_str(), err));
        return false;
    }
    return true;
}

} // namespace

IPConfigGroupBox::IPConfigGroupBox(QWidget* parent) : FormGroupBox(QStringLiteral("IP Configuration"), parent)
{
}

void IPConfigGroupBox::build_persistent_form(const vsx::DeviceInfo& device)
{
    vsx::Error err(vsx::Error::Record);
    vsx::Grabber grabber; // default record: under the throwing default a failure leaves the caller
    vsx::PropertyMap driverMap;
    if (grabber.deviceOpen(device, err))
        driverMap = grabber.driverPropertyMap(err);
    if (driverMap.empty()) {
        form()->addRow(
            new QLabel(QStringLiteral("Error: Unable to access device to change IP Configuration settings")));
        return;
    }
    device_ = device;
    persistentIp_ =
        make_feature_checkbox(driverMap, kPersistentEnable, QStringLiteral("Enable Persistent IP"), form());
    persistentAddress_ = make_ip_edit(driverMap, kPersistentAddress, kNoAddress,
                                      QStringLiteral("Persistent IP Address"), form());
    persistentMask_ = make_ip_edit(driverMap, kPersistentMask, kNoAddress,
                                   QStringLiteral("Persistent Subnet Mask"), form());
    persistentGateway_ = make_ip_edit(driverMap, kPersistentGateway, kNoAddress,
                                      QStringLiteral("Persistent Default Gateway"), form());
    dhcp_ = make_feature_checkbox(driverMap, kDhcpEnable, QStringLiteral("Enable DHCP"), form());
    linkLocal_ = make_feature_checkbox(driverMap, kLinkLocalEnable,
                                       QStringLiteral("Enable Link-Local Address"), form());
    apply_ = new QPushButton(QStringLiteral("Apply Permanent IP Configuration"));
    form()->addRow(apply_);
    connect(apply_, &QPushButton::pressed, this,
            [this] { runAction("IPConfigGroupBox::apply_persistent", [this] { apply_persistent(); }); });

    const auto enableEdits = [this] {
        const bool persistent = persistentIp_ && persistentIp_->isChecked();
        for (QLineEdit* edit : {persistentAddress_.data(), persistentMask_.data(), persistentGateway_.data()})
            if (edit)
                edit->setEnabled(persistent);
    };
    connect(persistentIp_, &QCheckBox::stateChanged, this, enableEdits);
    enableEdits();
    for (QLineEdit* edit : {persistentAddress_.data(), persistentMask_.data(), persistentGateway_.data()})
        connect(edit, &QLineEdit::textChanged, this, [this] { update_apply_button(); });
    connect(persistentIp_, &QCheckBox::stateChanged, this, [this] { update_apply_button(); });
    // Also now: an address the camera reports in a form the validator does not
    // accept must not be applied before anyone edited it.
    update_apply_button();
    // The driver map goes before the temporary grabber, which closes the camera.
}

void IPConfigGroupBox::update_apply_button()
{
    if (!apply_ || !persistentIp_)
        return;
    const bool addressesAcceptable = holds_acceptable_address(persistentAddress_) &&
                                     holds_acceptable_address(persistentMask_) &&
                                     holds_acceptable_address(persistentGateway_);
    apply_->setEnabled(addressesAcceptable || !persistentIp_->isChecked());
}

void IPConfigGroupBox::apply_persistent()
{
    if (!persistentIp_ || !dhcp_ || !apply_)
        return;
    // Everything the steps need is read first: after a message box the pane
    // may hold another form.
    const bool persistent = persistentIp_->isChecked();
    const bool dhcp = dhcp_->isChecked();
    const bool linkLocal = linkLocal_ && linkLocal_->isChecked();
    const std::string address = persistentAddress_ ? persistentAddress_->text().toStdString() : std::string();
    const std::string mask = persistentMask_ ? persistentMask_->text().toStdString() : std::string();
    const std::string gateway = persistentGateway_ ? persistentGateway_->text().toStdString() : std::string();
    const QPointer<QPushButton> apply = apply_;

    vsx::Error err(vsx::Error::Record);
    vsx::Grabber grabber;
    if (!grabber.deviceOpen(device_, err)) {
        show_critical_message(this, failure_text("Failed to acquire device access", err));
        return;
    }
    const vsx::PropertyMap driverMap = grabber.driverPropertyMap(err);
    if (driverMap.empty()) {
        show_critical_message(this, failure_text("Failed to query driver property map", err));
        return;
    }
    if (!driverMap.setValueBool(kPersistentEnable, persistent, err)) {
        show_critical_message(this, failed_to_set(kPersistentEnable, err));
        return;
    }
    if (!driverMap.setValueBool(kDhcpEnable, dhcp, err)) {
        show_critical_message(this, failed_to_set(kDhcpEnable, err));
        return;
    }
    // The link-local switch is written as well (where the camera lets it be
    // written), or its change would be lost.
    const vsx::PropBoolean linkLocalFeature =
        driverMap.findBoolean(kLinkLocalEnable, vsx::Error::ignoreRecord());
    if (!linkLocalFeature.empty() && !linkLocalFeature.isReadonly(vsx::Error::ignoreRecord()) &&
        !driverMap.setValueBool(kLinkLocalEnable, linkLocal, err)) {
        show_critical_message(this, failed_to_set(kLinkLocalEnable, err));
        return;
    }
    const AddressTexts addresses{
        {{kPersistentAddress, address}, {kPersistentMask, mask}, {kPersistentGateway, gateway}}};
    if (write_and_execute(this, driverMap, persistent ? &addresses : nullptr, "GevDeviceIPConfigApply") &&
        apply)
        apply->setEnabled(false);
}

void IPConfigGroupBox::build_force_form(vsx::PropertyMap interfaceMap)
{
    interfaceMap_ = std::move(interfaceMap);
    add_warning_row(QStringLiteral("The device is currently not reachable by unicast messages. It has to be "
                                   "reconfigured to be in (one of) the subnet(s) of the network adapter."),
                    form());
    forceAddress_ =
        make_ip_edit(interfaceMap_, kForceAddress, kNoAddress, QStringLiteral("Force IP Address"), form());
    forceMask_ =
        make_ip_edit(interfaceMap_, kForceMask, kNoAddress, QStringLiteral("Force Subnet Mask"), form());
    forceGateway_ = make_ip_edit(interfaceMap_, kForceGateway, kNoAddress,
                                 QStringLiteral("Force Default Gateway"), form());
    force_ = new QPushButton(QStringLiteral("Force Temporary IP Configuration"));
    form()->addRow(force_);
    connect(force_, &QPushButton::pressed, this,
            [this] { runAction("IPConfigGroupBox::force_ip", [this] { force_ip(); }); });
    for (QLineEdit* edit : {forceAddress_.data(), forceMask_.data(), forceGateway_.data()})
        connect(edit, &QLineEdit::textChanged, this, [this] { update_force_button(); });
    update_force_button();
}

void IPConfigGroupBox::update_force_button()
{
    if (!force_)
        return;
    force_->setEnabled(holds_acceptable_address(forceAddress_) && holds_acceptable_address(forceMask_) &&
                       holds_acceptable_address(forceGateway_));
}

void IPConfigGroupBox::force_ip()
{
    if (!forceAddress_ || !forceMask_ || !forceGateway_ || !force_)
        return;
    const std::string address = forceAddress_->text().toStdString();
    const std::string mask = forceMask_->text().toStdString();
    const std::string gateway = forceGateway_->text().toStdString();
    const QPointer<QPushButton> force = force_;
    const vsx::PropertyMap interfaceMap = interfaceMap_;

    const AddressTexts addresses{{{kForceAddress, address}, {kForceMask, mask}, {kForceGateway, gateway}}};
    if (write_and_execute(this, interfaceMap, &addresses, "GevDeviceForceIP") && force)
        force->setEnabled(false);
}
