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
    // The file a restart after a failed file resumes at, or just past: found
    // by its name in the new listing, since under "Delete After DownLoad" the
    // listing no longer holds the files deleted since the last one was read.
    // The positions above serve when the name is no longer listed.
    QString downloadResumeName;
    bool downloadResumePastName = false;
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
    // The job procedure now starting continues the job that failed: the
    // files it recorded "fail" are not recorded again.
    bool jobRestarting = false;
};
