#pragma once

#include <QString>

class Engine;

// The minute tick of each job's schedule: it examines the next site of the
// job's table and runs the job when the site's hour has come and it has not
// run today (or every hour in every-hour mode). While a job or a recovery
// runs, the scan holds still and a site due now is moved on at minute 59.
void downloadScheduleTick(Engine& engine);
void uploadScheduleTick(Engine& engine);

void advanceDownloadSiteTime(Engine& engine, const QString& hour, const QString& halfDay);
void advanceUploadSiteTime(Engine& engine, const QString& hour, const QString& halfDay);
