#include "ftp/ControlSession.h"

#include "app/Program.h"
#include "config/NumberText.h"
#include "ftp/Job.h"
#include "ftp/ReplyCodes.h"
#include "ftp/WaitBounds.h"
#include "platform/Yield.h"

namespace {

bool awaitsListing(const Job& job)
{
    return job.state == 7 || job.state == 11;
}

// Reply codes acted on before dispatch, during login and listing only.
void applyCodeRules(Job& job, const QString& code)
{
    if (job.state >= 12)
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
        job.state += 1;
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

void handleReply(Job& job, const QString& reply)
{
    if (job.isDownload)
        job.program.session.downloadReplySeen = true;
    job.reply = reply;
    applyCodeRules(job, reply.left(3));
    job.replyBeforeStep = true;
    yieldOnce();
    job.replyBeforeStep = false;
    job.program.dispatchReply(job);
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

    job.state = 0;
    job.failed = false;
    job.errorNumber = 0;
    job.pwdSent = false;
    job.dataIsFile = false;
    job.bareListing = false;
    job.replies.clear();
    job.replyBeforeStep = false;
    if (job.isDownload) {
        job.program.transfer.downloadCurrentFile = QStringLiteral("notdone");
        job.program.transfer.downloadSessionOver = false;
        job.program.transfer.downloadFileInProgress = false;
    }
    job.control.Connect();
}

void controlDataArrival(Job& job)
{
    SessionVars& session = job.program.session;
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
    if (number > 1000 && number < 12000 && !job.program.session.recoveryInProgress) {
        if ((job.isDownload && job.state == 12) || (!job.isDownload && job.state >= 22))
            job.program.retryAfterSocketError(job);
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
