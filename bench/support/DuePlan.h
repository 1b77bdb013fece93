#pragma once

#include <QtGlobal>

// When each site of a simulated schedule is due, in program time
// (milliseconds since the epoch). Without "Every Hour" each site is due once a
// day, in the hour of the day its slot gives it: slot 1 at 12 AM, slot 2 at
// 1 AM, up to slot 24 at 11 PM. With "Every Hour" every site is due every hour.
struct DuePlan {
    static constexpr qint64 kHourMs = 3'600'000;
    static constexpr qint64 kDayMs = 24 * kHourMs;

    qint64 startMs = 0;
    bool everyHour = false;
    // Days, or hours with "Every Hour" on.
    int periods = 0;

    // 0 to 23.
    static int hourOfDay(int slot) { return (slot - 1) % 24; }

    qint64 periodMs() const { return everyHour ? kHourMs : kDayMs; }
    qint64 endMs() const { return startMs + periods * periodMs(); }
    // The beginning of the site's first due hour.
    qint64 firstDueMs(int slot) const { return everyHour ? startMs : startMs + hourOfDay(slot) * kHourMs; }
    // Whether the site is due in the hour that begins at hourMs.
    bool dueInHour(int slot, qint64 hourMs) const
    {
        const qint64 since = hourMs - firstDueMs(slot);
        return since >= 0 && since % periodMs() == 0 && hourMs < endMs();
    }
};
