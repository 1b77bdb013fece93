#pragma once

#include "support/DuePlan.h"

#include <QString>

class MonthSites;

// Puts the new files of each hour in place a few minutes before the hour
// begins, for every site due in it; those of the plan's first hour at once.
// Only a few minutes: with "Every Hour" on, a site still waiting for its turn
// in the hour before would otherwise collect them an hour early.
class FileDrops {
public:
    FileDrops(const MonthSites& sites, const DuePlan& plan, const QString& workPath)
        : sites(sites), plan(plan), workPath(workPath), lastHourMs(plan.startMs - DuePlan::kHourMs)
    {
    }

    // Given the clock's reading now and then: puts what is due by then,
    // catching up on any hour a late reading passed over.
    void at(qint64 nowMs);
    int filesPut() const { return put; }

private:
    const MonthSites& sites;
    DuePlan plan;
    QString workPath;
    qint64 lastHourMs;
    int put = 0;
};
