#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <optional>

// The date and time the program sees. It follows the system clock unless a test
// has set it, or a benchmark has it run at the time scale.
class Clock {
public:
    QDateTime now() const;
    void set(const QDateTime& fixed);
    // From this call on, the clock reads start plus the real time since then
    // divided by the time scale of this moment: it runs as fast as the scaled
    // timers do, so a minute tick finds it a minute on, and a benchmark can
    // pass a month of the schedule within an hour.
    void runFrom(const QDateTime& start);

private:
    struct ScaledRun {
        QDateTime start;
        QElapsedTimer elapsed;
        double factor;
    };
    std::optional<QDateTime> fixedTime;
    std::optional<ScaledRun> scaledRun;
};
