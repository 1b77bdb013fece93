#pragma once

#include "config/NumberText.h"
#include "schedule/JobRun.h"
#include "schedule/ScheduleTick.h"
#include "support/EngineUnderTest.h"

#include <QDateTime>

// One job of either kind on a fresh engine with the clock fixed: its site
// pointed at a login and due at 9 AM, and the displays and the error log that
// the end of a job writes.
struct JobUnderTest {
    EngineUnderTest put;
    Engine& p = put.engine;
    bool download;

    JobUnderTest(bool download, const QDateTime& now, double timeScale = EngineUnderTest::kDefaultTimeScale)
        : put(timeScale), download(download)
    {
        p.clock.set(now);
    }

    JobKind kind() const { return download ? JobKind::Download : JobKind::Upload; }

    void pointSite(const SiteLogin& login)
    {
        download ? pointDownloadSite(p, login) : pointUploadSite(p, login);
        SiteColumns site = download ? downloadSiteColumns(p.sites) : uploadSiteColumns(p.sites);
        site.hours[1] = QStringLiteral("9");
        site.amPm[1] = QStringLiteral("AM");
    }

    void run() { download ? runDownloadJob(p) : runUploadJob(p); }

    // The retries field as the operator types it.
    void setRetries(const QString& text) { (download ? p.downloadFields : p.uploadFields).retries = valueOf(text); }

    // Site 1 made active and the job started by its schedule tick, which
    // returns once the job and every restart of it have ended.
    void runFromSchedule()
    {
        (download ? downloadSiteColumns(p.sites) : uploadSiteColumns(p.sites)).activeFlags[1] = QStringLiteral("1");
        download ? downloadScheduleTick(p) : uploadScheduleTick(p);
    }

    QString scheduleDisplay() const { return put.view.scheduleDisplay.value(kind()); }
    void showScheduleDisplay(const QString& text) { put.view.scheduleDisplay[kind()] = text; }
    QString lastRunLine() const { return put.view.lastRun.value(kind()); }
    QString errorLog() const { return put.logFile(download ? "err_dload.log" : "err_upload.log"); }
};
