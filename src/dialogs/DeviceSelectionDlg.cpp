// The device selection dialog: construction, layout, events, opening and the
// end of a failed run.
#include "dialogs/DeviceSelectionDlg.h"

#include "device/Grabber.h"
#include "dialogs/CaughtFailure.h"
#include "dialogs/DeviceEnumeration.h"
#include "dialogs/FormGroupBox.h"
#include "dialogs/IPConfigGroupBox.h"
#include "dialogs/InterfaceDeviceItemData.h"
#include "dialogs/SwitchDriverGroupBox.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <stdexcept>

DeviceSelectionDlg::DeviceSelectionDlg(QWidget* parent, vsx::Grabber* grabber, DeviceFilter filter)
    : QDialog(parent), filter_(std::move(filter)), grabber_(grabber),
      enumerator_(std::make_unique<vsx::DeviceEnum>()),
      listChanged_(std::make_shared<DeviceListChangedGuard>(this))
{
    build_layout();
    refresh();
    // The handler runs on the library's thread and only posts the event.
    register_device_list_changed(
        *enumerator_, [guard = listChanged_](vsx::DeviceEnum&) { guard->post(); },
        vsx::Error::defaultRecord());
}

DeviceSelectionDlg::~DeviceSelectionDlg()
{
    // A handler in flight holds its own reference of the enumerator: it must
    // find the dialog gone before the enumerator is released.
    listChanged_->detach();
    enumerator_.reset();
    filter_ = nullptr;
}

void DeviceSelectionDlg::build_layout()
{
    setWindowTitle(QStringLiteral("Select Device"));
    setMinimumSize(900, 480);
    resize(900, 640);

    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    layout->addLayout(left, 1);

    tree_ = new QTreeWidget;
    tree_->setIconSize(QSize(24, 24));
    tree_->setIndentation(16);
    tree_->setStyleSheet(QStringLiteral(
        "QTreeWidget { border: 1px solid #3f3f46;  } QTreeView::item { padding: 4px; border-width: 1; } "));
    tree_->setRootIsDecorated(false);
    tree_->setItemsExpandable(false);
    tree_->setHeaderHidden(false);
    tree_->setColumnCount(4);
    tree_->setHeaderLabels({QStringLiteral("Device"), QStringLiteral("Serial Number"),
                            QStringLiteral("IP Address"), QStringLiteral("Device User ID")});
    // Every column is at least as wide as its header text, and the list wide
    // enough for all four beside a vertical scroll bar, so no header is cut.
    tree_->ensurePolished();
    tree_->header()->ensurePolished();
    const int widths[] = {160, 100, 95, 85};
    int total =
        2 * tree_->frameWidth() + tree_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, tree_);
    for (int column = 0; column < 4; ++column) {
        const int width = std::max(widths[column], tree_->header()->sectionSizeHint(column));
        tree_->setColumnWidth(column, width);
        total += width;
    }
    tree_->setMinimumWidth(std::max(450, total));
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                run_guarded("DeviceSelectionDlg::show_selection_info",
                            [&] { show_selection_info(current, previous); });
            });
    if (grabber_)
        connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this] {
            run_guarded("DeviceSelectionDlg::open_selected_device", [this] { open_selected_device(); });
        });
    left->addWidget(tree_);

    auto* buttons = new QHBoxLayout;
    auto* update = new QPushButton(QStringLiteral("Update"));
    update->setObjectName(QStringLiteral("updateButton"));
    connect(update, &QPushButton::pressed, this,
            [this] { run_guarded("DeviceSelectionDlg::refresh", [this] { refresh(); }); });
    buttons->addWidget(update);
    if (grabber_) {
        auto* cancel = new QPushButton(QStringLiteral("Cancel"));
        cancel->setObjectName(QStringLiteral("cancelButton"));
        connect(cancel, &QPushButton::pressed, this, &QDialog::reject);
        buttons->addWidget(cancel);
        ok_ = new QPushButton(QStringLiteral("OK"));
        ok_->setObjectName(QStringLiteral("okButton"));
        ok_->setDefault(true);
        connect(ok_, &QPushButton::pressed, this, [this] {
            run_guarded("DeviceSelectionDlg::open_selected_device", [this] { open_selected_device(); });
        });
        buttons->addWidget(ok_);
    } else {
        buttons->addSpacing(150);
        auto* close = new QPushButton(QStringLiteral("Close"));
        close->setObjectName(QStringLiteral("closeButton"));
        close->setDefault(true);
        connect(close, &QPushButton::pressed, this, &QDialog::reject);
        buttons->addWidget(close);
    }
    left->addLayout(buttons);

    interfaceInfo_ = new FormGroupBox(QStringLiteral("Interface Information"));
    deviceInfo_ = new FormGroupBox(QStringLiteral("Device Information"));
    ipConfig_ = new IPConfigGroupBox;
    kernelDriver_ = new SwitchDriverGroupBox;
    const auto paneFailed = [this](const std::string& text) { fail(text); };
    for (FormGroupBox* pane : {interfaceInfo_, deviceInfo_, static_cast<FormGroupBox*>(ipConfig_),
                               static_cast<FormGroupBox*>(kernelDriver_)}) {
        pane->hide();
        pane->setFailureHandler(paneFailed);
    }

    scroll_ = new QScrollArea;
    scroll_->setObjectName(QStringLiteral("rightScroll"));
    scroll_->setStyleSheet(QStringLiteral(
        "QScrollArea#rightScroll { border-width: 1; border-style: solid; border-color: #3f3f46; }"));
    scroll_->setWidgetResizable(true);
    auto* box = new QFrame;
    box->setObjectName(QStringLiteral("rightBox"));
    box->setStyleSheet(QStringLiteral("QFrame#rightBox { padding: 0px; }"));
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(interfaceInfo_);
    column->addWidget(kernelDriver_);
    column->addWidget(deviceInfo_);
    column->addWidget(ipConfig_);
    column->addStretch();
    scroll_->setWidget(box);
    layout->addWidget(scroll_, 2);
}

void DeviceSelectionDlg::customEvent(QEvent* event)
{
    if (event->type() == kDeviceListChangedEvent) {
        run_guarded("DeviceSelectionDlg::refresh", [this] { refresh(); });
        return;
    }
    QDialog::customEvent(event);
}

void DeviceSelectionDlg::open_selected_device()
{
    if (!grabber_ || !ok_ || !ok_->isEnabled())
        return;
    QTreeWidgetItem* item = tree_->currentItem();
    if (!item)
        return;
    const InterfaceDeviceItemData data = item_data_from_variant(item->data(0, kItemDataRole));
    if (data.device.empty())
        return;
    // Code 5 raises VSXLibraryNotInitializedException from the check itself.
    vsx::Error err(vsx::Error::Record);
    if (grabber_->isDeviceOpen() && !grabber_->deviceClose(err))
        throw std::runtime_error(err.message());
    if (!grabber_->deviceOpen(data.device, err))
        throw std::runtime_error(err.message());
    accept();
}

void DeviceSelectionDlg::run_guarded(const char* where, const std::function<void()>& step)
{
    if (const auto failure = run_caught(where, step))
        fail(*failure);
}

void DeviceSelectionDlg::fail(const std::string& text)
{
    if (!failed_) {
        failed_ = true;
        errorText_ = text;
    }
    reject();
}
