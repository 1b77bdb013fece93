#include "platform/Yield.h"

#include "platform/TimeScale.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

void yieldOnce()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool yieldUntil(const std::function<bool()>& condition, int boundMs)
{
    if (condition())
        return true;
    const QDeadlineTimer deadline(TimeScale::scaledMs(boundMs), Qt::PreciseTimer);
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
