#include "support/ScheduleRun.h"

#include "platform/TimeScale.h"
#include "platform/Timer.h"
#include "platform/Yield.h"
#include "schedule/Engine.h"
#include "schedule/JobSwitch.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMinuteMs = 60'000;
// A month of program time is more than one wait can hold: the wait goes in
// slices of this length (program milliseconds).
constexpr qint64 kWaitSliceMs = 3'600'000;
// How long the job under way at the end may take to wind down (program
// milliseconds): longer than any job's own bounds.
constexpr int kWindDownMs = 3'600'000;

void switchBothOff(Engine& engine)
{
    turnJobSwitch(engine, JobKind::Download, false);
    turnJobSwitch(engine, JobKind::Upload, false);
}

}

bool runSchedule(Engine& engine, const QDateTime& start, const QDateTime& end,
                 const std::function<void(const QDateTime&)>& everyMinute)
{
    engine.clock.runFrom(start);
    everyMinute(start);
    if (!turnJobSwitch(engine, JobKind::Download, true) || !turnJobSwitch(engine, JobKind::Upload, true)) {
        switchBothOff(engine);
        return false;
    }
    Timer minute(kMinuteMs, true);
    QObject::connect(&minute, &Timer::Tick, &minute, [&] { everyMinute(engine.clock.now()); });
    // A precise timer: a coarse one may fire up to 5 % early, which over a
    // month is more than a day of program time. It may fire inside a job,
    // which runs on to its end; only then does the wait below see the run over.
    bool over = false;
    QTimer ending;
    ending.setSingleShot(true);
    ending.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ending, &QTimer::timeout, &ending, [&] {
        engine.Timer1.setEnabled(false);
        engine.Timer2.setEnabled(false);
        over = true;
    });
    const qint64 runMs = start.msecsTo(end);
    ending.start(int(std::llround(double(runMs) * TimeScale::factor())));
    const qint64 boundMs = runMs + kWindDownMs;
    for (qint64 waitedMs = 0; !over && waitedMs < boundMs; waitedMs += kWaitSliceMs)
        yieldUntil([&] { return over; }, int(std::min(kWaitSliceMs, boundMs - waitedMs)));
    switchBothOff(engine);
    return over;
}
