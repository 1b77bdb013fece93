#include "transfer/DataEvents.h"

#include "ftp/Job.h"
#include "ftp/TimedWait.h"
#include "transfer/Percentage.h"
#include "transfer/TransferContext.h"

namespace {

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
    return job.state == ProtocolState::ListingUnderWay || job.state == ProtocolState::SideListingUnderWay;
}

void receiveFileBytes(TransferContext& c, const QByteArray& chunk)
{
    TransferVars& t = c.transfer;
    c.fText6 += chunk.size();
    c.view.showByteCount(JobKind::Download, c.fText6);
    if (t.downloadExpectedSize > 0)
        c.view.showProgress(JobKind::Download, percentageText(c.fText6, t.downloadExpectedSize));
    t.transferFile.write(chunk);
    // With the size announced, the file is complete as soon as it is all in;
    // otherwise the server's closing of the connection ends it.
    if (t.downloadExpectedSize >= 0 && c.fText6 >= t.downloadExpectedSize)
        c.ftpclient2.Close();
    c.downloadStallTicks = 0;
}

}

void dataConnectionRequest(TransferContext& context, Job& job, int requestID)
{
    if (job.data.State() != Winsock::sckClosed)
        job.data.Close();
    job.data.Accept(requestID);
    if (job.isDownload)
        context.transfer.downloadDataConnected = true;
}

void dataArrival(TransferContext& context, Job& job)
{
    if (job.isDownload) {
        job.waitSeconds = 0;
        if (context.session.appClosing || job.data.State() != Winsock::sckConnected)
            return;
    } else {
        if (context.session.appClosing)
            return;
        job.waitSeconds = 0;
    }
    const QByteArray chunk = job.data.GetData();
    // The side-path listing gets a longer wait.
    if (job.state == ProtocolState::SideListingUnderWay)
        job.waitSeconds -= 3;
    if (job.dataIsFile) {
        // Servers send nothing on a connection that carries a file being
        // stored; such bytes are dropped, never written into the file.
        if (job.isDownload)
            receiveFileBytes(context, chunk);
        return;
    }
    job.listingBytes += chunk.size();
    if (job.isDownload)
        context.fText5.append(QString::fromLatin1(fromFirstKnownPrefix(chunk)));
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
    if (number <= 1000 || number >= 12000 || job.context.session.recoveryInProgress)
        return;
    job.context.socketErrorInTransfer(job);
}
