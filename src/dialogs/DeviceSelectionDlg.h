#pragma once

#include "device/DeviceEnum.h"
#include "device/DeviceInfo.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

class DeviceListChangedGuard;
class FormGroupBox;
class IPConfigGroupBox;
class QPushButton;
class QScrollArea;
class QTreeWidget;
class QTreeWidgetItem;
class SwitchDriverGroupBox;
struct InterfaceDeviceItemData;

namespace vsx {
class Grabber;
}

// Which cameras the dialog lists; an empty filter lists every camera.
using DeviceFilter = std::function<bool(const vsx::DeviceInfo&)>;

// The modal dialog in which the user picks the camera to open: the cameras
// under their interfaces, what both report about themselves, the IP
// configuration of network cameras and the driver switch of USB cameras. It
// follows the library's device list live. With a grabber, OK (or a double
// click) opens the chosen camera on it and accepts; without one the dialog
// only shows (browse mode).
//
// Nothing escapes the dialog while it runs: a failure in a slot, an event or
// a pane's action is logged, kept as errorText() and rejects the dialog, for
// the caller to report after exec. The constructor throws like the library
// wrapper under the default error record.
class DeviceSelectionDlg : public QDialog {
public:
    DeviceSelectionDlg(QWidget* parent, vsx::Grabber* grabber, DeviceFilter filter);
    ~DeviceSelectionDlg() override;

    // Whether a failure ended the dialog, and its text.
    bool failed() const { return failed_; }
    const std::string& errorText() const { return errorText_; }

    QTreeWidget* tree() const { return tree_; }
    QPushButton* okButton() const { return ok_; }
    QScrollArea* scrollArea() const { return scroll_; }
    FormGroupBox* interfaceInfoPane() const { return interfaceInfo_; }
    FormGroupBox* deviceInfoPane() const { return deviceInfo_; }
    IPConfigGroupBox* ipConfigPane() const { return ipConfig_; }
    SwitchDriverGroupBox* kernelDriverPane() const { return kernelDriver_; }

protected:
    void customEvent(QEvent* event) override;

private:
    void build_layout();
    void fill_tree();
    void refresh();
    bool select_item(const QVariant& saved);
    void show_selection_info(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void fill_interface_info(const InterfaceDeviceItemData& data, int tlType);
    void fill_device_info(const InterfaceDeviceItemData& data, int tlType);
    void open_selected_device();

    // Runs a slot's work; a failure ends the dialog (see above).
    void run_guarded(const char* where, const std::function<void()>& step);
    void fail(const std::string& text);

    DeviceFilter filter_;
    vsx::Grabber* grabber_;
    std::unique_ptr<vsx::DeviceEnum> enumerator_;
    QTreeWidget* tree_ = nullptr;
    QPushButton* ok_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    FormGroupBox* interfaceInfo_ = nullptr;
    FormGroupBox* deviceInfo_ = nullptr;
    IPConfigGroupBox* ipConfig_ = nullptr;
    SwitchDriverGroupBox* kernelDriver_ = nullptr;
    std::shared_ptr<DeviceListChangedGuard> listChanged_;
    bool failed_ = false;
    std::string errorText_;
};
