// The schedule ticks against a set clock: when a site starts (its hour, its
// half of the day, once a day or every hour), how the scan walks the sites,
// and what a tick does while a job runs: it postpones, it never starts a
// second job.
#include "schedule/JobRun.h"
#include "schedule/ScheduleTick.h"
#include "support/EngineUnderTest.h"
#include "support/ScriptedFtpPeer.h"

#include <QtTest>

namespace {

// Real milliseconds. Bounds only catch hangs.
constexpr int kJobsBoundMs = 30'000;
// How long a peer holds its answer to PASS, so that a job lasts while ticks
// of the other schedule arrive: more than one tick interval (1.2 s at the
// test's time scale), well under the ten supervision ticks (4 s) that would
// end the login.
constexpr int kLoginHoldMs = 2000;

const QDate kToday(2024, 3, 5);
const QString kTodayDigits = QStringLiteral("20240305");

QDateTime at(int hour, int minute, const QDate& date = kToday)
{
    return QDateTime(date, QTime(hour, minute, 30));
}

SiteColumns columns(Engine& p, bool download)
{
    return download ? downloadSiteColumns(p.sites) : uploadSiteColumns(p.sites);
}

void tick(Engine& p, bool download)
{
    (download ? downloadScheduleTick : uploadScheduleTick)(p);
}

void setSite(SiteColumns site, int slot, const QString& hour, const QString& half, bool active = true)
{
    site.hours[size_t(slot)] = hour;
    site.amPm[size_t(slot)] = half;
    site.activeFlags[size_t(slot)] = active ? QStringLiteral("1") : QStringLiteral("0");
}

SiteLogin loginAt(const ScriptedFtpPeer& peer)
{
    return { peer.host(), peer.port(), QStringLiteral("u"), QStringLiteral("pw") };
}

// A program whose download site 1 is a peer with nothing to fetch: a job that
// starts logs in, lists and ends, and the peer counts its connections.
struct DownloadSchedule {
    ScriptedFtpPeer peer;
    EngineUnderTest put;
    Engine& p = put.engine;

    DownloadSchedule()
    {
        pointDownloadSite(p, loginAt(peer));
    }

    // Ticks at the given time; true when the tick started a job.
    bool startsAt(const QDateTime& time)
    {
        p.clock.set(time);
        const int before = peer.connectionCount();
        downloadScheduleTick(p);
        return peer.connectionCount() > before;
    }
};

}

class ScheduleTickTest : public QObject {
    Q_OBJECT

private slots:
    void startsOnlyInTheSitesHour_data();
    void startsOnlyInTheSitesHour();
    void startsOnceADay();
    void everyHourMovesTheSiteOnEachStart_data();
    void everyHourMovesTheSiteOnEachStart();
    void inactiveSiteLeavesTheDuplicateCheckAlone_data();
    void inactiveSiteLeavesTheDuplicateCheckAlone();
    void scanWalksTheSitesInTurnAndHoldsWhileBusy();
    void dueSiteWhileAJobRuns_data();
    void dueSiteWhileAJobRuns();
    void jobsNeverOverlap();
};

void ScheduleTickTest::startsOnlyInTheSitesHour_data()
{
    QTest::addColumn<QString>("siteHour");
    QTest::addColumn<QString>("siteHalf");
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<bool>("starts");
    QTest::newRow("9 AM site at 09:00") << "9" << "AM" << 9 << 0 << true;
    QTest::newRow("9 AM site at 09:59") << "9" << "AM" << 9 << 59 << true;
    QTest::newRow("9 AM site not at 08:59") << "9" << "AM" << 8 << 59 << false;
    QTest::newRow("9 AM site not at 10:00") << "9" << "AM" << 10 << 0 << false;
    QTest::newRow("9 AM site not at 9 PM") << "9" << "AM" << 21 << 0 << false;
    QTest::newRow("12 AM site in the hour after midnight") << "12" << "AM" << 0 << 30 << true;
    QTest::newRow("12 AM site not at noon") << "12" << "AM" << 12 << 30 << false;
    QTest::newRow("12 PM site in the hour after noon") << "12" << "PM" << 12 << 30 << true;
    QTest::newRow("12 PM site not at midnight") << "12" << "PM" << 0 << 30 << false;
}

