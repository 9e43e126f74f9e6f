#include "application/TerminationSignals.h"

#include <QSocketNotifier>
#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace application {

namespace {

int g_fds[2] = {-1, -1};
// Set once the first instance delivers signals to the event loop; never reset,
// so that a signal during shut-down cannot cut off the saving of files.
std::atomic<bool> g_delivering{false};
static_assert(std::atomic<bool>::is_always_lock_free, "read in a signal handler");

void write_stderr(const char* text)
{
    [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, text, std::strlen(text));
}

// Only async-signal-safe calls here.
void on_signal(int signal)
{
    if (!g_delivering.load()) {
        // Start-up: nothing is open that needs saving, and the start-up may be
        // blocked (reading a FIFO, say) where no event loop will ever look.
        write_stderr(signal == SIGINT    ? "Quorel: SIGINT during start-up; exiting.\n"
                     : signal == SIGTERM ? "Quorel: SIGTERM during start-up; exiting.\n"
                                         : "Quorel: SIGHUP during start-up; exiting.\n");
        ::_exit(128 + signal);
    }
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_fds[0], &byte, 1);
}

} // namespace

void TerminationSignals::install()
{
    if (g_fds[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_fds) != 0)
        return;
    ::fcntl(g_fds[0], F_SETFL, O_NONBLOCK); // a flood of signals never blocks the handler
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

TerminationSignals::TerminationSignals(std::function<void()> onSignal) : onSignal_(std::move(onSignal))
{
    install();
    if (g_fds[1] < 0)
        return;
    notifier_ = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char byte;
        [[maybe_unused]] ssize_t n = ::read(g_fds[1], &byte, 1);
        if (onSignal_)
            onSignal_();
    });
    g_delivering = true;
}

TerminationSignals::~TerminationSignals() = default;

} // namespace application
