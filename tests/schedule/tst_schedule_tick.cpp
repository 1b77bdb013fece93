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

// A program whose download site 1 is a peer with nothing to fetch, due at
// the given time: a job that starts logs in, lists and ends, and the peer
// counts its connections.
struct DownloadSchedule {
    ScriptedFtpPeer peer;
    EngineUnderTest put;
    Engine& p = put.engine;

    DownloadSchedule(const QString& hour, const QString& half, bool active = true)
    {
        pointDownloadSite(p, loginAt(peer));
        setSite(downloadSiteColumns(p.sites), 1, hour, half, active);
    }

    // Ticks at the given time; true when the tick started a job.
    bool startsAt(const QDateTime& time)
    {
        p.clock.set(time);
        const int before = peer.connectionCount();
        downloadScheduleTick(p);
        return peer.connectionCount() > before;
    }

    QString siteTime() const { return p.sites.downloadHours[1] + p.sites.downloadAmPm[1]; }
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
    QTest::addColumn<QString>("siteTime");
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<bool>("starts");
    QTest::newRow("9 AM site at 09:00") << "9AM" << at(9, 0) << true;
    QTest::newRow("9 AM site at 09:59") << "9AM" << at(9, 59) << true;
    QTest::newRow("9 AM site not at 08:59") << "9AM" << at(8, 59) << false;
    QTest::newRow("9 AM site not at 10:00") << "9AM" << at(10, 0) << false;
    QTest::newRow("9 AM site not at 9 PM") << "9AM" << at(21, 0) << false;
    QTest::newRow("12 AM site in the hour after midnight") << "12AM" << at(0, 30) << true;
    QTest::newRow("12 AM site not at noon") << "12AM" << at(12, 30) << false;
    QTest::newRow("12 PM site in the hour after noon") << "12PM" << at(12, 30) << true;
    QTest::newRow("12 PM site not at midnight") << "12PM" << at(0, 30) << false;
}

void ScheduleTickTest::startsOnlyInTheSitesHour()
{
    QFETCH(QString, siteTime);
    QFETCH(QDateTime, time);
    QFETCH(bool, starts);
    DownloadSchedule s(siteTime.chopped(2), siteTime.right(2));

    QCOMPARE(s.startsAt(time), starts);
    QCOMPARE(s.p.sites.downloadLastRunDates[1] == kTodayDigits, starts);
}

void ScheduleTickTest::startsOnceADay()
{
    DownloadSchedule s(QStringLiteral("9"), QStringLiteral("AM"));

    QVERIFY(s.startsAt(at(9, 0)));
    QCOMPARE(s.p.caption, QStringLiteral("Tolvane - Idle"));
    QVERIFY(!s.startsAt(at(9, 1)));
    QVERIFY(!s.startsAt(at(9, 59)));
    QVERIFY(s.startsAt(at(9, 0, kToday.addDays(1))));
    QCOMPARE(s.siteTime(), QStringLiteral("9AM"));
}

void ScheduleTickTest::everyHourMovesTheSiteOnEachStart_data()
{
    QTest::addColumn<int>("hour");
    QTest::addColumn<QStringList>("siteTimes");
    QTest::newRow("9 AM, 10 AM, 11 AM") << 9 << QStringList { "9", "AM", "10AM", "11AM" };
    QTest::newRow("11 AM, 12 PM, 1 PM") << 11 << QStringList { "11", "AM", "12PM", "1PM" };
    QTest::newRow("11 PM, 12 AM, 1 AM") << 23 << QStringList { "11", "PM", "12AM", "1AM" };
}

// Each start moves the site one hour on, so it starts once in each hour, also
// across noon and midnight, although its last-run date is already today.
void ScheduleTickTest::everyHourMovesTheSiteOnEachStart()
{
    QFETCH(int, hour);
    QFETCH(QStringList, siteTimes);
    DownloadSchedule s(siteTimes[0], siteTimes[1]);
    s.p.options.ai_hr = true;
    const QDateTime first = at(hour, 10);

    QVERIFY(s.startsAt(first));
    QCOMPARE(s.siteTime(), siteTimes[2]);
    QVERIFY(!s.startsAt(first.addSecs(20 * 60)));
    QVERIFY(s.startsAt(first.addSecs(60 * 60)));
    QCOMPARE(s.siteTime(), siteTimes[3]);
}

void ScheduleTickTest::inactiveSiteLeavesTheDuplicateCheckAlone_data()
{
    QTest::addColumn<bool>("active");
    QTest::addColumn<int>("hour");
    QTest::addColumn<bool>("starts");
    QTest::newRow("an inactive site in its hour") << false << 9 << false;
    QTest::newRow("an active site outside its hour still sets the check") << true << 10 << false;
    QTest::newRow("an active site in its hour") << true << 9 << true;
}

