#pragma once

#include <QString>

#include <functional>

// The values of the schedule ticks, the job procedures and their supervision.
struct ScheduleVars {
    bool downloadJobRunning = false;
    bool uploadJobRunning = false;
    // The jobs' switches (Check1 / Check2): on arms the schedule tick.
    bool downloadSwitchOn = false;
    bool uploadSwitchOn = false;
    int downloadRetryCount = 0;
    int uploadRetryCount = 0;
    int downloadResumePosition = 1;
    int downloadResumeEntry = 0;
    int uploadResumeIndex = 0;
    int downloadTickCount = 0;
    int uploadTickCount = 0;
    // "Active" or "InActive": the word the schedule display shows after the
    // current site's time.
    QString downloadActiveText = QStringLiteral("InActive");
    QString uploadActiveText = QStringLiteral("InActive");
    // Set by "eXit Now!": closing goes ahead whatever runs.
    bool exitNowRequested = false;
    // The supervision ended the job's session: it is reported as a timeout.
    bool downloadTimedOut = false;
    bool uploadTimedOut = false;
    // A restart or give-up decided while a job was winding down, to run once
    // its job procedure has returned.
    std::function<void()> pendingRecovery;
    // The job procedure now starting continues the job that failed: the
    // files it recorded "fail" are not recorded again.
    bool jobRestarting = false;
};
