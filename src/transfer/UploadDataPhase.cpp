#include "transfer/UploadDataPhase.h"

#include "app/Program.h"
#include "ftp/Job.h"
#include "ftp/ReplyCodes.h"
#include "ftp/TimedWait.h"
#include "transfer/LocalPaths.h"
#include "transfer/PercentageField.h"
#include "transfer/StoringLoop.h"
#include "transfer/TransferRecords.h"


namespace {

constexpr qint64 kChunkBytes = 2000;

// The file is not stored: it is recorded "fail", keeps its local copy, and the
// loop goes on with the next file at once.
void failFileNow(Program& p)
{
    p.session.uploadState = 18;
    p.transfer.transferFile.close();
    p.form.ftpclient3.Close();
    uploadRecordStep(p, kFail);
    storingStep(p);
}

// The data connection is closed once the whole file has gone out; the server's
// reply to that, in state 18, confirms or refuses the file.
void endOfFileSent(Program& p)
{
    p.session.uploadState = 18;
    p.transfer.transferFile.close();
    p.transfer.uploadAwaitingConfirmation = true;
    p.form.ftpclient3.Close();
}

bool dataConnected(Program& p)
{
    return p.form.ftpclient3.State() == Winsock::sckConnected;
}

}

void startUploadData(Program& p)
{
    Job job = uploadJob(p);
    TransferVars& t = p.transfer;
    ++t.uploadActivity;
    job.state = 23;
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
        p.form.Text14->setVisible(true);
        if (t.transferFile.atEnd())
            return;
        t.uploadChunkBuffer = t.transferFile.readRecord(kChunkBytes);
        if (!dataConnected(p)) {
            failFileNow(p);
            return;
        }
        t.uploadChunk = t.uploadChunkBuffer.left(std::min(t.uploadFileLength, kChunkBytes));
        p.form.ftpclient3.SendData(t.uploadChunk);
        return;
    }
    p.form.Text14->setVisible(false);
    if (p.form.fText6b->count() == t.uploadFileLength && dataConnected(p))
        endOfFileSent(p);
    else
        failFileNow(p);
}

void uploadSendProgress(Program& p, int bytesSent)
{
    p.form.fText6b->add(bytesSent);
}

void uploadSendComplete(Program& p)
{
    TransferVars& t = p.transfer;
    if (p.session.uploadState != 23)
        return;
    ++t.uploadActivity;
    const qint64 sent = p.form.fText6b->count();
    const qint64 left = t.uploadFileLength - sent;
    const qint64 chunkLength = left < kChunkBytes ? left : kChunkBytes;
    if (t.transferFile.atEnd()) {
        endOfFileSent(p);
        return;
    }
    t.uploadChunkBuffer = t.transferFile.readRecord(kChunkBytes);
    t.uploadChunk = t.uploadChunkBuffer.left(std::max<qint64>(chunkLength, 0));
    if (t.uploadFileLength > 0)
        showPercentage(p.form.Text14, sent, t.uploadFileLength);
    if (dataConnected(p))
        p.form.ftpclient3.SendData(t.uploadChunk);
    p.schedule.uploadStallTicks = 0;
}
