#pragma once

#include "support/DuePlan.h"
#include "support/ScheduleLog.h"

// How the jobs the schedule started meet the plan of when their sites were due.
struct DueFigures {
    // Site-days, or site-hours with "Every Hour" on, for both jobs.
    int due = 0;
    // Started, but only after the due hour (and before the site was due again).
    int late = 0;
    // Not started before the site was due again.
    int missed = 0;
};
DueFigures dueFigures(const std::vector<JobSpan>& jobs, const DuePlan& plan, int sitesPerJob);

// How many minutes of each whole hour of the plan a job was running (jobs
// that overlap count twice).
struct BusyFigures {
    double leastMinutes = 0;
    double meanMinutes = 0;
    double mostMinutes = 0;
};
BusyFigures busyMinutesPerHour(const std::vector<JobSpan>& jobs, const DuePlan& plan);
