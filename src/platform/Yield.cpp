#include "platform/Yield.h"

#include "platform/TimeScale.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#include <vector>

namespace {

// A wait under way: its condition, and the level of event loop it runs in.
struct Wait {
    const std::function<bool()>* condition;
    int loopLevel;
};

// The waits under way, the innermost last.
std::vector<Wait> waitsUnderWay;

// Qt's own event loop delivers the events already posted before it looks for
// more, and then blocks: a wait whose condition those events fulfilled would
// sleep on until some later event or its bound. So just before the loop
// blocks, the innermost wait's condition is checked, and a wait that is over
// stops the loop from blocking. Only the innermost, and only from its own
// loop: an outer wait that is over resumes once the inner one returns, and a
// modal box opened under a wait runs its own loop, which must go on blocking
// until the box is closed rather than spin.
void stopBeforeBlockingIfWaitIsOver()
{
    if (waitsUnderWay.empty())
        return;
    const Wait& innermost = waitsUnderWay.back();
    if (QThread::currentThread()->loopLevel() == innermost.loopLevel && (*innermost.condition)())
        QAbstractEventDispatcher::instance()->interrupt();
}

void watchForBlocking()
{
    static QAbstractEventDispatcher* watched = nullptr;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher == watched)
        return;
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, stopBeforeBlockingIfWaitIsOver);
    watched = dispatcher;
}

struct WaitUnderWay {
    explicit WaitUnderWay(const std::function<bool()>& condition)
    {
        waitsUnderWay.push_back({ &condition, QThread::currentThread()->loopLevel() });
    }
    ~WaitUnderWay() { waitsUnderWay.pop_back(); }
};

}

void yieldOnce()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool yieldUntil(const std::function<bool()>& condition, int boundMs)
{
    if (condition())
        return true;
    const QDeadlineTimer deadline(TimeScale::scaledMs(boundMs), Qt::PreciseTimer);
    watchForBlocking();
    const WaitUnderWay underWay(condition);
    // WaitForMoreEvents blocks until some event comes; this timer is the event
    // that ends a wait nothing else would wake. Qt may fire a timer before its
    // interval is up (a coarse timer by up to 5 %), and a wait that let its
    // wake-up go by early would sleep past its bound, so it is armed again for
    // whatever is left each time it has fired.
    QTimer wakeUp;
    wakeUp.setSingleShot(true);
    wakeUp.setTimerType(Qt::PreciseTimer);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        if (!wakeUp.isActive())
            wakeUp.start(int(deadline.remainingTime()) + 1);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}
