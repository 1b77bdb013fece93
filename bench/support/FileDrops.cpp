#include "support/FileDrops.h"

#include "support/MonthSites.h"

#include <algorithm>

namespace {

constexpr qint64 kLeadMs = 5 * 60'000;

}

void FileDrops::at(qint64 nowMs)
{
    const qint64 hoursAhead = (nowMs + kLeadMs - plan.startMs) / DuePlan::kHourMs;
    const qint64 lastDueMs = std::min(plan.startMs + hoursAhead * DuePlan::kHourMs, plan.endMs() - DuePlan::kHourMs);
    for (qint64 hour = lastHourMs + DuePlan::kHourMs; hour <= lastDueMs; hour += DuePlan::kHourMs) {
        for (const JobKind kind : { JobKind::Download, JobKind::Upload }) {
            for (int slot = 1; slot <= MonthSites::kSitesPerJob; ++slot) {
                if (!plan.dueInHour(slot, hour))
                    continue;
                sites.putNewFiles(kind, slot, hour, workPath);
                put += MonthSites::kFilesPerDue;
            }
        }
        lastHourMs = hour;
    }
}
