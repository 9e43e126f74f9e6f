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
    // Catches the signals from now on. Until the first instance exists (the
    // program's start-up, which may block, for instance reading a FIFO) a
    // signal ends the process at once: "Quorel: SIGTERM during start-up;
    // exiting." on standard error and exit code 128 + the signal number.
    // Called first thing in main; safe to call again.
    static void install();

    // Delivers caught signals to the callback while the event loop runs; from
    // now on (also after this instance is gone) signals no longer end the
    // process by themselves.
    explicit TerminationSignals(std::function<void()> onSignal);
    ~TerminationSignals() override;

private:
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace application
