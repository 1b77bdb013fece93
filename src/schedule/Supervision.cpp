#include "schedule/Supervision.h"

#include "app/Program.h"
#include "config/NumberText.h"
#include "platform/ClockTexts.h"
#include "schedule/ErrorLogs.h"
#include "schedule/JobRun.h"
#include "schedule/Recovery.h"
#include "transfer/TransferRecords.h"

#include <algorithm>

namespace {

// Supervision ticks without progress after which a session has stalled: the
// eleventh tick after the last progress finds ten.
constexpr int kStalledTicks = 9;

void showRetryCaption(Program& p, const QString& lead)
{
    p.form.setWindowTitle(lead + timeWithColonsAmPm(p.clock.now().time()));
}

// What differs between the supervision of the two jobs.
struct SupervisedJob {
    Timer& supervision;
    int& stallTicks;
    int& retryCount;
    bool& timedOut;
    bool& failed;
    QLineEdit* retriesField;
    // Ends the session's wait: no file is left to go on with.
    void (*endSession)(Program&);
    void (*jobProcedure)(Program&);
    void (*logError)(Program&, const QString&);
};

SupervisedJob supervised(Program& p, bool download)
{
    ScheduleVars& s = p.schedule;
    if (download)
        return { p.form.Timer3, s.downloadStallTicks, s.downloadRetryCount, s.downloadTimedOut,
                 p.session.downloadFailed, p.form.Text11,
                 [](Program& q) { q.transfer.endDownloadSession(); },
                 runDownloadJob, logDownloadError };
    return { p.form.Timer4, s.uploadStallTicks, s.uploadRetryCount, s.uploadTimedOut, p.session.uploadFailed,
             p.form.Text12,
             [](Program& q) { q.transfer.uploadFileIndex = q.form.File2.ListCount() + 1; },
             runUploadJob, logUploadError };
}

bool retriesLeft(const SupervisedJob& j)
{
    return valueOf(j.retriesField->text()) > j.retryCount;
}

// The session is being ended by a recovery: the supervision stops and the
// schedule holds still until the recovery is over.
void beginRecovery(Program& p, SupervisedJob& j)
{
    p.session.recoveryInProgress = true;
    j.stallTicks = 0;
    j.supervision.setEnabled(false);
    j.endSession(p);
}

void restartAfterTimeout(Program& p, bool download)
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

void supervisionTick(Program& p, bool download)
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
bool nothingAfterFailedFile(Program& p)
{
    const TransferVars& t = p.transfer;
    if (!p.form.ai_nlst->isChecked())
        return t.downloadFileEntryNext > t.listingLastIndex;
    return t.downloadFileScanNext == -1
        || p.form.fText5.text().indexOf(QLatin1Char('\r'), std::max(t.downloadFileScanNext, 1) - 1) < 0;
}

// After a socket error during a download: the failed file again while retries
// remain, else it fails and the job goes on with the file after it.
void resumeDownloadAfterError(Program& p)
{
    SupervisedJob j = supervised(p, true);
    ScheduleVars& s = p.schedule;
    TransferVars& t = p.transfer;
    s.downloadResumeName = t.downloadLastFile;
    s.downloadResumePastName = !retriesLeft(j);
    if (retriesLeft(j)) {
        ++j.retryCount;
        s.downloadResumePosition = t.downloadFileScanStart;
        showRetryCaption(p, QStringLiteral("Tolvane- Retry Downloading at "));
        runDownloadJob(p);
        return;
    }
    t.downloadFileInProgress = false;
    downloadRecordStep(p, kFail);
    j.retryCount = 0;
    if (nothingAfterFailedFile(p)) {
        p.session.recoveryInProgress = false;
        return;
    }
    if (p.form.ai_nlst->isChecked())
        s.downloadResumePosition = t.downloadFileScanNext;
    else
        s.downloadResumeEntry = t.downloadFileEntryNext;
    runDownloadJob(p);
}

void resumeUploadAfterError(Program& p, int fileIndex)
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
bool beginRetry(Program& p, bool download)
{
    SupervisedJob j = supervised(p, download);
    if (valueOf(j.retriesField->text()) <= 0)
        return false;
    beginRecovery(p, j);
    return true;
}

}

void downloadSupervisionTick(Program& p)
{
    supervisionTick(p, true);
}

void uploadSupervisionTick(Program& p)
{
    supervisionTick(p, false);
}

void retryDownloadJob(Program& p)
{
    if (beginRetry(p, true))
        runAfterJobEnds(p, [&p] { resumeDownloadAfterError(p); });
}

void retryUploadJob(Program& p, int fileIndex)
{
    if (beginRetry(p, false))
        runAfterJobEnds(p, [&p, fileIndex] { resumeUploadAfterError(p, fileIndex); });
}
