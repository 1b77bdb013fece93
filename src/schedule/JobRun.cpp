#include "schedule/JobRun.h"

#include "app/Program.h"
#include "config/NumberText.h"
#include "ftp/ControlSession.h"
#include "ftp/Job.h"
#include "ftp/ReplyCodes.h"
#include "ftp/TimedWait.h"
#include "platform/Yield.h"
#include "schedule/ErrorLogs.h"
#include "schedule/FieldLocks.h"
#include "transfer/ListingScan.h"
#include "transfer/StoringLoop.h"
#include "transfer/TransferRecords.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace {

// The session wait has no end of its own: the supervision ends a session that
// stalls. It sleeps in the event loop in slices of this length.
constexpr int kSessionWaitSliceMs = 60'000;
// How long the end of a download waits for the reply to its final DELE.
constexpr int kFinalReplyWaitMs = 30'000;
// A storing phase that takes no step in a whole slice of this length has
// stalled: its file fails. Slices, rather than a wait renewed at every step,
// because an upload steps every 2000 bytes and a timer set up and torn down
// each time would cost as much as reading the chunk.
constexpr int kStoringStallMs = 60'000;

// What differs between the two job procedures, bound once.
struct JobParts {
    Job job;
    bool& running;
    bool& timedOut;
    Timer& supervision;
    Timer& otherSupervision;
    int& stallTicks;
    int& otherStallTicks;
    QLabel* scheduleDisplay;
    QLabel* lastRunLine;
    QString lastRunLead;
    QLineEdit* retriesField;
    QCheckBox* jobSwitch;
    Timer& scheduleTimer;
    void (*lockFields)(Program&);
    void (*unlockFields)(Program&);
    void (*logError)(Program&, const QString&);
    void (*recordFailedFile)(Program&);
    QSet<QString>& failedNames;
};

void recordFailedDownload(Program& p)
{
    p.transfer.downloadFileInProgress = false;
    downloadRecordStep(p, kFail);
}

void recordFailedUpload(Program& p)
{
    uploadRecordStep(p, kFail);
}

JobParts downloadParts(Program& p)
{
    Form1& f = p.form;
    ScheduleVars& s = p.schedule;
    return { downloadJob(p), s.downloadJobRunning, s.downloadTimedOut, f.Timer3, f.Timer4, s.downloadStallTicks,
             s.uploadStallTicks, f.Label11, f.Label18, QStringLiteral("Last Download on "), f.Text11,
             f.Check1, f.Timer1, lockDownloadFields, unlockDownloadFields, logDownloadError,
             recordFailedDownload, p.transfer.downloadFailedNames };
}

JobParts uploadParts(Program& p)
{
    Form1& f = p.form;
    ScheduleVars& s = p.schedule;
    return { uploadJob(p), s.uploadJobRunning, s.uploadTimedOut, f.Timer4, f.Timer3, s.uploadStallTicks,
             s.downloadStallTicks, f.Label12, f.Label19, QStringLiteral("Last Upload on "), f.Text12,
             f.Check2, f.Timer2, lockUploadFields, unlockUploadFields, logUploadError,
             recordFailedUpload, p.transfer.uploadFailedNames };
}

QString siteTime(const JobParts& j)
{
    return j.job.site.current(j.job.site.hours) + j.job.site.current(j.job.site.amPm);
}

void waitUntil(const std::function<bool()>& condition)
{
    while (!yieldUntil(condition, kSessionWaitSliceMs)) {
    }
}

// From the job's start to the moment it connects: the row is locked, both
// supervisions are off, the sockets close, and a pause of about nine seconds
// passes.
void beginJob(JobParts& j)
{
    if (!std::exchange(j.job.program.schedule.jobRestarting, false))
        j.failedNames.clear();
    j.running = true;
    j.timedOut = false;
    j.stallTicks = 0;
    j.lockFields(j.job.program);
    j.supervision.setEnabled(false);
    j.otherSupervision.setEnabled(false);
    j.job.control.Close();
    j.job.data.Close();
    j.job.waitSeconds = 0;
    waitForSeconds(j.job, 9);
}

