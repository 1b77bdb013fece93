// A month of the schedule in one process, the way the operator leaves it
// running: 24 download and 24 upload sites on stock vsftpd and pure-ftpd on
// loopback, one of each due at every hour of the day, with new files for each
// site before its hour; the program's own timers at time scale 0.001 (a
// program day passes in 86.4 s) and its clock running at the same scale. Then
// the same sites with "Every Hour" on, every one due every hour, at time scale
// 0.01. Prints one
// table; its targets are read by people, never checked by a test.
//
//   bench_month [days [hours]]     (default: 1 day, then 3 hours every hour)
//
// Needs root (the servers' fixture adds its user), and vsftpd and pure-ftpd
// unpacked into the build folder (make bench does it).
#include "platform/PlainEventLoop.h"
#include "platform/TimeScale.h"
#include "schedule/Engine.h"
#include "schedule/StartUpShutdown.h"
#include "support/DuePlan.h"
#include "support/FileDrops.h"
#include "support/HeldByDesign.h"
#include "support/Measure.h"
#include "support/MonthSites.h"
#include "support/RealFtpServer.h"
#include "support/ScheduleLog.h"
#include "support/ScheduleFigures.h"
#include "support/ScheduleRun.h"
#include "support/TemporaryCurrentFolder.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr double kTimeScale = 0.001;
// With "Every Hour" on, a job's real round trips to the servers (some tens of
// milliseconds) would count a thousand times over and crowd the hour: time
// runs ten times slower there.
constexpr double kEveryHourTimeScale = 0.01;
constexpr int kDefaultDays = 1;
constexpr int kDefaultHours = 3;
// Room kept for the jobs of a phase: twice the sites due, so that the list of
// jobs never grows while memory is measured.
constexpr int kJobRoomPerDue = 2;
constexpr double kMB = 1e6;
constexpr double kKB = 1e3;

// A Monday; UTC, so that no change to summer time shortens or lengthens a day.
const QDateTime kFirstDay(QDate(2025, 3, 3), QTime(0, 0), Qt::UTC);

