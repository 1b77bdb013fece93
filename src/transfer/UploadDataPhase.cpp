#include "transfer/UploadDataPhase.h"

#include "ftp/Job.h"
#include "ftp/ReplyCodes.h"
#include "ftp/TimedWait.h"
#include "transfer/LocalPaths.h"
#include "transfer/Percentage.h"
#include "transfer/StoringLoop.h"
#include "transfer/TransferContext.h"
#include "transfer/TransferRecords.h"


namespace {

constexpr qint64 kChunkBytes = 2000;

// The file is not stored: it is recorded "fail", keeps its local copy, and the
// loop goes on with the next file at once.
void failFileNow(TransferContext& p)
{
    p.session.uploadState = ProtocolState::ChoosingFile;
    p.transfer.transferFile.close();
    p.ftpclient3.Close();
    uploadRecordStep(p, kFail);
    storingStep(p);
}

// The data connection is closed once the whole file has gone out; the server's
// reply to that, once the next file is being chosen, confirms or refuses the
// file.
void endOfFileSent(TransferContext& p)
{
    p.session.uploadState = ProtocolState::ChoosingFile;
    p.transfer.transferFile.close();
    p.transfer.uploadAwaitingConfirmation = true;
    p.ftpclient3.Close();
}

bool dataConnected(TransferContext& p)
{
    return p.ftpclient3.State() == Winsock::sckConnected;
}

}

void startUploadData(TransferContext& p)
{
    Job job = uploadJob(p);
    TransferVars& t = p.transfer;
    ++t.uploadActivity;
    job.state = ProtocolState::Sending;
    t.transferFile.close();
    const QByteArray path = localFilePath(p.workPath, t.uploadFileName);
    t.uploadFileLength = std::max<qint64>(localFileSize(path), 0);
    // A refused STOR is not followed by a data connection worth sending on.
    if (refuses(job.reply) || !t.transferFile.openForReading(path)) {
        failFileNow(p);
        return;
    }
    t.uploadFileLength = t.transferFile.size();
    job.waitSeconds = 0;
    waitForSeconds(job, 6, [&] { return !dataConnected(p); });
    if (t.uploadFileLength > 0) {
        p.view.setProgressVisible(JobKind::Upload, true);
        if (t.transferFile.atEnd())
            return;
        t.uploadChunkBuffer = t.transferFile.readRecord(kChunkBytes);
        if (!dataConnected(p)) {
            failFileNow(p);
            return;
        }
        t.uploadChunk = t.uploadChunkBuffer.left(std::min(t.uploadFileLength, kChunkBytes));
        p.ftpclient3.SendData(t.uploadChunk);
        return;
    }
    p.view.setProgressVisible(JobKind::Upload, false);
    if (p.fText6b == t.uploadFileLength && dataConnected(p))
        endOfFileSent(p);
    else
        failFileNow(p);
}

void uploadSendProgress(TransferContext& p, int bytesSent)
{
    p.fText6b += bytesSent;
    p.view.showByteCount(JobKind::Upload, p.fText6b);
}

void uploadSendComplete(TransferContext& p)
{
    TransferVars& t = p.transfer;
    if (p.session.uploadState != ProtocolState::Sending)
        return;
    ++t.uploadActivity;
    const qint64 sent = p.fText6b;
    const qint64 left = t.uploadFileLength - sent;
    const qint64 chunkLength = left < kChunkBytes ? left : kChunkBytes;
    if (t.transferFile.atEnd()) {
        endOfFileSent(p);
        return;
    }
    t.uploadChunkBuffer = t.transferFile.readRecord(kChunkBytes);
    t.uploadChunk = t.uploadChunkBuffer.left(std::max<qint64>(chunkLength, 0));
    if (t.uploadFileLength > 0)
        p.view.showProgress(JobKind::Upload, percentageText(sent, t.uploadFileLength));
    if (dataConnected(p))
        p.ftpclient3.SendData(t.uploadChunk);
    p.uploadStallTicks = 0;
}
