#pragma once

#include "device/SimulatedCameras.h"
#include "dialogs/CriticalMessage.h"

#include <QIcon>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class DeviceSelectionDlg;
class FormGroupBox;
class QAbstractButton;
class QTreeWidgetItem;
class QWidget;

namespace quorel::test {

// The built-in cameras: two USB3 Vision cameras (41000001, 41000002), a
// reachable (52000003) and an unreachable (52000004) GigE Vision camera on an
// adapter with two subnets, and an analog camera on an interface of no
// transport-layer kind.
inline constexpr const char* kBuiltInCameras = R"({"extends": "default"})";

// The simulated cameras with the throwing library default (as the main
// controller sets it before it opens anything), a camera set per test, and the
// panes' message boxes recorded instead of shown.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the camera set (a configuration as VSXSIM_CONFIG takes it).
    void useCameras(const std::string& json);

    std::vector<QString> messages;

private:
    std::unique_ptr<LibraryDefaultThrows> throws_;
    CriticalMessageHook previousHook_;
};

// Lets the library deliver every notification, then handles what that posted.
void settle();

// Presses and releases the button as a user would (it acts on "pressed").
void press(QAbstractButton* button);

QTreeWidgetItem* device_row(const DeviceSelectionDlg& dialog, const QString& serial);
QTreeWidgetItem* interface_row(const DeviceSelectionDlg& dialog, const QString& name);
QStringList interface_names(const DeviceSelectionDlg& dialog);
// The serial numbers of the device rows, in tree order.
QStringList device_serials(const DeviceSelectionDlg& dialog);

// The labels of a pane's rows, in order; a spanning row counts as "".
QStringList row_labels(const FormGroupBox* pane);
// The field of the row with this label, or null.
QWidget* field_of(const FormGroupBox* pane, const QString& label);
// The text of that field (line edit or plain text), or a null string.
QString field_text(const FormGroupBox* pane, const QString& label);

bool same_picture(const QIcon& a, const QIcon& b);

// From the library's statistics.
int device_list_registrations();
bool camera_open(const char* serial);

} // namespace quorel::test

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
