#include "DialogFixture.h"

#include "dialogs/DeviceSelectionDlg.h"
#include "dialogs/FormGroupBox.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFormLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

namespace quorel::test {

void DialogTest::SetUp()
{
    init_simulated_cameras();
    throws_ = std::make_unique<LibraryDefaultThrows>(true);
    previousHook_ =
        set_critical_message_hook([this](QWidget*, const QString& text) { messages.push_back(text); });
    useCameras(kBuiltInCameras);
}

void DialogTest::TearDown()
{
    vsxsim_clear_faults();
    settle();
    set_critical_message_hook(previousHook_);
    throws_.reset();
}

void DialogTest::useCameras(const std::string& json)
{
    ASSERT_TRUE(vsxsim_configure(json.c_str())) << json;
    settle();
}

void settle()
{
    EXPECT_TRUE(vsxsim_flush(5000));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void press(QAbstractButton* button)
{
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
}

namespace {

template <typename Match>
QTreeWidgetItem* find_row(const DeviceSelectionDlg& dialog, Match match, bool devices)
{
    QTreeWidget* tree = dialog.tree();
    for (int top = 0; top < tree->topLevelItemCount(); ++top) {
        QTreeWidgetItem* interfaceRow = tree->topLevelItem(top);
        if (!devices) {
            if (match(interfaceRow))
                return interfaceRow;
            continue;
        }
        for (int child = 0; child < interfaceRow->childCount(); ++child)
            if (match(interfaceRow->child(child)))
                return interfaceRow->child(child);
    }
    return nullptr;
}

} // namespace

QTreeWidgetItem* device_row(const DeviceSelectionDlg& dialog, const QString& serial)
{
    return find_row(
        dialog, [&](QTreeWidgetItem* row) { return row->text(1) == serial; }, true);
}

QTreeWidgetItem* interface_row(const DeviceSelectionDlg& dialog, const QString& name)
{
    return find_row(
        dialog, [&](QTreeWidgetItem* row) { return row->text(0) == name; }, false);
}

namespace {

// One column of the interface rows or of the device rows, in tree order.
QStringList column_texts(const DeviceSelectionDlg& dialog, int column, bool devices)
{
    QStringList texts;
    find_row(
        dialog,
        [&](QTreeWidgetItem* row) {
            texts.append(row->text(column));
            return false;
        },
        devices);
    return texts;
}

} // namespace

QStringList interface_names(const DeviceSelectionDlg& dialog)
{
    return column_texts(dialog, 0, false);
}

QStringList device_serials(const DeviceSelectionDlg& dialog)
{
    return column_texts(dialog, 1, true);
}

QStringList row_labels(const FormGroupBox* pane)
{
    QStringList labels;
    QFormLayout* form = pane->form();
    for (int row = 0; row < form->rowCount(); ++row) {
        QLayoutItem* item = form->itemAt(row, QFormLayout::LabelRole);
        auto* label = item ? qobject_cast<QLabel*>(item->widget()) : nullptr;
        labels.append(label ? label->text() : QString(""));
    }
    return labels;
}

QWidget* field_of(const FormGroupBox* pane, const QString& label)
{
    QFormLayout* form = pane->form();
    for (int row = 0; row < form->rowCount(); ++row) {
        QLayoutItem* labelItem = form->itemAt(row, QFormLayout::LabelRole);
        auto* text = labelItem ? qobject_cast<QLabel*>(labelItem->widget()) : nullptr;
        if (!text || text->text() != label)
            continue;
        QLayoutItem* field = form->itemAt(row, QFormLayout::FieldRole);
        return field ? field->widget() : nullptr;
    }
    return nullptr;
}

QString field_text(const FormGroupBox* pane, const QString& label)
{
    QWidget* field = field_of(pane, label);
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        return edit->text();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(field))
        return plain->toPlainText();
    return {};
}

bool same_picture(const QIcon& a, const QIcon& b)
{
    const QImage left = a.pixmap(24, 24).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage right = b.pixmap(24, 24).toImage().convertToFormat(QImage::Format_ARGB32);
    return !left.isNull() && left == right;
}

namespace {

QJsonObject stats(const char* serial)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(simulator_stats(serial))).object();
}

} // namespace

int device_list_registrations()
{
    return stats(nullptr).value("deviceListRegistrations").toInt(-1);
}

bool camera_open(const char* serial)
{
    return stats(serial).value("open").toBool();
}

} // namespace quorel::test
