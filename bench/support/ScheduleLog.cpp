#include "support/ScheduleLog.h"

#include "schedule/Engine.h"

#include <utility>

ScheduleRecord ScheduleLog::restart(size_t jobsExpected)
{
    ScheduleRecord handed = std::exchange(kept, ScheduleRecord {});
    kept.jobs.reserve(jobsExpected);
    return handed;
}

void ScheduleLog::showMessage(const QString&)
{
    ++kept.messages;
}

void ScheduleLog::fileRecorded(JobKind, const QString& outcomeLine)
{
    if (outcomeLine.endsWith(QLatin1String(" pass")))
        ++kept.filesPassed;
    else
        ++kept.filesFailed;
}

void ScheduleLog::jobStarted(JobKind job, const QString&)
{
    if (jobRunning())
        ++kept.overlaps;
    running(job) = true;
    const SiteTables& sites = watched->sites;
    kept.jobs.push_back({ job, job == JobKind::Download ? sites.downloadSiteIndex : sites.uploadSiteIndex,
                          watched->clock.now().toMSecsSinceEpoch() });
}

void ScheduleLog::jobEnded(JobKind job, const QString& outcome)
{
    running(job) = false;
    if (outcome != QLatin1String("done"))
        ++kept.jobsFailed;
    for (auto span = kept.jobs.rbegin(); span != kept.jobs.rend(); ++span) {
        if (span->kind == job && span->endedMs == 0) {
            span->endedMs = watched->clock.now().toMSecsSinceEpoch();
            return;
        }
    }
}
