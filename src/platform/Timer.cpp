#include "platform/Timer.h"

#include "platform/TimeScale.h"

Timer::Timer(int intervalMs, bool enabled, QObject* parent)
    : QObject(parent), interval(intervalMs), enabled(enabled)
{
    connect(&qtimer, &QTimer::timeout, this, [this] {
        QMetaObject::invokeMethod(this, [this] {
            if (this->enabled)
                emit Tick();
        }, Qt::QueuedConnection);
    });
    restart();
}

void Timer::setInterval(int intervalMs)
{
    interval = intervalMs;
    restart();
}

void Timer::setEnabled(bool on)
{
    if (on == enabled)
        return;
    enabled = on;
    restart();
}

void Timer::restart()
{
    if (enabled && interval > 0)
        qtimer.start(TimeScale::scaledMs(interval));
    else
        qtimer.stop();
}