void connectJob(JobParts& j)
{
    j.stallTicks = 0;
    j.supervision.setEnabled(true);
    j.otherStallTicks = 0;
    j.otherSupervision.setEnabled(false);
    startControlSession(j.job);
}

// The error log's word for a session that ended with this error number. A
// session the supervision ended is a timeout, never a refused login.
QString failureMessage(int error, bool timedOut)
{
    if (error == 11001)
        return QStringLiteral("Invalid IP/Host");
    if (error == kInvalidReplyError)
        return QStringLiteral("Invalid Reply");
    if (error > 0 || timedOut)
        return QStringLiteral("Timeout Error");
    return QStringLiteral("Invalid User/Pass");
}

// A socket error, as opposed to a host that was not found or a server that
// does not speak FTP.
bool isSocketError(int error)
{
    return error > 0 && error != 11001 && error != kInvalidReplyError;
}

// A failed session: the schedule display says how, and the error log why.
void reportSessionFailure(JobParts& j)
{
    const int error = j.job.errorNumber;
    const bool timeout = error > 0 || j.timedOut;
    j.scheduleDisplay->setText(siteTime(j) + (timeout ? QStringLiteral("Timeout") : QStringLiteral(" Login Failed")));
    j.logError(j.job.program, failureMessage(error, j.timedOut));
}

// A socket error in the middle of a transfer with no retries configured: the
// file fails and the job's schedule is switched on again.
void reportTransferFailure(JobParts& j)
{
    j.scheduleTimer.setEnabled(true);
    j.jobSwitch->setChecked(true);
    j.scheduleDisplay->setText(siteTime(j) + QStringLiteral(" Transfer Failed"));
    j.recordFailedFile(j.job.program);
}

bool noRetries(const JobParts& j)
{
    return valueOf(j.retriesField->text()) <= 0;
}

void endJob(JobParts& j)
{
    Program& p = j.job.program;
    j.supervision.setEnabled(false);
    j.job.control.Close();
    j.job.data.Close();
    // A file still open here was not confirmed: its partial copy goes.
    p.transfer.transferFile.close();
    p.form.setWindowTitle(QStringLiteral("Tolvane - Idle"));
    j.lastRunLine->setText(lastJobText(j.lastRunLead, p.clock.now().date()));
    j.unlockFields(p);
    j.running = false;
}

// An unexpected fault: the site may start again today, the error log says so,
// and the job still winds down, so nothing stays locked or open.
void takeFaultPath(JobParts& j)
{
    Program& p = j.job.program;
    j.running = false;
    j.job.site.lastRunDates[size_t(std::clamp(j.job.site.index, 0, kMaxSites))] = QStringLiteral("1");
    j.logError(p, QStringLiteral("Unknown Error"));
    endJob(j);
}

bool deleteLastFileAllowed(Program& p)
{
    const TransferVars& t = p.transfer;
    return p.options.deleteAfterDownload && !p.session.recoveryInProgress && t.downloadLastFilePassed
        && sizeAllowsDelete(t.downloadExpectedSize, p.form.fText6->count());
}

