#pragma once

#include <QString>

#include <functional>

// The values of the schedule ticks, the job procedures and their supervision.
struct ScheduleVars {
    bool downloadJobRunning = false;
    bool uploadJobRunning = false;
    int downloadStallTicks = 0;
    int uploadStallTicks = 0;
    int downloadRetryCount = 0;
    int uploadRetryCount = 0;
    int downloadResumePosition = 1;
    int downloadResumeEntry = 0;
    int uploadResumeIndex = 0;
    int downloadTickCount = 0;
    int uploadTickCount = 0;
    // The caption prefix the transfer loops show while files move.
    QString transferCaptionPrefix;
    // The supervision ended the job's session: it is reported as a timeout.
    bool downloadTimedOut = false;
    bool uploadTimedOut = false;
    // A restart or give-up decided while a job was winding down, to run once
    // its job procedure has returned.
    std::function<void()> pendingRecovery;
};
