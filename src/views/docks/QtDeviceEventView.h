#pragma once

#include "views/docks/IDeviceEventView.h"

#include <QDockWidget>

class QAction;
class QListWidget;
class QListWidgetItem;
class QTextEdit;

namespace app::QtView {

// The "Device Events" dock: the camera's event types with a check box each,
// a "Clear" action and the log of received events below them.
class QtDeviceEventView : public QDockWidget, public IDeviceEventView {
public:
    // The log keeps this many lines; older ones drop out at the top, so events
    // sent with every frame cannot grow it without end.
    static constexpr int kMaxLogLines = 5000;

    explicit QtDeviceEventView(QWidget* parent);

    void setEvents(std::vector<DeviceEventEntry> events) override;
    void selectEvent(const std::string& name) override;
    void setEventEnabled(const std::string& name, bool enabled) override;
    void appendLog(const std::string& line) override;
    void setEnabled(bool enabled) override;

    QListWidget* eventList() const { return events_; }
    QTextEdit* log() const { return log_; }
    QAction* clearAction() const { return clear_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QListWidgetItem* findItem(const std::string& name) const;
    void appendLine(const QString& line);

    QListWidget* events_;
    QAction* clear_;
    QTextEdit* log_;
};

} // namespace app::QtView
