#include "transfer/DataEvents.h"

#include "app/Program.h"
#include "ftp/Job.h"
#include "ftp/TimedWait.h"
#include "platform/Yield.h"
#include "transfer/PercentageField.h"

namespace {

// Program milliseconds. The bytes after the final reply are what the server
// had sent before it, so they come within moments; a data connection still
// open after this long will not bring them.
constexpr int kEndOfDataWaitMs = 60'000;

// Listings of the sites this program was made for start their useful part at
// the first file name of the form CDR_0... or GW2_0...; whatever a chunk holds
// before the first such name is dropped.
QByteArray fromFirstKnownPrefix(const QByteArray& chunk)
{
    qsizetype start = chunk.indexOf("CDR_0");
    if (start < 0)
        start = chunk.indexOf("GW2_0");
    return start < 0 ? chunk : chunk.mid(start);
}

bool listingUnderWay(const Job& job)
{
    return job.state == 7 || job.state == 11;
}

void receiveFileBytes(Program& p, const QByteArray& chunk)
{
    TransferVars& t = p.transfer;
    p.form.fText6->add(chunk.size());
    const qint64 received = p.form.fText6->count();
    if (t.downloadExpectedSize > 0)
        showPercentage(p.form.Text13, received, t.downloadExpectedSize);
    t.transferFile.write(chunk);
    // With the size announced, the file is complete as soon as it is all in;
    // otherwise the server's closing of the connection ends it.
    if (t.downloadExpectedSize >= 0 && received >= t.downloadExpectedSize)
        p.form.ftpclient2.Close();
    p.schedule.downloadStallTicks = 0;
}

}

void dataConnectionRequest(Job& job, int requestID)
{
    if (job.data.State() != Winsock::sckClosed)
        job.data.Close();
    job.data.Accept(requestID);
    if (job.isDownload)
        job.program.transfer.downloadDataConnected = true;
}

void dataArrival(Job& job)
{
    Program& p = job.program;
    if (job.isDownload) {
        job.waitSeconds = 0;
        if (p.session.appClosing || job.data.State() != Winsock::sckConnected)
            return;
    } else {
        if (p.session.appClosing)
            return;
        job.waitSeconds = 0;
    }
    const QByteArray chunk = job.data.GetData();
    // The side-path listing gets a longer wait.
    if (job.state == 11)
        job.waitSeconds -= 3;
    if (job.dataIsFile) {
        // Servers send nothing on a connection that carries a file being
        // stored; such bytes are dropped, never written into the file.
        if (job.isDownload)
            receiveFileBytes(p, chunk);
        return;
    }
    job.listingBytes += chunk.size();
    if (job.isDownload)
        p.form.fText5.append(QString::fromLatin1(fromFirstKnownPrefix(chunk)));
    // Nothing more comes once the server has ended the connection.
    waitForSeconds(job, 5, [&] { return listingUnderWay(job) && job.data.State() == Winsock::sckConnected; });
    if (job.data.State() != Winsock::sckClosed && listingUnderWay(job))
        job.data.Close();
}

void dataPeerClosed(Job& job)
{
    job.data.Close();
}

void dataError(Job& job, int number)
{
    if (number <= 1000 || number >= 12000 || job.program.session.recoveryInProgress)
        return;
    job.program.retryAfterSocketError(job);
}

void waitForEndOfData(Job& job, const std::function<bool()>& keepWaiting)
{
    yieldUntil([&] { return job.data.State() != Winsock::sckConnected || (keepWaiting && !keepWaiting()); },
               kEndOfDataWaitMs);
}

bool dataEndedCleanly(const Job& job)
{
    return job.data.State() == Winsock::sckClosed || job.data.State() == Winsock::sckClosing;
}
