#pragma once

#include <QString>

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
};
