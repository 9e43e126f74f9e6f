#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace application {

// Turns SIGINT, SIGTERM and SIGHUP into a callback on the GUI thread, so that
// Ctrl+C in a terminal or the end of the session closes the program the way the
// user's close does (settings written, cameras closed).
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Catches the signals from now on; one that arrives before an instance
    // exists is kept and delivered to the first instance. Called first thing
    // in main; safe to call again.
    static void install();

    // Delivers caught signals to the callback while the event loop runs.
    explicit TerminationSignals(std::function<void()> onSignal);
    ~TerminationSignals() override;

private:
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace application
