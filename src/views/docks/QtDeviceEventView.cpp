#include "views/docks/QtDeviceEventView.h"

#include "app/Localization.h"
#include "views/grid/GuardedCall.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QListWidget>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace app::QtView {

QtDeviceEventView::QtDeviceEventView(QWidget* parent)
    : QDockWidget(parent), events_(new QListWidget), log_(new QTextEdit)
{
    setWindowTitle(QStringLiteral("Device Events"));
    setObjectName(QStringLiteral("deviceEventView"));

    events_->setStyleSheet(QStringLiteral("QListWidget {  max-height: 240; }"));
    auto* toolBar = new QToolBar;
    toolBar->setOrientation(Qt::Vertical);
    clear_ = toolBar->addAction(QString::fromStdWString(Localization::getString("Docks/DeviceEvents/Clear")));
    log_->setReadOnly(true);
    log_->setAcceptRichText(false);
    log_->document()->setMaximumBlockCount(kMaxLogLines);

    auto* frame = new QFrame;
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(events_);
    layout->addWidget(toolBar);
    layout->addWidget(log_);
    frame->setMinimumSize(365, 480);
    frame->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::MinimumExpanding);
    setWidget(frame);

    setMinimumWidth(365);
    setMaximumSize(2160, 2160);
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    setContextMenuPolicy(Qt::PreventContextMenu);

    connect(events_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* current) {
        if (!current)
            return;
        guardedCall("QtDeviceEventView::onCurrentItemChanged()",
                    [&] { raise_event(eventSelected, this, current->text().toStdString()); });
    });
    connect(events_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        guardedCall("QtDeviceEventView::onItemChanged()", [&] {
            raise_event(eventEnabledChanged, this, item->text().toStdString(),
                        item->checkState() == Qt::Checked);
        });
    });
    connect(clear_, &QAction::triggered, log_, &QTextEdit::clear);
}

void QtDeviceEventView::setEvents(std::vector<DeviceEventEntry> events)
{
    const QSignalBlocker blocker(events_);
    events_->clear();
    for (const DeviceEventEntry& entry : events) {
        auto* item = new QListWidgetItem(QString::fromStdString(entry.name), events_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(entry.enabled ? Qt::Checked : Qt::Unchecked);
    }
}

QListWidgetItem* QtDeviceEventView::findItem(const std::string& name) const
{
    const QString text = QString::fromStdString(name);
    for (int row = 0; row < events_->count(); ++row)
        if (events_->item(row)->text() == text)
            return events_->item(row);
    return nullptr;
}

void QtDeviceEventView::selectEvent(const std::string& name)
{
    const QSignalBlocker blocker(events_);
    if (QListWidgetItem* item = findItem(name))
        events_->setCurrentItem(item);
}

void QtDeviceEventView::setEventEnabled(const std::string& name, bool enabled)
{
    const QSignalBlocker blocker(events_);
    if (QListWidgetItem* item = findItem(name))
        item->setCheckState(enabled ? Qt::Checked : Qt::Unchecked);
}

void QtDeviceEventView::appendLog(const std::string& line)
{
    // Converted here, on the caller's thread: the posted functor owns its text.
    QTimer::singleShot(0, this, [this, text = QString::fromStdString(line)] { appendLine(text); });
}

void QtDeviceEventView::appendLine(const QString& line)
{
    // A cursor of our own at the end: the user's cursor or selection in the
    // log never decides where a line goes.
    QTextCursor cursor(log_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(line + QLatin1Char('\n'));
    log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
}

void QtDeviceEventView::setEnabled(bool enabled)
{
    QDockWidget::setEnabled(enabled);
}

void QtDeviceEventView::closeEvent(QCloseEvent* event)
{
    guardedCall("QtDeviceEventView::closeEvent()", [this] { raise_event(closed, this); });
    QDockWidget::closeEvent(event);
}

} // namespace app::QtView
