#pragma once

#include <QSocketNotifier>

#include <functional>
#include <memory>

// SIGTERM and SIGINT, handled in the event loop rather than in a signal
// handler, where nothing but a few system calls may safely run: the handler
// only writes a byte into a socket pair, and a notifier on its other end makes
// the call. The call is made once: closing yields to the event loop, and a
// second signal meanwhile must not start it again. While the object lives.
class TerminationSignals {
public:
    explicit TerminationSignals(std::function<void()> onSignal);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the socket pair could not be made: the signals then end the
    // process as they would by default.
    bool watching() const { return notifier != nullptr; }

private:
    int ends[2] = { -1, -1 };
    std::unique_ptr<QSocketNotifier> notifier;
    std::function<void()> onSignal;
};
