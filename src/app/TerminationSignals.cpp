#include "app/TerminationSignals.h"

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = { SIGTERM, SIGINT };

// The end the handler writes to; set before the handler is installed.
volatile sig_atomic_t signalledEnd = -1;

void noteSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // The end does not block: with bytes already waiting, one more is not needed.
    [[maybe_unused]] const ssize_t written = ::write(signalledEnd, &byte, 1);
    errno = savedErrno;
}

void handleSignalsWith(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

}

TerminationSignals::TerminationSignals(std::function<void()> call) : onSignal(std::move(call))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0)
        return;
    signalledEnd = ends[0];
    notifier = std::make_unique<QSocketNotifier>(ends[1], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [this] {
        notifier->setEnabled(false);
        onSignal();
    });
    handleSignalsWith(noteSignal);
}

TerminationSignals::~TerminationSignals()
{
    if (!watching())
        return;
    handleSignalsWith(SIG_DFL);
    signalledEnd = -1;
    notifier.reset();
    ::close(ends[0]);
    ::close(ends[1]);
}