void ScheduleTickTest::startsOnlyInTheSitesHour()
{
    QFETCH(QString, siteHour);
    QFETCH(QString, siteHalf);
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(bool, starts);
    DownloadSchedule s;
    setSite(downloadSiteColumns(s.p.sites), 1, siteHour, siteHalf);

    QCOMPARE(s.startsAt(at(hour, minute)), starts);
    QCOMPARE(s.p.sites.downloadLastRunDates[1], starts ? kTodayDigits : QStringLiteral("20000101"));
}

void ScheduleTickTest::startsOnceADay()
{
    DownloadSchedule s;
    setSite(downloadSiteColumns(s.p.sites), 1, QStringLiteral("9"), QStringLiteral("AM"));

    QVERIFY(s.startsAt(at(9, 0)));
    QCOMPARE(s.p.sites.downloadLastRunDates[1], kTodayDigits);
    QCOMPARE(s.p.caption, QStringLiteral("Tolvane - Idle"));
    QVERIFY(!s.startsAt(at(9, 1)));
    QVERIFY(!s.startsAt(at(9, 59)));
    QVERIFY(s.startsAt(at(9, 0, kToday.addDays(1))));
    QCOMPARE(s.p.sites.downloadLastRunDates[1], QStringLiteral("20240306"));
    QCOMPARE(s.p.sites.downloadHours[1], QStringLiteral("9"));
}

void ScheduleTickTest::everyHourMovesTheSiteOnEachStart_data()
{
    QTest::addColumn<QString>("siteHour");
    QTest::addColumn<QString>("siteHalf");
    QTest::addColumn<int>("hour");
    QTest::addColumn<QString>("firstNext");
    QTest::addColumn<QString>("secondNext");
    QTest::newRow("9 AM, 10 AM, 11 AM") << "9" << "AM" << 9 << "10AM" << "11AM";
    QTest::newRow("11 AM, 12 PM, 1 PM") << "11" << "AM" << 11 << "12PM" << "1PM";
    QTest::newRow("11 PM, 12 AM, 1 AM") << "11" << "PM" << 23 << "12AM" << "1AM";
}

// Each start moves the site one hour on, so it starts once in each hour, also
// across noon and midnight, although its last-run date is already today.
void ScheduleTickTest::everyHourMovesTheSiteOnEachStart()
{
    QFETCH(QString, siteHour);
    QFETCH(QString, siteHalf);
    QFETCH(int, hour);
    QFETCH(QString, firstNext);
    QFETCH(QString, secondNext);
    DownloadSchedule s;
    s.p.options.ai_hr = true;
    setSite(downloadSiteColumns(s.p.sites), 1, siteHour, siteHalf);
    const auto siteTime = [&] { return s.p.sites.downloadHours[1] + s.p.sites.downloadAmPm[1]; };
    const QDateTime first = at(hour, 10);

    QVERIFY(s.startsAt(first));
    QCOMPARE(siteTime(), firstNext);
    QVERIFY(!s.startsAt(first.addSecs(20 * 60)));
    QVERIFY(s.startsAt(first.addSecs(60 * 60)));
    QCOMPARE(siteTime(), secondNext);
}

void ScheduleTickTest::inactiveSiteLeavesTheDuplicateCheckAlone_data()
{
    QTest::addColumn<bool>("active");
    QTest::addColumn<int>("hour");
    QTest::addColumn<bool>("starts");
    QTest::addColumn<bool>("dupeCheck");
    QTest::newRow("an inactive site in its hour") << false << 9 << false << true;
    QTest::newRow("an active site outside its hour still sets the check") << true << 10 << false << false;
    QTest::newRow("an active site in its hour") << true << 9 << true << false;
}

