#include "schedule/JobRun.h"

#include "ftp/ControlSession.h"
#include "ftp/Job.h"
#include "ftp/TimedWait.h"
#include "platform/Yield.h"
#include "schedule/Engine.h"
#include "schedule/ErrorLogs.h"
#include "schedule/FieldLocks.h"
#include "schedule/JobOutcome.h"
#include "schedule/JobSwitch.h"
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
    Engine& engine;
    JobKind kind;
    Job job;
    bool& running;
    bool& timedOut;
    Timer& supervision;
    Timer& otherSupervision;
    int& stallTicks;
    int& otherStallTicks;
    QString lastRunLead;
    bool& switchOn;
    Timer& scheduleTimer;
    void (*lockFields)(Engine&);
    void (*unlockFields)(Engine&);
    void (*logError)(Engine&, const QString&);
    void (*recordFailedFile)(Engine&);
    QSet<QString>& failedNames;
    // How the job ended, as its error log says it: "done" when it did not fail.
    QString outcome = QStringLiteral("done");
};

void recordFailedDownload(Engine& e)
{
    e.session.downloadFileInProgress = false;
    downloadRecordStep(e, kFail);
}

void recordFailedUpload(Engine& e)
{
    uploadRecordStep(e, kFail);
}

JobParts downloadParts(Engine& e)
{
    ScheduleVars& s = e.schedule;
    return { e, JobKind::Download, downloadJob(e), s.downloadJobRunning, s.downloadTimedOut, e.Timer3, e.Timer4,
             e.downloadStallTicks, e.uploadStallTicks, QStringLiteral("Last Download on "), s.downloadSwitchOn,
             e.Timer1, lockDownloadFields, unlockDownloadFields, logDownloadError, recordFailedDownload,
             e.transfer.downloadFailedNames };
}

