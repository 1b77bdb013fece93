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

void restartDownloadAfterTimeout(Program& p)
{
    ScheduleVars& s = p.schedule;
    if (valueOf(p.form.Text11->text()) > s.downloadRetryCount) {
        ++s.downloadRetryCount;
        runDownloadJob(p);
        return;
    }
    logDownloadError(p, QStringLiteral("Unknown Error"));
    p.session.recoveryInProgress = false;
}

void restartUploadAfterTimeout(Program& p)
{
    ScheduleVars& s = p.schedule;
    if (valueOf(p.form.Text12->text()) > s.uploadRetryCount) {
        ++s.uploadRetryCount;
        runUploadJob(p);
        return;
    }
    logUploadError(p, QStringLiteral("Unknown Error"));
    p.session.recoveryInProgress = false;
}

// Whether the session's listing holds no entry after the failed file. The
// job then stops rather than log in again only to find nothing: the position
// after the last entry is not -1, since the picker did not search past it.
bool nothingAfterFailedFile(Program& p)
{
    const TransferVars& t = p.transfer;
    if (!p.form.ai_nlst->isChecked())
        return t.listingEntryIndex > t.listingLastIndex;
    return t.listingScanPosition == -1
        || p.form.fText5.text().indexOf(QLatin1Char('\r'), std::max(t.listingScanPosition, 1) - 1) < 0;
}

// After a socket error during a download: the failed file again while retries
// remain, else it fails and the job goes on with the file after it.
void resumeDownloadAfterError(Program& p)
{
    ScheduleVars& s = p.schedule;
    TransferVars& t = p.transfer;
    if (valueOf(p.form.Text11->text()) > s.downloadRetryCount) {
        ++s.downloadRetryCount;
        s.downloadResumePosition = t.listingScanStart;
        showRetryCaption(p, QStringLiteral("Tolvane- Retry Downloading at "));
        runDownloadJob(p);
        return;
    }
    t.downloadFileInProgress = false;
    downloadRecordStep(p, kFail);
    s.downloadRetryCount = 0;
    if (nothingAfterFailedFile(p)) {
        p.session.recoveryInProgress = false;
        return;
    }
    if (p.form.ai_nlst->isChecked())
        s.downloadResumePosition = t.listingScanPosition;
    else
        s.downloadResumeEntry = t.listingEntryIndex;  // already past the failed file's entry
    runDownloadJob(p);
}

void resumeUploadAfterError(Program& p, int fileIndex)
{
    ScheduleVars& s = p.schedule;
    if (valueOf(p.form.Text12->text()) > s.uploadRetryCount) {
        ++s.uploadRetryCount;
        showRetryCaption(p, QStringLiteral("Tolvane- Retry Uploading at "));
        s.uploadResumeIndex = fileIndex - 1;
        runUploadJob(p);
        return;
    }
    uploadRecordStep(p, kFail);
    s.uploadRetryCount = 0;
    s.uploadResumeIndex = fileIndex;
    runUploadJob(p);
}

}

void downloadSupervisionTick(Program& p)
{
    ScheduleVars& s = p.schedule;
    if (s.downloadStallTicks > kStalledTicks && !p.session.recoveryInProgress) {
        p.form.Timer3.setEnabled(false);
        s.downloadStallTicks = 0;
        p.session.recoveryInProgress = true;
        s.downloadTimedOut = true;
        p.transfer.downloadCurrentFile = QStringLiteral("done");
        p.session.downloadFailed = true;
        runAfterJobEnds(p, [&p] { restartDownloadAfterTimeout(p); });
    }
    if (s.downloadStallTicks > 1000)
        s.downloadStallTicks = 0;
    ++s.downloadStallTicks;
}

void uploadSupervisionTick(Program& p)
{
    ScheduleVars& s = p.schedule;
    if (s.uploadStallTicks > kStalledTicks && !p.session.recoveryInProgress) {
        p.form.Timer4.setEnabled(false);
        s.uploadStallTicks = 0;
        p.session.recoveryInProgress = true;
        s.uploadTimedOut = true;
        p.transfer.uploadFileIndex = p.form.File2.ListCount() + 1;
        // The login phase waits for the failure flag, not for the file index:
        // without it a stalled login would never end.
        p.session.uploadFailed = true;
        runAfterJobEnds(p, [&p] { restartUploadAfterTimeout(p); });
    }
    if (s.uploadStallTicks > 1000)
        s.uploadStallTicks = 0;
    ++s.uploadStallTicks;
}

void retryDownloadJob(Program& p)
{
    if (valueOf(p.form.Text11->text()) <= 0)
        return;
    p.session.recoveryInProgress = true;
    p.schedule.downloadStallTicks = 0;
    p.form.Timer3.setEnabled(false);
    p.transfer.downloadCurrentFile = QStringLiteral("done");
    runAfterJobEnds(p, [&p] { resumeDownloadAfterError(p); });
}

void retryUploadJob(Program& p, int fileIndex)
{
    if (valueOf(p.form.Text12->text()) <= 0)
        return;
    p.session.recoveryInProgress = true;
    p.schedule.uploadStallTicks = 0;
    p.form.Timer4.setEnabled(false);
    p.transfer.uploadFileIndex = p.form.File2.ListCount() + 1;
    runAfterJobEnds(p, [&p, fileIndex] { resumeUploadAfterError(p, fileIndex); });
}
