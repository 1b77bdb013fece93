#pragma once

#include "schedule/JobRun.h"
#include "schedule/ScheduleTick.h"
#include "support/ProgramUnderTest.h"

#include <QDateTime>

// One job of either kind on a fresh program with the clock fixed: its site
// pointed at a login and due at 9 AM, and the displays and the error log that
// the end of a job writes.
struct JobUnderTest {
    ProgramUnderTest put;
    Program& p = put.program;
    bool download;

    JobUnderTest(bool download, const QDateTime& now, double timeScale = ProgramUnderTest::kDefaultTimeScale)
        : put(timeScale), download(download)
    {
        p.clock.set(now);
    }

    void pointSite(const SiteLogin& login)
    {
        download ? pointDownloadSite(p, login) : pointUploadSite(p, login);
        SiteColumns site = download ? downloadSiteColumns(p.sites) : uploadSiteColumns(p.sites);
        site.hours[1] = QStringLiteral("9");
        site.amPm[1] = QStringLiteral("AM");
    }

    void run() { download ? runDownloadJob(p) : runUploadJob(p); }

    void setRetries(const QString& retries) { (download ? p.form.Text11 : p.form.Text12)->setText(retries); }

    // Site 1 made active and the job started by its schedule tick, which
    // returns once the job and every restart of it have ended.
    void runFromSchedule()
    {
        (download ? downloadSiteColumns(p.sites) : uploadSiteColumns(p.sites)).activeFlags[1] = QStringLiteral("1");
        download ? downloadScheduleTick(p) : uploadScheduleTick(p);
    }

    QLabel* scheduleDisplay() const { return download ? p.form.Label11 : p.form.Label12; }
    QString lastRunLine() const { return (download ? p.form.Label18 : p.form.Label19)->text(); }
    QString errorLog() const { return put.logFile(download ? "err_dload.log" : "err_upload.log"); }
};
