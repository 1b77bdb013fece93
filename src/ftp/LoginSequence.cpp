#include "ftp/LoginSequence.h"

#include "ftp/ControlSession.h"
#include "ftp/DataListener.h"
#include "ftp/Job.h"
#include "ftp/SessionContext.h"

bool isLoginRefusal(const QString& reply)
{
    const QString lower = reply.toLower();
    for (const char* word : { "denied", "530", "incorrect", "invalid" }) {
        if (lower.contains(QLatin1String(word)))
            return true;
    }
    return false;
}

namespace {

QString listingRequest(Job& job)
{
    const QString pattern = job.site.current(job.site.patterns);
    const bool nlst = job.context.options.ai_nlst;
    if (job.bareListing)
        return nlst ? QStringLiteral("NLST") : QStringLiteral("LIST");
    if (nlst)
        return QStringLiteral("NLST ") + pattern;
    // The download asks for the pattern in capitals too. A pattern that has
    // no small letters is named once: servers that read "LIST * *" as one
    // pattern list only names with a blank, and those that read two list
    // every name twice.
    const QString upperCase = job.fields.pattern.toUpper();
    if (job.isDownload && upperCase != pattern)
        return QStringLiteral("LIST ") + pattern + QLatin1Char(' ') + upperCase;
    return QStringLiteral("LIST ") + pattern;
}

void sendUser(Job& job)
{
    job.pwdSent = false;
    job.state = ProtocolState::UserSent;
    if (job.data.State() != Winsock::sckClosed && !closeAndWait(job, job.data))
        return;
    if (job.data.State() != Winsock::sckListening)
        job.data.Listen();
    const QString command = QStringLiteral("USER ") + job.site.current(job.site.users);
    if (job.isDownload)
        sendCommand(job, command);
    else
        sendCommandIfConnected(job, command);
}

void checkPasswordReply(Job& job)
{
    if (isLoginRefusal(job.reply)) {
        if (job.isDownload)
            job.context.session.endDownloadSession();
        job.failed = true;
        return;
    }
    job.state = ProtocolState::DirectorySent;
    sendCommandIfConnected(job, QStringLiteral("CWD ") + job.site.current(job.site.paths));
}

}

void loginStep(Job& job)
{
    job.context.session.recoveryInProgress = false;
    if (job.control.State() != Winsock::sckConnected || job.failed)
        return;
    switch (job.state) {
    case ProtocolState::Greeting:
        sendUser(job);
        break;
    case ProtocolState::UserSent:
        job.state = ProtocolState::PasswordSent;
        sendCommandIfConnected(job, QStringLiteral("PASS ") + job.site.current(job.site.passwords));
        break;
    case ProtocolState::PasswordSent:
        checkPasswordReply(job);
        break;
    case ProtocolState::DirectorySent:
        if (!job.pwdSent) {
            job.pwdSent = true;
            sendCommandIfConnected(job, QStringLiteral("PWD"));
        }
        break;
    case ProtocolState::DirectoryKnown:
        job.state = ProtocolState::ListingTypeSent;
        sendCommandIfConnected(job, QStringLiteral("TYPE A"));
        job.dataIsFile = false;
        break;
    case ProtocolState::ListingTypeSent:
        job.state = ProtocolState::ListingPortSent;
        sendPortCommand(job);
        break;
    case ProtocolState::ListingPortSent:
        if (job.isDownload)
            job.context.fText5.setText(QString());
        job.state = ProtocolState::ListingUnderWay;
        job.listingBytes = 0;
        sendCommandIfConnected(job, listingRequest(job));
        break;
    default:
        break;
    }
}