// The site's own duplicate check (off here) replaces the job's when the scan
// examines an active site.
void ScheduleTickTest::inactiveSiteLeavesTheDuplicateCheckAlone()
{
    QFETCH(bool, active);
    QFETCH(int, hour);
    QFETCH(bool, starts);
    DownloadSchedule s(QStringLiteral("9"), QStringLiteral("AM"), active);
    s.p.sites.downloadDupeFlags[1] = QStringLiteral("0");
    s.p.options.downloadDupeCheck = true;

    QCOMPARE(s.startsAt(at(hour, 0)), starts);
    QCOMPARE(s.p.options.downloadDupeCheck, !active);
}

// Three inactive sites: each tick examines one, so the current site after an
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
        p.session.recoveryInProgress = true;
        tick(p, download);
        tick(p, download);
        examined << site.index;
        p.session.recoveryInProgress = false;
        tick(p, download);
        examined << site.index;
        tickCount = 0;
        tick(p, download);
        examined << site.index;
        QCOMPARE(examined, QList<int>({ 1, 2, 3, 1, 2, 2, 3, 1 }));
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
    QObject::connect(&peer, &ScriptedFtpPeer::commandReceived, [&](const QString& line) {
        if (!line.startsWith("USER"))
            return;
        tick(p, tickedDownload);
        tick(p, tickedDownload);
        scanDuringJob << site.index;
    });

    (runningDownload ? runDownloadJob : runUploadJob)(p);

    QCOMPARE(scanDuringJob, QList<int>({ 1 }));
    QCOMPARE(peer.connectionCount(), 1);
    QCOMPARE(site.hours[2] + site.amPm[2], siteHourAfter + "PM");
    QCOMPARE(site.hours[1], QStringLiteral("7"));
    QCOMPARE(site.lastRunDates[2] == kTodayDigits, ranToday);
}

// Both schedules run on their timers with a site due in the same hour; each
// job holds its login for longer than a tick. Whichever starts first, the
// other waits, and starts only after the first has ended.
void ScheduleTickTest::jobsNeverOverlap()
{
    ScriptedFtpPeer downloadPeer;
    ScriptedFtpPeer uploadPeer;
    EngineUnderTest put;
    Engine& p = put.engine;
    p.clock.set(at(15, 30));
    pointDownloadSite(p, loginAt(downloadPeer));
    pointUploadSite(p, loginAt(uploadPeer));
    QStringList overlaps;
    for (bool download : { true, false }) {
        ScriptedFtpPeer& peer = download ? downloadPeer : uploadPeer;
        peer.scripts["PASS"] = { PeerSteps::delay(kLoginHoldMs), "230" };
        setSite(columns(p, download), 1, QStringLiteral("3"), QStringLiteral("PM"));
        const bool& otherRunning = download ? p.schedule.uploadJobRunning : p.schedule.downloadJobRunning;
        QObject::connect(&peer, &ScriptedFtpPeer::commandReceived, [&overlaps, &otherRunning](const QString& line) {
            if (otherRunning)
                overlaps << line;
        });
    }
    // Ticks that came while the other job ran: without them the test proves
    // nothing.
    int busyTicks = 0;
    connect(&p.Timer1, &Timer::Tick, &p.Timer1, [&] { busyTicks += p.schedule.uploadJobRunning; });
    connect(&p.Timer2, &Timer::Tick, &p.Timer2, [&] { busyTicks += p.schedule.downloadJobRunning; });

    p.Timer1.setEnabled(true);
    p.Timer2.setEnabled(true);
    const bool bothRan = QTest::qWaitFor([&] {
        return p.sites.downloadLastRunDates[1] == kTodayDigits && p.sites.uploadLastRunDates[1] == kTodayDigits
            && !p.schedule.downloadJobRunning && !p.schedule.uploadJobRunning;
    }, kJobsBoundMs);
    p.Timer1.setEnabled(false);
    p.Timer2.setEnabled(false);

    QVERIFY(bothRan);
    QVERIFY(busyTicks > 0);
    QVERIFY2(overlaps.isEmpty(), qPrintable(overlaps.join(QLatin1Char('|'))));
    QCOMPARE(downloadPeer.connectionCount(), 1);
    QCOMPARE(uploadPeer.connectionCount(), 1);
}

QTEST_MAIN(ScheduleTickTest)
#include "tst_schedule_tick.moc"
