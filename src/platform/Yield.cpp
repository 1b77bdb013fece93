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
    QDeadlineTimer deadline(TimeScale::scaledMs(boundMs));
    // WaitForMoreEvents blocks until some event comes; this timer is the event
    // that ends a wait nothing else would wake.
    QTimer wakeUp;
    wakeUp.setSingleShot(true);
    wakeUp.start(int(deadline.remainingTime()));
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}
