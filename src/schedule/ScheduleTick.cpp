#include "schedule/ScheduleTick.h"

#include "config/NumberText.h"
#include "platform/ClockTexts.h"
#include "schedule/Engine.h"
#include "schedule/JobRun.h"
#include "schedule/Recovery.h"
#include "schedule/SiteTime.h"

namespace {

// The clock as the tick reads it once, at its start.
struct ClockTexts {
    QString date;     // D: "yyyymmdd"
    int hour;         // H
    int minute;       // M
    QString halfDay;  // P: "AM" or "PM"
    QString time;     // for the caption
};

ClockTexts readClock(Engine& p)
{
    const QDateTime now = p.clock.now();
    const QString t = timeDigitsAmPm(now.time());
    return { dateDigits(now.date()), t.left(2).toInt(), t.mid(2, 2).toInt(), t.right(2),
             timeWithColonsAmPm(now.time()) };
}

// What differs between the two ticks.
struct TickParts {
    SiteColumns site;
    int& tickCount;
    bool& ownJobRunning;
    bool& dupeCheck;
    int& retryCount;
    void (*resetResumeValues)(Engine&);
    QString captionPrefix;
    void (*jobProcedure)(Engine&);
    void (*advanceTime)(Engine&, const QString&, const QString&);
};

TickParts downloadTick(Engine& p)
{
    ScheduleVars& s = p.schedule;
    return { downloadSiteColumns(p.sites), s.downloadTickCount, s.downloadJobRunning, p.options.downloadDupeCheck,
             s.downloadRetryCount,
             [](Engine& e) {
                 e.schedule.downloadResumePosition = 1;
                 e.schedule.downloadResumeEntry = 0;
                 e.transfer.downloadResumeName.clear();
             },
             QStringLiteral("Tolvane- Downloading at "), runDownloadJob, advanceDownloadSiteTime };
}

TickParts uploadTick(Engine& p)
{
    ScheduleVars& s = p.schedule;
    return { uploadSiteColumns(p.sites), s.uploadTickCount, s.uploadJobRunning, p.options.uploadDupeCheck,
             s.uploadRetryCount, [](Engine& e) { e.schedule.uploadResumeIndex = 0; },
             QStringLiteral("Tolvane- Uploading at "), runUploadJob, advanceUploadSiteTime };
}

void moveScan(TickParts& t)
{
    if (t.tickCount == 0)
        t.site.index = 0;
    ++t.tickCount;
    ++t.site.index;
    if (t.site.index > t.site.count)
        t.site.index = 1;
}

bool siteHourIsNow(const TickParts& t, const ClockTexts& c)
{
    return valueOf(t.site.current(t.site.hours)) == c.hour && t.site.current(t.site.amPm) == c.halfDay;
}

void idleBranch(Engine& p, TickParts& t, const ClockTexts& c, bool everyHour)
{
    SiteColumns& site = t.site;
    if (valueOf(site.current(site.activeFlags)) != 1)
        return;
    t.dupeCheck = valueOf(site.current(site.dupeFlags)) == 1;
    const size_t slot = size_t(site.index);
    const bool starts = siteHourIsNow(t, c) && (site.lastRunDates[slot] != c.date || everyHour);
    if (!starts)
        return;
    site.lastRunDates[slot] = c.date;
    t.retryCount = 0;
    t.resetResumeValues(p);
    if (everyHour)
        t.advanceTime(p, site.hours[slot], site.amPm[slot]);
    p.transferCaptionPrefix = t.captionPrefix;
    p.setCaption(QStringLiteral("Tolvane- Connecting at ") + c.time);
    runJobWithRecoveries(p, t.jobProcedure);
    // A site whose time the job has left behind the tick's hour moves on to
    // the hour after it.
    if (everyHour && siteTimeNotAhead(QString::number(c.hour), c.halfDay, site.current(site.hours),
                                      site.current(site.amPm)))
        t.advanceTime(p, QString::number(c.hour), c.halfDay);
}

void busyBranch(Engine& p, TickParts& t, const ClockTexts& c, bool everyHour)
{
    SiteColumns& site = t.site;
    const bool postpone = siteHourIsNow(t, c) && c.minute > 58
        && ((site.current(site.lastRunDates) != c.date && !t.ownJobRunning) || everyHour);
    if (postpone)
        t.advanceTime(p, site.current(site.hours), site.current(site.amPm));
    --site.index;
    if (site.index < 1)
        site.index = site.count;
}

void scheduleTick(Engine& p, TickParts t)
{
    const ClockTexts c = readClock(p);
    moveScan(t);
    const bool everyHour = p.options.ai_hr;
    const ScheduleVars& s = p.schedule;
    if (!p.session.recoveryInProgress && !s.downloadJobRunning && !s.uploadJobRunning)
        idleBranch(p, t, c, everyHour);
    else
        busyBranch(p, t, c, everyHour);
}

}

void downloadScheduleTick(Engine& p)
{
    scheduleTick(p, downloadTick(p));
}

void uploadScheduleTick(Engine& p)
{
    scheduleTick(p, uploadTick(p));
}

void advanceDownloadSiteTime(Engine& p, const QString& hour, const QString& halfDay)
{
    SiteColumns site = downloadSiteColumns(p.sites);
    advanceSiteTime(site, hour, halfDay);
}

void advanceUploadSiteTime(Engine& p, const QString& hour, const QString& halfDay)
{
    SiteColumns site = uploadSiteColumns(p.sites);
    advanceSiteTime(site, hour, halfDay);
}
