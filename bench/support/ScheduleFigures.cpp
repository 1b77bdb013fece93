#include "support/ScheduleFigures.h"

#include <algorithm>
#include <limits>

namespace {

// The start of the site's first job at or after fromMs and before toMs, or -1.
qint64 firstStart(const std::vector<JobSpan>& jobs, JobKind kind, int slot, qint64 fromMs, qint64 toMs)
{
    for (const JobSpan& job : jobs) {
        if (job.kind == kind && job.slot == slot && job.startedMs >= fromMs && job.startedMs < toMs)
            return job.startedMs;
    }
    return -1;
}

}

DueFigures dueFigures(const std::vector<JobSpan>& jobs, const DuePlan& plan, int sitesPerJob)
{
    DueFigures figures;
    for (const JobKind kind : { JobKind::Download, JobKind::Upload }) {
        for (int slot = 1; slot <= sitesPerJob; ++slot) {
            for (int period = 0; period < plan.periods; ++period) {
                const qint64 due = plan.firstDueMs(slot) + period * plan.periodMs();
                const qint64 started = firstStart(jobs, kind, slot, due, due + plan.periodMs());
                ++figures.due;
                if (started < 0)
                    ++figures.missed;
                else if (started >= due + DuePlan::kHourMs)
                    ++figures.late;
            }
        }
    }
    return figures;
}

BusyFigures busyMinutesPerHour(const std::vector<JobSpan>& jobs, const DuePlan& plan)
{
    const int hours = int((plan.endMs() - plan.startMs) / DuePlan::kHourMs);
    if (hours <= 0)
        return {};
    BusyFigures figures { std::numeric_limits<double>::max(), 0, 0 };
    for (int hour = 0; hour < hours; ++hour) {
        const qint64 from = plan.startMs + hour * DuePlan::kHourMs;
        const qint64 to = from + DuePlan::kHourMs;
        qint64 busyMs = 0;
        for (const JobSpan& job : jobs)
            busyMs += std::max<qint64>(0, std::min(job.endedMs, to) - std::max(job.startedMs, from));
        const double minutes = double(busyMs) / 60'000;
        figures.leastMinutes = std::min(figures.leastMinutes, minutes);
        figures.mostMinutes = std::max(figures.mostMinutes, minutes);
        figures.meanMinutes += minutes / hours;
    }
    return figures;
}
