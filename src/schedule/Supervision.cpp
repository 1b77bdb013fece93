#include "schedule/Supervision.h"

#include "platform/ClockTexts.h"
#include "schedule/Engine.h"
#include "schedule/ErrorLogs.h"
#include "schedule/JobRun.h"
#include "schedule/Recovery.h"
#include "transfer/TransferRecords.h"

#include <algorithm>

namespace {

// Supervision ticks without progress after which a session has stalled: the
// eleventh tick after the last progress finds ten.
constexpr int kStalledTicks = 9;

void showRetryCaption(Engine& p, const QString& lead)
{
    p.setCaption(lead + timeWithColonsAmPm(p.clock.now().time()));
}

// What differs between the supervision of the two jobs.
struct SupervisedJob {
    Timer& supervision;
    int& stallTicks;
    int& retryCount;
    bool& timedOut;
    bool& failed;
    const RowFields& fields;
    // Ends the session's wait: no file is left to go on with.
    void (*endSession)(Engine&);
    void (*jobProcedure)(Engine&);
    void (*logError)(Engine&, const QString&);
};

SupervisedJob supervised(Engine& p, bool download)
{
    ScheduleVars& s = p.schedule;
    if (download)
        return { p.Timer3, p.downloadStallTicks, s.downloadRetryCount, s.downloadTimedOut,
                 p.session.downloadFailed, p.downloadFields,
                 [](Engine& q) { q.session.endDownloadSession(); },
                 runDownloadJob, logDownloadError };
    return { p.Timer4, p.uploadStallTicks, s.uploadRetryCount, s.uploadTimedOut, p.session.uploadFailed,
             p.uploadFields,
             [](Engine& q) { q.transfer.uploadFileIndex = q.File2.ListCount() + 1; },
             runUploadJob, logUploadError };
}

bool retriesLeft(const SupervisedJob& j)
{
    return j.fields.retries > j.retryCount;
}

// The session is being ended by a recovery: the supervision stops and the
// schedule holds still until the recovery is over.
void beginRecovery(Engine& p, SupervisedJob& j)
{
    p.session.recoveryInProgress = true;
    j.stallTicks = 0;
    j.supervision.setEnabled(false);
    j.endSession(p);
}

void restartAfterTimeout(Engine& p, bool download)
{
    SupervisedJob j = supervised(p, download);
    if (retriesLeft(j)) {
        ++j.retryCount;
        j.jobProcedure(p);
        return;
    }
    j.logError(p, QStringLiteral("Unknown Error"));
    p.session.recoveryInProgress = false;
}

void supervisionTick(Engine& p, bool download)
{
    SupervisedJob j = supervised(p, download);
    if (j.stallTicks > kStalledTicks && !p.session.recoveryInProgress) {
        beginRecovery(p, j);
        j.timedOut = true;
        // The upload's login phase waits for the failure flag, not for the file
        // index: without it a stalled login would never end.
        j.failed = true;
        runAfterJobEnds(p, [&p, download] { restartAfterTimeout(p, download); });
    }
    if (j.stallTicks > 1000)
        j.stallTicks = 0;
    ++j.stallTicks;
}

// Whether the session's listing holds no entry after the failed file. The
// job then stops rather than log in again only to find nothing: the position
// after the last entry is not -1, since the picker did not search past it.
bool nothingAfterFailedFile(Engine& p)
{
    const TransferVars& t = p.transfer;
    if (!p.options.ai_nlst)
        return t.downloadFileEntryNext > t.listingLastIndex;
    return t.downloadFileScanNext == -1
        || p.fText5.text().indexOf(QLatin1Char('\r'), std::max(t.downloadFileScanNext, 1) - 1) < 0;
}

// After a socket error during a download: the failed file again while retries
// remain, else it fails and the job goes on with the file after it.
void resumeDownloadAfterError(Engine& p)
{
    SupervisedJob j = supervised(p, true);
    ScheduleVars& s = p.schedule;
    TransferVars& t = p.transfer;
    t.downloadResumeName = t.downloadLastFile;
    t.downloadResumePastName = !retriesLeft(j);
    if (retriesLeft(j)) {
        ++j.retryCount;
        s.downloadResumePosition = t.downloadFileScanStart;
        showRetryCaption(p, QStringLiteral("Tolvane- Retry Downloading at "));
        runDownloadJob(p);
        return;
    }
    p.session.downloadFileInProgress = false;
    downloadRecordStep(p, kFail);
    j.retryCount = 0;
    if (nothingAfterFailedFile(p)) {
        p.session.recoveryInProgress = false;
        return;
    }
    if (p.options.ai_nlst)
        s.downloadResumePosition = t.downloadFileScanNext;
    else
        s.downloadResumeEntry = t.downloadFileEntryNext;
    runDownloadJob(p);
}

void resumeUploadAfterError(Engine& p, int fileIndex)
{
    SupervisedJob j = supervised(p, false);
    ScheduleVars& s = p.schedule;
    if (retriesLeft(j)) {
        ++j.retryCount;
        showRetryCaption(p, QStringLiteral("Tolvane- Retry Uploading at "));
        s.uploadResumeIndex = fileIndex - 1;
        runUploadJob(p);
        return;
    }
    uploadRecordStep(p, kFail);
    j.retryCount = 0;
    s.uploadResumeIndex = fileIndex;
    runUploadJob(p);
}

// A socket error in the middle of a transfer: nothing happens without retries.
bool beginRetry(Engine& p, bool download)
{
    SupervisedJob j = supervised(p, download);
    if (j.fields.retries <= 0)
        return false;
    beginRecovery(p, j);
    return true;
}

}

void downloadSupervisionTick(Engine& p)
{
    supervisionTick(p, true);
}

void uploadSupervisionTick(Engine& p)
{
    supervisionTick(p, false);
}

void retryDownloadJob(Engine& p)
{
    if (beginRetry(p, true))
        runAfterJobEnds(p, [&p] { resumeDownloadAfterError(p); });
}

void retryUploadJob(Engine& p, int fileIndex)
{
    if (beginRetry(p, false))
        runAfterJobEnds(p, [&p, fileIndex] { resumeUploadAfterError(p, fileIndex); });
}