void ScheduleTickTest::inactiveSiteLeavesTheDuplicateCheckAlone()
{
    QFETCH(bool, active);
    QFETCH(int, hour);
    QFETCH(bool, starts);
    QFETCH(bool, dupeCheck);
    DownloadSchedule s;
    setSite(downloadSiteColumns(s.p.sites), 1, QStringLiteral("9"), QStringLiteral("AM"), active);
    s.p.sites.downloadDupeFlags[1] = QStringLiteral("0");
    s.p.options.downloadDupeCheck = true;

    QCOMPARE(s.startsAt(at(hour, 0)), starts);
    QCOMPARE(s.p.options.downloadDupeCheck, dupeCheck);
}

// Three inactive sites: each tick examines one, so the scan position after an
// idle tick is the site it examined.
void ScheduleTickTest::scanWalksTheSitesInTurnAndHoldsWhileBusy()
{
    EngineUnderTest put;
    Engine& p = put.engine;
    p.clock.set(at(9, 0));
    for (bool download : { true, false }) {
        SiteColumns site = columns(p, download);
        site.count = 3;
        // The operator left site 2 current; the switch has just been turned on.
        site.index = 2;
        int& tickCount = download ? p.schedule.downloadTickCount : p.schedule.uploadTickCount;
        tickCount = 0;
        QList<int> examined;
        for (int i = 0; i < 5; ++i) {
            tick(p, download);
            examined << site.index;
        }
        QCOMPARE(examined, QList<int>({ 1, 2, 3, 1, 2 }));

        p.session.recoveryInProgress = true;
        tick(p, download);
        tick(p, download);
        QCOMPARE(site.index, 2);
        p.session.recoveryInProgress = false;
        tick(p, download);
        QCOMPARE(site.index, 3);

        tickCount = 0;
        tick(p, download);
        QCOMPARE(site.index, 1);
    }
}

void ScheduleTickTest::dueSiteWhileAJobRuns_data()
{
    QTest::addColumn<bool>("tickedDownload");
    QTest::addColumn<bool>("runningDownload");
    QTest::addColumn<int>("minute");
    QTest::addColumn<bool>("ranToday");
    QTest::addColumn<bool>("everyHour");
    QTest::addColumn<QString>("siteHourAfter");
    QTest::newRow("upload runs: a download site due at 3 PM moves to 4 PM at 15:59")
        << true << false << 59 << false << false << "4";
    QTest::newRow("download runs: an upload site due at 3 PM moves to 4 PM at 15:59")
        << false << true << 59 << false << false << "4";
    QTest::newRow("nothing moves before minute 59") << true << false << 58 << false << false << "3";
    QTest::newRow("a site that ran today stays") << true << false << 59 << true << false << "3";
    QTest::newRow("every hour: a site that ran today moves too") << true << false << 59 << true << true << "4";
    QTest::newRow("its own job runs: the site stays") << true << true << 59 << false << false << "3";
}

