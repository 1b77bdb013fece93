#include "platform/Clock.h"

#include "platform/TimeScale.h"

#include <cmath>

QDateTime Clock::now() const
{
    if (fixedTime)
        return *fixedTime;
    if (scaledRun) {
        const double realMs = double(scaledRun->elapsed.nsecsElapsed()) / 1e6;
        return scaledRun->start.addMSecs(std::llround(realMs / scaledRun->factor));
    }
    return QDateTime::currentDateTime();
}

void Clock::set(const QDateTime& fixed)
{
    scaledRun.reset();
    fixedTime = fixed;
}

void Clock::runFrom(const QDateTime& start)
{
    fixedTime.reset();
    scaledRun = ScaledRun { start, QElapsedTimer(), TimeScale::factor() };
    scaledRun->elapsed.start();
}
