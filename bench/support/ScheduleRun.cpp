#include "support/ScheduleRun.h"

#include "platform/TimeScale.h"
#include "platform/Timer.h"
#include "platform/Yield.h"
#include "schedule/Engine.h"
#include "schedule/JobSwitch.h"

#include <QTimer>

#include <cmath>

namespace {

constexpr int kMinuteMs = 60'000;
// The outermost wait sleeps in slices of this length (program milliseconds).
constexpr int kWaitSliceMs = 3'600'000;

}

bool runSchedule(Engine& engine, const QDateTime& start, const QDateTime& end,
                 const std::function<void(const QDateTime&)>& everyMinute)
{
    engine.clock.runFrom(start);
    everyMinute(start);
    if (!turnJobSwitch(engine, JobKind::Download, true) || !turnJobSwitch(engine, JobKind::Upload, true))
        return false;
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
    ending.start(int(std::llround(double(start.msecsTo(end)) * TimeScale::factor())));
    while (!yieldUntil([&] { return over; }, kWaitSliceMs)) {
    }
    turnJobSwitch(engine, JobKind::Download, false);
    turnJobSwitch(engine, JobKind::Upload, false);
    return true;
}
