#include "transfer/StoringLoop.h"

#include "ftp/ControlSession.h"
#include "ftp/DataListener.h"
#include "ftp/Job.h"
#include "ftp/ReplyCodes.h"
#include "platform/ClockTexts.h"
#include "platform/Yield.h"
#include "transfer/FileNames.h"
#include "transfer/LocalPaths.h"
#include "transfer/TransferContext.h"
#include "transfer/TransferRecords.h"


namespace {

// The file went out whole and its data connection was closed: it is stored
// only when all its bytes were sent and the server confirms the transfer.
// Until then nothing is recorded and the local file stays.
void confirmStoredFile(TransferContext& p, const QString& reply)
{
    TransferVars& t = p.transfer;
    t.uploadAwaitingConfirmation = false;
    const bool allSent = p.fText6b == t.uploadFileLength;
    // A file written to while it went out holds more than the server got:
    // deleted or recorded as uploaded, what was added would be lost.
    const qint64 sizeNow = localFileSize(localFilePath(p.workPath, t.uploadFileName));
    const bool unchanged = sizeNow < 0 || sizeNow == t.uploadFileLength;
    if (confirmsTransfer(reply) && allSent && unchanged) {
        uploadRecordStep(p, kPass);
        if (p.options.uploadDupeCheck)
            uploadedNameRecord(p);
    } else {
        uploadRecordStep(p, kFail);
    }
}

// A file is announced with STOR only when its name can go into a command and
// the file can be read: a STOR whose file cannot be sent would leave an empty
// file of that name on the server.
bool storable(TransferContext& p, const QString& name)
{
    if (hasControlCharacter(name))
        return false;
    TransferFile probe;
    return probe.openForReading(localFilePath(p.workPath, name));
}

// A file that cannot be stored is recorded "fail" and passed over.
void refuseName(TransferContext& p, const QString& name)
{
    TransferVars& t = p.transfer;
    t.uploadFileName = name;
    t.uploadFileLength = std::max<qint64>(localFileSize(localFilePath(p.workPath, name)), 0);
    uploadRecordStep(p, kFail);
}

bool alreadyUploaded(TransferContext& p, const QString& name)
{
    return p.options.uploadDupeCheck && p.transfer.uploadedNames.contains(name);
}

void chooseNextFile(TransferContext& p)
{
    TransferVars& t = p.transfer;
    FileListBox& files = p.File2;
    bool found = false;
    while (t.uploadFileIndex < files.ListCount() && !found) {
        t.uploadFileName = files.List(t.uploadFileIndex);
        yieldOnce();
        if (alreadyUploaded(p, t.uploadFileName)) {
            ++t.uploadFileIndex;
            yieldOnce();
        } else if (!storable(p, t.uploadFileName)) {
            refuseName(p, t.uploadFileName);
            ++t.uploadFileIndex;
        } else {
            storeFileStep(p);
            found = true;
            yieldOnce();
        }
    }
    if (t.uploadFileIndex == files.ListCount() && !found)
        ++t.uploadFileIndex;  // the list is used up
}

// The reply to REST: STOR goes out.
void sendStore(TransferContext& p, Job& job)
{
    TransferVars& t = p.transfer;
    FileListBox& files = p.File2;
    ++t.uploadFileIndex;
    job.state = ProtocolState::StoreAnswered;
    if (t.uploadFileName == p.session.downloadCurrentFile) {
        // The download job is writing a file of this name into the same
        // folder: store the next one instead.
        const bool another = t.uploadFileIndex < files.ListCount();
        if (another)
            t.uploadFileName = files.List(t.uploadFileIndex);
        ++t.uploadFileIndex;
        if (!another)
            return;
        if (!storable(p, t.uploadFileName)) {
            // No STOR goes out, so no reply will come to move the loop on:
            // choose the next file now, the REST having been answered.
            refuseName(p, t.uploadFileName);
            job.state = ProtocolState::ChoosingFile;
            chooseNextFile(p);
            return;
        }
    }
    p.setCaption(p.transferCaptionPrefix + timeWithColonsAmPm(p.clock.now().time())
                          + QStringLiteral(" File: ") + t.uploadFileName);
    p.fText6b = 0;
    p.view.showByteCount(JobKind::Upload, 0);
    sendCommand(job, QStringLiteral("STOR ") + datedName(p.clock.now().date(), p.options.ai_ustamp, t.uploadFileName));
}

}

void storingStep(TransferContext& p)
{
    TransferVars& t = p.transfer;
    ++t.uploadActivity;
    if (p.session.uploadState == ProtocolState::Transfer) {
        // Starting the files before this reply would leave every later reply
        // one command behind, and a file's bytes could go out before its STOR
        // was accepted.
        t.uploadReadyToStore = true;
        return;
    }
    // The folder is read when the first file is chosen, not again under that
    // file's commands: a list read anew there could shrink under the index and
    // end the session before the file's STOR, with no word on it.
    if (t.uploadFileIndex == 0 && p.session.uploadState == ProtocolState::ChoosingFile)
        p.File2.setPattern(p.uploadFields.pattern);
    if (p.session.uploadState == ProtocolState::ChoosingFile) {
        if (t.uploadAwaitingConfirmation)
            confirmStoredFile(p, p.session.uploadReply);
        chooseNextFile(p);
        return;
    }
    yieldOnce();
    storeFileStep(p);
}

void storeFileStep(TransferContext& p)
{
    Job job = uploadJob(p);
    switch (job.state) {
    case ProtocolState::ChoosingFile:
        job.state = ProtocolState::StoreTypeSent;
        if (!setUpListener(job, true))
            return;
        sendCommand(job, p.options.transferTypeCommand);
        p.session.uploadDataIsFile = true;
        break;
    case ProtocolState::StoreTypeSent:
        job.state = ProtocolState::StorePortSent;
        sendPortCommand(job);
        break;
    case ProtocolState::StorePortSent:
        job.state = ProtocolState::StoreRestSent;
        sendCommand(job, QStringLiteral("REST 0"));
        break;
    case ProtocolState::StoreRestSent:
        sendStore(p, job);
        break;
    default:
        break;
    }
}

void abandonStalledFile(TransferContext& p)
{
    TransferVars& t = p.transfer;
    // Before STOR the index still names the file in hand: step past it, so the
    // same file is not tried again at once.
    if (p.session.uploadState >= ProtocolState::StoreTypeSent && p.session.uploadState <= ProtocolState::StoreRestSent)
        ++t.uploadFileIndex;
    t.uploadAwaitingConfirmation = false;
    t.transferFile.close();
    p.ftpclient3.Close();
    p.session.uploadState = ProtocolState::ChoosingFile;
    uploadRecordStep(p, kFail);
    storingStep(p);
}