QDateTime programTime(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

struct PhaseRun {
    bool ran = false;
    ScheduleRecord record;
    int filesPut = 0;
    double wallSeconds = 0;
};

// Runs the schedule over the plan, putting each site's new files in place
// before it is due; everyMinute also gets the clock's reading.
PhaseRun runPhase(Engine& engine, ScheduleLog& log, const MonthSites& sites, const DuePlan& plan,
                  const std::function<void(qint64)>& everyMinute)
{
    log.restart(size_t(2 * MonthSites::kSitesPerJob * plan.periods * kJobRoomPerDue));
    FileDrops drops(sites, plan, engine.workPath);
    PhaseRun run;
    const double wallStart = momentNow().wallSeconds;
    run.ran = runSchedule(engine, programTime(plan.startMs), programTime(plan.endMs()), [&](const QDateTime& now) {
        drops.at(now.toMSecsSinceEpoch());
        everyMinute(now.toMSecsSinceEpoch());
    });
    run.wallSeconds = momentNow().wallSeconds - wallStart;
    run.filesPut = drops.filesPut();
    run.record = log.restart(0);
    return run;
}

// What the process holds once the first hour of the daily run is over: the
// first jobs have set up whatever a job keeps, so what comes after is what a
// long run adds.
struct AfterFirstHour {
    bool taken = false;
    Footprint footprint;
    int jobs = 0;
    qint64 heldBytes = 0;
};

const char* verdict(bool met)
{
    return met ? "met" : "MISSED";
}

void row(const QString& measure, const QString& figure, const QString& target = {})
{
    std::printf("| %-48s | %-24s | %-30s |\n", qPrintable(measure), qPrintable(figure), qPrintable(target));
}

QString none(bool met)
{
    return QStringLiteral("none: ") + QLatin1String(verdict(met));
}

void printScheduleRows(const QString& prefix, const QString& unit, const PhaseRun& run, const DuePlan& plan)
{
    const ScheduleRecord& r = run.record;
    const DueFigures due = dueFigures(r.jobs, plan, MonthSites::kSitesPerJob);
    // A tick may start a job in the moment between the end of the plan and the
    // stop of the ticks; such a job is no part of the plan.
    const auto jobs = std::count_if(r.jobs.begin(), r.jobs.end(),
                                    [&](const JobSpan& job) { return job.startedMs < plan.endMs(); });
    row(prefix + QStringLiteral("jobs run"), QStringLiteral("%1 for %2 %3s").arg(jobs).arg(due.due).arg(unit),
        QStringLiteral("one per ") + unit);
    row(prefix + unit + QStringLiteral("s started late / missed"), QStringLiteral("%1 / %2").arg(due.late).arg(due.missed),
        none(due.late + due.missed == 0));
    row(prefix + QStringLiteral("overlapping jobs"), QString::number(r.overlaps), none(r.overlaps == 0));
    row(prefix + QStringLiteral("jobs failed / messages shown"), QStringLiteral("%1 / %2").arg(r.jobsFailed).arg(r.messages),
        none(r.jobsFailed + r.messages == 0));
    row(prefix + QStringLiteral("files moved / failed"),
        QStringLiteral("%1 / %2 of %3").arg(r.filesPassed).arg(r.filesFailed).arg(run.filesPut),
        QStringLiteral("all: ") + QLatin1String(verdict(r.filesPassed == run.filesPut && r.filesFailed == 0)));
}

QString startToEnd(double start, double end, int decimals)
{
    return QStringLiteral("%1 to %2").arg(start, 0, 'f', decimals).arg(end, 0, 'f', decimals);
}

void printMemoryRows(const Footprint& start, const AfterFirstHour& firstHour, const Footprint& end, int jobs,
                     qint64 heldBytes)
{
    row(QStringLiteral("open descriptors, start to end"),
        QStringLiteral("%1 to %2").arg(start.openDescriptors).arg(end.openDescriptors),
        QStringLiteral("flat: ") + QLatin1String(verdict(end.openDescriptors <= start.openDescriptors)));
    row(QStringLiteral("resident memory, MB, start to end"),
        startToEnd(double(start.residentBytes) / kMB, double(end.residentBytes) / kMB, 1));
    row(QStringLiteral("malloc in use, MB, start to end"),
        startToEnd(double(start.mallocInUseBytes) / kMB, double(end.mallocInUseBytes) / kMB, 2));
    const int laterJobs = jobs - firstHour.jobs;
    if (!firstHour.taken || laterJobs <= 0) {
        row(QStringLiteral("growth per 1,000 jobs"), QStringLiteral("-"), QStringLiteral("NOT MEASURED: too few jobs"));
        return;
    }
    const auto perThousandJobs = [&](qint64 bytes) { return double(bytes) * 1000 / laterJobs / kKB; };
    const qint64 mallocGrowth = end.mallocInUseBytes - firstHour.footprint.mallocInUseBytes;
    const qint64 heldGrowth = heldBytes - firstHour.heldBytes;
    row(QStringLiteral("per 1,000 jobs after hour 1, KB: held by design"), QString::number(perThousandJobs(heldGrowth), 'f', 1));
    row(QStringLiteral("  malloc in use"), QString::number(perThousandJobs(mallocGrowth), 'f', 1),
        QStringLiteral("<= held by design: ") + QLatin1String(verdict(mallocGrowth <= heldGrowth)));
    row(QStringLiteral("  resident"),
        QString::number(perThousandJobs(end.residentBytes - firstHour.footprint.residentBytes), 'f', 1));
}

int cannotRun(const QString& why)
{
    std::printf("bench_month: cannot run: %s\n", qPrintable(why));
    return 1;
}

}

