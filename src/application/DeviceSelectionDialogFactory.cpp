#include "application/DeviceSelectionDialogFactory.h"

#include "dialogs/DeviceSelectionDlg.h"

namespace application {

namespace {

class DeviceSelectionDialog : public app::IDeviceSelectionDialog {
public:
    DeviceSelectionDialog(vsx::Grabber* grabber, app::OfferedDeviceFilter filter)
        : dialog_(nullptr, grabber, std::move(filter))
    {
    }
    bool exec() override { return dialog_.exec() == QDialog::Accepted; }
    std::string errorText() const override { return dialog_.failed() ? dialog_.errorText() : std::string(); }

private:
    DeviceSelectionDlg dialog_;
};

} // namespace

app::DeviceSelectionDialogFactory device_selection_dialog_factory()
{
    return [](vsx::Grabber* grabber,
              app::OfferedDeviceFilter filter) -> std::unique_ptr<app::IDeviceSelectionDialog> {
        return std::make_unique<DeviceSelectionDialog>(grabber, std::move(filter));
    };
}

} // namespace application
