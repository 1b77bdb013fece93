// The schedule ticks against a set clock: when a site starts (its hour, its
// half of the day, once a day or every hour), and what a tick does while a
// job runs: it postpones, it holds the scan, it never starts a second job.
#include "schedule/JobRun.h"
#include "schedule/ScheduleTick.h"
#include "support/EngineUnderTest.h"
#include "support/Rows.h"
#include "support/ScriptedFtpPeer.h"

#include <QtTest>

namespace {

// One program minute, a schedule tick, is 300 ms; ten supervision ticks, which
// would end a login that hangs, 1 s.
constexpr double kTimeScale = 0.005;

const QDate kToday(2024, 3, 5);
const QString kTodayDigits = QStringLiteral("20240305");

QDateTime at(int hour, int minute, const QDate& date = kToday) { return QDateTime(date, QTime(hour, minute, 30)); }

// The site in this slot due at "9AM", "12PM"...
void setSite(SiteColumns site, int slot, const QString& time, bool active = true)
{
    site.hours[size_t(slot)] = time.chopped(2);
    site.amPm[size_t(slot)] = time.right(2);
    site.activeFlags[size_t(slot)] = active ? QStringLiteral("1") : QStringLiteral("0");
}

// A download site and the ticks of its schedule, each at its time and
// whether it starts a job; then the site's time. The site's own duplicate
// check, off, replaces the job's whenever the scan examines an active site.
struct TickRow {
    const char* name;
    QString site;
    bool everyHour;
    bool active;
    QList<std::pair<QDateTime, bool>> ticks;
    QString siteAfter;
};

// A site due at 3 PM, ticked by its schedule while a job runs.
struct BusyRow {
    const char* name;
    bool tickedDownload;
    bool runningDownload;
    int minute;
    bool ranToday;
    bool everyHour;
    QString siteAfter;
};

}

Q_DECLARE_METATYPE(TickRow)
Q_DECLARE_METATYPE(BusyRow)

class ScheduleTickTest : public QObject {
    Q_OBJECT

private slots:
    void siteStarts_data()
    {
        const QDate tomorrow = kToday.addDays(1);
        addRows<TickRow>({
            { "a 9 AM site starts once a day, in 09:00 to 09:59", "9AM", false, true,
              { { at(9, 0), true }, { at(9, 59), false }, { at(9, 0, tomorrow), true } }, "9AM" },
            { "a 9 AM site not at 08:59, 10:00 or 9 PM, but at 09:59", "9AM", false, true,
              { { at(8, 59), false }, { at(10, 0), false }, { at(21, 0), false }, { at(9, 59), true } }, "9AM" },
            { "12 AM is the hour after midnight, not noon (as 12 PM is the one after noon)", "12AM", false, true,
              { { at(12, 30), false }, { at(0, 30), true } }, "12AM" },
            // Each start moves the site one hour on, so it starts once in each
            // hour, though it ran today, keeping the half of the day right
            // (the arithmetic across noon is the site-time test's).
            { "every hour: 11 PM, 12 AM, 1 AM", "11PM", true, true,
              { { at(23, 10), true }, { at(23, 30), false }, { at(0, 10, tomorrow), true } }, "1AM" },
            { "an inactive site in its hour", "9AM", false, false, { { at(9, 0), false } }, "9AM" },
        });
    }

    // The download site is a peer with nothing to fetch: a job that starts
    // logs in, lists and ends, and the peer counts its connections.
    void siteStarts()
    {
        QFETCH(TickRow, row);
        ScriptedFtpPeer peer;
        EngineUnderTest put(kTimeScale);
        Engine& p = put.engine;
        pointDownloadSite(p, { peer.host(), peer.port(), "u", "pw" });
        setSite(downloadSiteColumns(p.sites), 1, row.site, row.active);
        p.sites.downloadDupeFlags[1] = QStringLiteral("0");
        p.options.ai_hr = row.everyHour;
        for (const auto& [time, starts] : row.ticks) {
            p.clock.set(time);
            const int before = peer.connectionCount();
            downloadScheduleTick(p);
            QVERIFY2((peer.connectionCount() > before) == starts, qPrintable(time.toString()));
        }
        QCOMPARE(p.sites.downloadHours[1] + p.sites.downloadAmPm[1], row.siteAfter);
        QCOMPARE(p.options.downloadDupeCheck, !row.active);
    }

    void dueSiteWhileAJobRuns_data()
    {
        addRows<BusyRow>({
            { "upload runs: a download site due at 3 PM moves to 4 PM at 15:59", true, false, 59, false, false, "4" },
            { "download runs: an upload site due at 3 PM moves to 4 PM at 15:59", false, true, 59, false, false, "4" },
            { "nothing moves before minute 59", true, false, 58, false, false, "3" },
            { "a site that ran today stays", true, false, 59, true, false, "3" },
            { "every hour: a site that ran today moves too", true, false, 59, true, true, "4" },
            { "its own job runs: the site stays", true, true, 59, false, false, "3" },
        });
    }

    // The running job's site is site 1, a peer; the ticked schedule's site 2 of
    // 3 is due at 3 PM and the scan is about to examine it. Two ticks arrive at
    // the job's first wait, before it connects: the site moves on by one hour
    // at most, the scan stays, nothing starts.
    void dueSiteWhileAJobRuns()
    {
        QFETCH(BusyRow, row);
        ScriptedFtpPeer peer;
        EngineUnderTest put(kTimeScale);
        Engine& p = put.engine;
        p.options.ai_hr = row.everyHour;
        p.clock.set(at(15, row.minute));
        (row.runningDownload ? pointDownloadSite : pointUploadSite)(p, { peer.host(), peer.port(), "u", "pw" });
        SiteColumns site = (row.tickedDownload ? downloadSiteColumns : uploadSiteColumns)(p.sites);
        site.count = 3;
        site.index = 1;
        setSite(site, 1, QStringLiteral("7AM"));
        setSite(site, 2, QStringLiteral("3PM"));
        site.lastRunDates[2] = row.ranToday ? kTodayDigits : QString();
        (row.tickedDownload ? p.schedule.downloadTickCount : p.schedule.uploadTickCount) = 1;
        const auto tick = row.tickedDownload ? downloadScheduleTick : uploadScheduleTick;
        int scanDuringJob = 0;
        QTimer::singleShot(0, &peer, [&] {
            tick(p);
            tick(p);
            scanDuringJob = site.index;
        });

        (row.runningDownload ? runDownloadJob : runUploadJob)(p);

        QCOMPARE(scanDuringJob, 1);
        QCOMPARE(peer.connectionCount(), 1);
        QCOMPARE(site.hours[1] + site.amPm[1] + site.hours[2] + site.amPm[2], "7AM" + row.siteAfter + "PM");
        QCOMPARE(site.lastRunDates[2] == kTodayDigits, row.ranToday);
    }
};

QTEST_MAIN(ScheduleTickTest)
#include "tst_schedule_tick.moc"