int main(int argc, char** argv)
{
    restartWithoutMallocCache(argv);
    choosePlainEventLoop();
    QCoreApplication app(argc, argv);
    const int days = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : kDefaultDays;
    const int hours = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : kDefaultHours;
    std::printf("bench_month: %d + %d sites on vsftpd and pure-ftpd (127.0.0.1), time scale %g: %d day(s), then\n"
                "  %d hour(s) with \"Every Hour\" on at time scale %g; machine: %s\n",
                MonthSites::kSitesPerJob, MonthSites::kSitesPerJob, kTimeScale, days, hours, kEveryHourTimeScale,
                qPrintable(machineDescription()));
    std::fflush(stdout);

    RealFtpServer vsftpd(RealFtpServer::Kind::Vsftpd);
    RealFtpServer pureFtpd(RealFtpServer::Kind::PureFtpd);
    for (RealFtpServer* server : { &vsftpd, &pureFtpd }) {
        if (!server->start())
            return cannotRun(server->name() + QStringLiteral(": ") + server->failureReason());
    }
    const TemporaryCurrentFolder folder;
    const MonthSites sites(vsftpd, pureFtpd);
    if (const QString problem = sites.setUp(); !problem.isEmpty())
        return cannotRun(problem);
    TimeScale::set(kTimeScale);
    ScheduleLog log;
    Engine engine { log };
    log.watch(engine);
    if (!startUp(engine))
        return cannotRun(QStringLiteral("the site files did not load whole"));
    useFirstSites(engine);

    const DuePlan daily { kFirstDay.toMSecsSinceEpoch(), false, days };
    AfterFirstHour firstHour;
    const Footprint start = footprintNow();
    const PhaseRun dailyRun = runPhase(engine, log, sites, daily, [&](qint64 nowMs) {
        if (firstHour.taken || nowMs < daily.startMs + DuePlan::kHourMs || log.jobRunning())
            return;
        firstHour = { true, footprintNow(), int(log.record().jobs.size()), heldByDesignBytes(engine) };
    });
    if (!dailyRun.ran)
        return cannotRun(QStringLiteral("a job's switch refused, or a job did not end"));
    const Footprint end = footprintNow();
    const qint64 heldBytes = heldByDesignBytes(engine);

    // From the next whole hour, every site's time set to it.
    const qint64 nextHourMs = (engine.clock.now().toMSecsSinceEpoch() / DuePlan::kHourMs + 1) * DuePlan::kHourMs;
    const DuePlan hourly { nextHourMs, true, hours };
    MonthSites::moveEverySiteTo(engine.sites, programTime(hourly.startMs).time().hour());
    engine.options.ai_hr = true;
    TimeScale::set(kEveryHourTimeScale);
    const PhaseRun hourlyRun = runPhase(engine, log, sites, hourly, [](qint64) {});
    if (!hourlyRun.ran)
        return cannotRun(QStringLiteral("a job's switch refused, or a job did not end"));

    std::printf("\n");
    row(QStringLiteral("measure"), QStringLiteral("figure"), QStringLiteral("target"));
    std::printf("|%s|%s|%s|\n", QByteArray(50, '-').constData(), QByteArray(26, '-').constData(),
                QByteArray(32, '-').constData());
    row(QStringLiteral("simulated days"), QString::number(days));
    printScheduleRows({}, QStringLiteral("site-day"), dailyRun, daily);
    printMemoryRows(start, firstHour, end, int(dailyRun.record.jobs.size()), heldBytes);
    row(QStringLiteral("every hour: simulated hours"), QString::number(hours));
    const BusyFigures busy = busyMinutesPerHour(hourlyRun.record.jobs, hourly);
    row(QStringLiteral("every hour: busy minutes of each hour"),
        QStringLiteral("%1 / %2 / %3").arg(busy.leastMinutes, 0, 'f', 1).arg(busy.meanMinutes, 0, 'f', 1)
            .arg(busy.mostMinutes, 0, 'f', 1),
        QStringLiteral("least / mean / most"));
    printScheduleRows(QStringLiteral("every hour: "), QStringLiteral("site-hour"), hourlyRun, hourly);
    std::printf("  Real time %.0f s, then %.0f s every hour. MB = 10^6 bytes, KB = 10^3. Malloc in use: mallinfo2's\n"
                "  uordblks + hblkhd, without the per-thread cache. Held by design: both name records loaded afresh\n"
                "  and the working folder's list of files to deliver read again, measured the same way.\n",
                dailyRun.wallSeconds, hourlyRun.wallSeconds);
    return 0;
}
