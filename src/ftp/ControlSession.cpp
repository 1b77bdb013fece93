#include "ftp/ControlSession.h"

#include "config/NumberText.h"
#include "ftp/Job.h"
#include "ftp/ListingRequests.h"
#include "ftp/LoginSequence.h"
#include "ftp/ReplyCodes.h"
#include "ftp/SessionContext.h"
#include "ftp/WaitBounds.h"
#include "platform/Yield.h"

namespace {

bool awaitsListing(const Job& job)
{
    return job.state == ProtocolState::ListingUnderWay || job.state == ProtocolState::SideListingUnderWay;
}

// Reply codes acted on before dispatch, during login and listing only.
void applyCodeRules(Job& job, const QString& code)
{
    if (job.state >= ProtocolState::Transfer)
        return;
    if (code == QLatin1String("530")) {
        job.failed = true;
    } else if (code == QLatin1String("425")) {
        job.failed = true;
        if (job.errorNumber == 0)
            job.errorNumber = 1;
    } else if (code == QLatin1String("226") || code == QLatin1String("257")
               || code == QLatin1String("550") || (awaitsListing(job) && refuses(code))) {
        // A listing request that is refused (450 "No files found", say)
        // answers it as an empty listing would.
        job.state = nextState(job.state);
    }
}

// The server does not speak FTP: the session fails, and what it sent is
// dropped, however much more it sends.
void failOnInvalidReply(Job& job)
{
    job.replies.clear();
    job.failed = true;
    job.errorNumber = kInvalidReplyError;
}

// Runs the step that owns the session's state for the reply just received.
void dispatchReply(Job& job)
{
    if (job.state <= ProtocolState::ListingUnderWay)
        loginStep(job);
    else if (job.state <= ProtocolState::SideListingUnderWay || (job.isDownload && job.state == ProtocolState::Finished))
        listingStep(job);
    else
        job.context.transferReply(job);
}

void handleReply(Job& job, const QString& reply)
{
    if (job.isDownload)
        job.context.session.downloadReplySeen = true;
    job.reply = reply;
    applyCodeRules(job, reply.left(3));
    job.replyBeforeStep = true;
    yieldOnce();
    job.replyBeforeStep = false;
    dispatchReply(job);
}

}

void startControlSession(Job& job)
{
    job.control.Close();
    job.data.Close();
    if (!closeAndWait(job, job.control) || !closeAndWait(job, job.data))
        return;
    job.control.setRemoteHost(job.site.current(job.site.hosts));
    job.control.setRemotePort(wholeNumberOf(job.site.current(job.site.ports)));
    job.control.setLocalPort(0);
    job.data.setRemoteHost(job.control.RemoteHost());
    job.data.setRemotePort(job.control.RemotePort());
    job.data.Listen();

    job.state = ProtocolState::Greeting;
    job.failed = false;
    job.errorNumber = 0;
    job.pwdSent = false;
    job.dataIsFile = false;
    job.bareListing = false;
    job.replies.clear();
    job.replyBeforeStep = false;
    if (job.isDownload) {
        job.context.session.downloadCurrentFile = QStringLiteral("notdone");
        job.context.session.downloadSessionOver = false;
        job.context.session.downloadFileInProgress = false;
    }
    job.control.Connect();
}

void controlDataArrival(Job& job)
{
    SessionVars& session = job.context.session;
    if (job.isDownload)
        session.downloadReplySeen = true;
    if (session.appClosing)
        return;
    if (!yieldUntil([&] { return job.control.State() == Winsock::sckConnected; }, kConnectedWaitMs))
        return;
    job.replies.feed(job.control.GetData());
    if (job.replies.overflowed()) {
        // Not an FTP reply: a megabyte of noise without a line end.
        failOnInvalidReply(job);
        return;
    }
    // Replies are handled in the order they came: while one yields before
    // its step, the handler further up takes the rest once that step has run.
    if (job.replyBeforeStep)
        return;
    while (job.replies.hasReply() && !session.appClosing) {
        const QByteArray reply = job.replies.takeReply();
        // Noise would drive the steps on as well as a reply would.
        if (!beginsWithReplyCode(reply)) {
            failOnInvalidReply(job);
            return;
        }
        handleReply(job, QString::fromLatin1(reply));
    }
}

void controlError(Job& job, int number)
{
    if (number > 10049 && number < 11004) {
        job.errorNumber = number;
        job.failed = true;
    } else {
        job.errorNumber = 0;
    }
    if (number > 1000 && number < 12000 && !job.context.session.recoveryInProgress) {
        if ((job.isDownload && job.state == ProtocolState::Transfer)
            || (!job.isDownload && job.state >= ProtocolState::StoreAnswered))
            job.context.socketErrorInTransfer(job);
    }
}

void sendCommand(Job& job, const QString& command)
{
    job.control.SendData(command.toLatin1() + "\r\n");
}

bool sendCommandIfConnected(Job& job, const QString& command)
{
    if (job.control.State() != Winsock::sckConnected) {
        job.failed = true;
        return false;
    }
    sendCommand(job, command);
    return true;
}

bool closeAndWait(Job& job, Winsock& socket)
{
    if (socket.State() != Winsock::sckClosed)
        socket.Close();
    if (yieldUntil([&] { return socket.State() == Winsock::sckClosed; }, kSocketClosedWaitMs))
        return true;
    job.failed = true;
    return false;
}