JobParts uploadParts(Engine& e)
{
    ScheduleVars& s = e.schedule;
    return { e, JobKind::Upload, uploadJob(e), s.uploadJobRunning, s.uploadTimedOut, e.Timer4, e.Timer3,
             e.uploadStallTicks, e.downloadStallTicks, QStringLiteral("Last Upload on "), s.uploadSwitchOn,
             e.Timer2, lockUploadFields, unlockUploadFields, logUploadError, recordFailedUpload,
             e.transfer.uploadFailedNames };
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
    if (!std::exchange(j.engine.schedule.jobRestarting, false))
        j.failedNames.clear();
    j.running = true;
    j.timedOut = false;
    j.stallTicks = 0;
    j.engine.view.jobStarted(j.kind, j.job.site.current(j.job.site.hosts));
    j.lockFields(j.engine);
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

// A failed session: the schedule display says how, and the error log why.
void reportSessionFailure(JobParts& j)
{
    const int error = j.job.errorNumber;
    const bool timeout = error > 0 || j.timedOut;
    j.engine.view.showScheduleDisplay(j.kind, siteTime(j) + (timeout ? QStringLiteral("Timeout")
                                                                       : QStringLiteral(" Login Failed")));
    j.outcome = failureMessage(error, j.timedOut);
    j.logError(j.engine, j.outcome);
}

// A socket error in the middle of a transfer with no retries configured: the
// file fails and the job's schedule is switched on again.
void reportTransferFailure(JobParts& j)
{
    j.scheduleTimer.setEnabled(true);
    if (!j.switchOn)
        turnJobSwitch(j.engine, j.kind, true);
    j.engine.view.showScheduleDisplay(j.kind, siteTime(j) + QStringLiteral(" Transfer Failed"));
    j.outcome = QStringLiteral("Transfer Failed");
    j.recordFailedFile(j.engine);
}

bool noRetries(const JobParts& j)
{
    return j.job.fields.retries <= 0;
}

void endJob(JobParts& j)
{
    Engine& e = j.engine;
    j.supervision.setEnabled(false);
    j.job.control.Close();
    j.job.data.Close();
    // A file still open here was not confirmed: its partial copy goes.
    e.transfer.transferFile.close();
    e.setCaption(QStringLiteral("Tolvane - Idle"));
    e.view.showLastRun(j.kind, lastJobText(j.lastRunLead, e.clock.now().date()));
    j.unlockFields(e);
    j.running = false;
    e.view.jobEnded(j.kind, j.outcome);
}

// An unexpected fault: the site may start again today, the error log says so,
// and the job still winds down, so nothing stays locked or open.
void takeFaultPath(JobParts& j)
{
    j.running = false;
    j.job.site.lastRunDates[size_t(std::clamp(j.job.site.index, 0, kMaxSites))] = QStringLiteral("1");
    j.outcome = QStringLiteral("Unknown Error");
    j.logError(j.engine, j.outcome);
    endJob(j);
}

bool deleteLastFileAllowed(Engine& e)
{
    const TransferVars& t = e.transfer;
    return e.options.deleteAfterDownload && !e.session.recoveryInProgress && t.downloadLastFilePassed
        && sizeAllowsDelete(t.downloadExpectedSize, e.fText6);
}

void runDownloadSession(JobParts& j)
{
    Engine& p = j.engine;
    SessionVars& s = p.session;
    TransferVars& t = p.transfer;
    s.downloadReplySeen = true;
    t.downloadVerifyGate = true;
    beginJob(j);
    t.downloadLastFile.clear();
    t.downloadLastFilePassed = false;
    t.listingScanPosition = t.downloadFileScanStart = t.downloadFileScanNext = p.schedule.downloadResumePosition;
    t.listingEntryIndex = t.downloadFileEntryNext = p.schedule.downloadResumeEntry;
    t.downloadResumeByName = !t.downloadResumeName.isEmpty();
    connectJob(j);
    s.downloadCurrentFile = QStringLiteral("notdone");

    waitUntil([&] { return s.downloadSessionOver || s.downloadErrorNumber != 0 || s.downloadFailed; });
    s.downloadCurrentFile = QStringLiteral("notdone");
    j.supervision.setEnabled(false);

    if (!s.downloadFailed && s.downloadErrorNumber <= 0) {
        if (deleteLastFileAllowed(p)) {
            s.downloadReplySeen = false;
            sendCommand(j.job, QStringLiteral("DELE ") + t.downloadLastFile);
        }
    } else if (isSocketError(s.downloadErrorNumber) && s.downloadState == ProtocolState::Transfer && noRetries(j)) {
        reportTransferFailure(j);
    } else {
        reportSessionFailure(j);
        // A file whose RETR went out and that nothing judged since: the
        // session that failed under it leaves its line in the outcome log.
        const bool fileUnjudged = (s.downloadState == ProtocolState::Transfer && t.downloadVerifyGate)
            || s.downloadState == ProtocolState::Retrieving;
        if (s.downloadFileInProgress && fileUnjudged)
            recordFailedDownload(p);
    }
    yieldUntil([&] { return s.downloadReplySeen; }, kFinalReplyWaitMs);
    s.recoveryInProgress = false;
    endJob(j);
}

// Waits while files remain to be stored. A file that makes no progress within
// the bound fails and the loop goes on; with the control connection gone, the
// phase ends.
void waitForStoringPhase(Engine& p)
{
    TransferVars& t = p.transfer;
    SessionVars& s = p.session;
    auto storing = [&] {
        return t.uploadFileIndex <= p.File2.ListCount() && s.uploadErrorNumber == 0 && !s.uploadFailed;
    };
    while (storing()) {
        const int activity = t.uploadActivity;
        if (yieldUntil([&] { return !storing(); }, kStoringStallMs) || t.uploadActivity != activity)
            continue;
        if (p.ftpclient1a.State() == Winsock::sckConnected) {
            abandonStalledFile(p);
            continue;
        }
        if (s.uploadState >= ProtocolState::StoreAnswered || t.uploadAwaitingConfirmation)
            uploadRecordStep(p, kFail);
        t.uploadAwaitingConfirmation = false;
        t.uploadFileIndex = p.File2.ListCount() + 1;
    }
}

void runUploadSession(JobParts& j)
{
    Engine& p = j.engine;
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
        return (s.uploadState >= ProtocolState::Transfer && t.uploadReadyToStore) || s.uploadErrorNumber != 0
            || s.uploadFailed;
    });
    j.supervision.setEnabled(false);
    s.recoveryInProgress = false;

    if (s.uploadFailed || s.uploadErrorNumber > 0) {
        reportSessionFailure(j);
    } else {
        s.uploadState = ProtocolState::ChoosingFile;
        storingStep(p);
        waitForStoringPhase(p);
        const bool fileUnderWay = s.uploadState >= ProtocolState::StoreAnswered || t.uploadAwaitingConfirmation;
        if (isSocketError(s.uploadErrorNumber) && s.uploadState >= ProtocolState::StoreAnswered && noRetries(j)) {
            reportTransferFailure(j);
        } else if (s.uploadErrorNumber > 0) {
            j.outcome = failureMessage(s.uploadErrorNumber, true);
            logUploadError(p, j.outcome);
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

void runDownloadJob(Engine& engine)
{
    runJob(downloadParts(engine), runDownloadSession);
}

void runUploadJob(Engine& engine)
{
    runJob(uploadParts(engine), runUploadSession);
}
