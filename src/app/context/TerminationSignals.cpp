#include "app/context/TerminationSignals.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace application {

namespace {

int g_fds[2] = {-1, -1};

void on_signal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_fds[0], &byte, 1);  // async-signal-safe
}

}  // namespace

void TerminationSignals::install()
{
    if (g_fds[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_fds) != 0)
        return;
    ::fcntl(g_fds[0], F_SETFL, O_NONBLOCK);  // a flood of signals never blocks the handler
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
}

TerminationSignals::~TerminationSignals() = default;

}  // namespace application