// The running job's site is site 1, a peer; the ticked schedule's site 2 is
// due at 3 PM and the scan is about to examine it. Two ticks arrive while the
// job logs in: the site moves on by one hour at most, the scan stays, nothing
// starts.
void ScheduleTickTest::dueSiteWhileAJobRuns()
{
    QFETCH(bool, tickedDownload);
    QFETCH(bool, runningDownload);
    QFETCH(int, minute);
    QFETCH(bool, ranToday);
    QFETCH(bool, everyHour);
    QFETCH(QString, siteHourAfter);
    ScriptedFtpPeer peer;
    EngineUnderTest put;
    Engine& p = put.engine;
    p.options.ai_hr = everyHour;
    p.clock.set(at(15, minute));
    (runningDownload ? pointDownloadSite : pointUploadSite)(p, loginAt(peer));
    SiteColumns site = columns(p, tickedDownload);
    site.count = 2;
    site.index = 1;
    setSite(site, 1, QStringLiteral("7"), QStringLiteral("AM"));
    setSite(site, 2, QStringLiteral("3"), QStringLiteral("PM"));
    if (ranToday)
        site.lastRunDates[2] = kTodayDigits;
    (tickedDownload ? p.schedule.downloadTickCount : p.schedule.uploadTickCount) = 1;
    QList<int> scanDuringJob;
    connect(&peer, &ScriptedFtpPeer::commandReceived, &peer, [&](const QString& line) {
        if (!line.startsWith(QLatin1String("USER")))
            return;
        tick(p, tickedDownload);
        tick(p, tickedDownload);
        scanDuringJob << site.index;
    });

    (runningDownload ? runDownloadJob : runUploadJob)(p);

    QCOMPARE(scanDuringJob, QList<int>({ 1 }));
    QCOMPARE(peer.connectionCount(), 1);
    QCOMPARE(site.hours[2], siteHourAfter);
    QCOMPARE(site.amPm[2], QStringLiteral("PM"));
    QCOMPARE(site.hours[1], QStringLiteral("7"));
    QCOMPARE(site.lastRunDates[2], ranToday ? kTodayDigits : QStringLiteral("20000101"));
}

// Both schedules run on their timers with a site due in the same hour; each
// job holds its login for longer than a tick. Whichever starts first, the
// other waits, and starts only after the first has ended.
void ScheduleTickTest::jobsNeverOverlap()
{
    const ScriptedFtpPeer::Chunks heldLogin { { "230 Login successful.\r\n", kLoginHoldMs } };
    ScriptedFtpPeer downloadPeer;
    ScriptedFtpPeer uploadPeer;
    downloadPeer.replyTo("PASS", heldLogin);
    uploadPeer.replyTo("PASS", heldLogin);
    EngineUnderTest put;
    Engine& p = put.engine;
    p.clock.set(at(15, 30));
    pointDownloadSite(p, loginAt(downloadPeer));
    pointUploadSite(p, loginAt(uploadPeer));
    setSite(downloadSiteColumns(p.sites), 1, QStringLiteral("3"), QStringLiteral("PM"));
    setSite(uploadSiteColumns(p.sites), 1, QStringLiteral("3"), QStringLiteral("PM"));
    QStringList overlaps;
    const auto watch = [&](ScriptedFtpPeer& peer, const bool& otherRunning) {
        connect(&peer, &ScriptedFtpPeer::commandReceived, &peer, [&](const QString& line) {
            if (otherRunning)
                overlaps << line;
        });
    };
    watch(downloadPeer, p.schedule.uploadJobRunning);
    watch(uploadPeer, p.schedule.downloadJobRunning);
    // Ticks that came while the other job ran: without them the test proves
    // nothing.
    int busyDownloadTicks = 0;
    int busyUploadTicks = 0;
    connect(&p.Timer1, &Timer::Tick, &p.Timer1, [&] { busyDownloadTicks += p.schedule.uploadJobRunning; });
    connect(&p.Timer2, &Timer::Tick, &p.Timer2, [&] { busyUploadTicks += p.schedule.downloadJobRunning; });

    p.Timer1.setEnabled(true);
    p.Timer2.setEnabled(true);
    const bool bothRan = QTest::qWaitFor([&] {
        return p.sites.downloadLastRunDates[1] == kTodayDigits && p.sites.uploadLastRunDates[1] == kTodayDigits
            && !p.schedule.downloadJobRunning && !p.schedule.uploadJobRunning;
    }, kJobsBoundMs);
    p.Timer1.setEnabled(false);
    p.Timer2.setEnabled(false);

    QVERIFY(bothRan);
    QVERIFY(busyDownloadTicks + busyUploadTicks > 0);
    QVERIFY2(overlaps.isEmpty(), qPrintable(overlaps.join(QLatin1Char('|'))));
    QCOMPARE(downloadPeer.connectionCount(), 1);
    QCOMPARE(uploadPeer.connectionCount(), 1);
}

QTEST_MAIN(ScheduleTickTest)
#include "tst_schedule_tick.moc"