void runDownloadSession(JobParts& j)
{
    Program& p = j.job.program;
    SessionVars& s = p.session;
    TransferVars& t = p.transfer;
    s.downloadReplySeen = true;
    t.downloadVerifyGate = true;
    beginJob(j);
    t.downloadLastFile.clear();
    t.downloadLastFilePassed = false;
    t.listingScanPosition = t.downloadFileScanStart = t.downloadFileScanNext = p.schedule.downloadResumePosition;
    t.listingEntryIndex = t.downloadFileEntryNext = p.schedule.downloadResumeEntry;
    t.downloadResumeByName = !p.schedule.downloadResumeName.isEmpty();
    connectJob(j);
    t.downloadCurrentFile = QStringLiteral("notdone");

    waitUntil([&] { return t.downloadSessionOver || s.downloadErrorNumber != 0 || s.downloadFailed; });
    t.downloadCurrentFile = QStringLiteral("notdone");
    j.supervision.setEnabled(false);

    if (!s.downloadFailed && s.downloadErrorNumber <= 0) {
        if (deleteLastFileAllowed(p)) {
            s.downloadReplySeen = false;
            sendCommand(j.job, QStringLiteral("DELE ") + t.downloadLastFile);
        }
    } else if (isSocketError(s.downloadErrorNumber) && s.downloadState == 12 && noRetries(j)) {
        reportTransferFailure(j);
    } else {
        reportSessionFailure(j);
        // A file whose RETR went out and that nothing judged since: the
        // session that failed under it leaves its line in the outcome log.
        const bool fileUnjudged = (s.downloadState == 12 && t.downloadVerifyGate) || s.downloadState == 16;
        if (t.downloadFileInProgress && fileUnjudged)
            recordFailedDownload(p);
    }
    yieldUntil([&] { return s.downloadReplySeen; }, kFinalReplyWaitMs);
    s.recoveryInProgress = false;
    endJob(j);
}

// Waits while files remain to be stored. A file that makes no progress within
// the bound fails and the loop goes on; with the control connection gone, the
// phase ends.
void waitForStoringPhase(Program& p)
{
    TransferVars& t = p.transfer;
    SessionVars& s = p.session;
    auto storing = [&] {
        return t.uploadFileIndex <= p.form.File2.ListCount() && s.uploadErrorNumber == 0 && !s.uploadFailed;
    };
    while (storing()) {
        const int activity = t.uploadActivity;
        if (yieldUntil([&] { return !storing(); }, kStoringStallMs) || t.uploadActivity != activity)
            continue;
        if (p.form.ftpclient1a.State() == Winsock::sckConnected) {
            abandonStalledFile(p);
            continue;
        }
        if (s.uploadState >= 22 || t.uploadAwaitingConfirmation)
            uploadRecordStep(p, kFail);
        t.uploadAwaitingConfirmation = false;
        t.uploadFileIndex = p.form.File2.ListCount() + 1;
    }
}

void runUploadSession(JobParts& j)
{
    Program& p = j.job.program;
    SessionVars& s = p.session;
    TransferVars& t = p.transfer;
    beginJob(j);
    t.listingScanPosition = 1;
    t.listingEntryIndex = 0;
    t.uploadFileIndex = p.schedule.uploadResumeIndex;
    t.uploadAwaitingConfirmation = false;
    t.uploadReadyToStore = false;
    connectJob(j);

    waitUntil([&] {
        return (s.uploadState >= 12 && t.uploadReadyToStore) || s.uploadErrorNumber != 0 || s.uploadFailed;
    });
    j.supervision.setEnabled(false);
    s.recoveryInProgress = false;

    if (s.uploadFailed || s.uploadErrorNumber > 0) {
        reportSessionFailure(j);
    } else {
        s.uploadState = 18;
        storingStep(p);
        waitForStoringPhase(p);
        const bool fileUnderWay = s.uploadState >= 22 || t.uploadAwaitingConfirmation;
        if (isSocketError(s.uploadErrorNumber) && s.uploadState >= 22 && noRetries(j)) {
            reportTransferFailure(j);
        } else if (s.uploadErrorNumber > 0) {
            logUploadError(p, failureMessage(s.uploadErrorNumber, true));
            // A file that went out and that nothing confirmed: the session
            // that failed under it leaves its line in the outcome log.
            if (fileUnderWay)
                recordFailedUpload(p);
        }
    }
    endJob(j);
}

void runJob(JobParts j, void (*session)(JobParts&))
{
    try {
        session(j);
    } catch (const std::exception&) {
        takeFaultPath(j);
    }
}

}

void runDownloadJob(Program& program)
{
    runJob(downloadParts(program), runDownloadSession);
}

void runUploadJob(Program& program)
{
    runJob(uploadParts(program), runUploadSession);
}
