#include "schedule/Recovery.h"

#include "schedule/Engine.h"

#include <QTimer>

void runAfterJobEnds(Engine& p, std::function<void()> recovery)
{
    ScheduleVars& s = p.schedule;
    s.pendingRecovery = std::move(recovery);
    // With a job procedure on the stack, its caller runs the recovery once it
    // returns; with none, the job has wound down already.
    if (!s.downloadJobRunning && !s.uploadJobRunning)
        QTimer::singleShot(0, &p.deferredCalls, [&p] { runJobWithRecoveries(p, nullptr); });
}

void runJobWithRecoveries(Engine& p, void (*jobProcedure)(Engine&))
{
    if (jobProcedure)
        jobProcedure(p);
    while (p.schedule.pendingRecovery) {
        const std::function<void()> recovery = std::exchange(p.schedule.pendingRecovery, nullptr);
        p.schedule.jobRestarting = true;
        recovery();
        p.schedule.jobRestarting = false;
    }
}
