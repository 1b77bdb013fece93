#include "ftp/LoginSequence.h"

#include "app/Program.h"
#include "ftp/ControlSession.h"
#include "ftp/DataListener.h"
#include "ftp/Job.h"

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
    Form1& form = job.program.form;
    if (job.bareListing)
        return form.ai_nlst->isChecked() ? QStringLiteral("NLST") : QStringLiteral("LIST");
    if (form.ai_nlst->isChecked())
        return QStringLiteral("NLST ") + pattern;
    // The download asks for the pattern in capitals too. A pattern that has
    // no small letters is named once: servers that read "LIST * *" as one
    // pattern list only names with a blank, and those that read two list
    // every name twice.
    const QString upperCase = form.Text7->text().toUpper();
    if (job.isDownload && upperCase != pattern)
        return QStringLiteral("LIST ") + pattern + QLatin1Char(' ') + upperCase;
    return QStringLiteral("LIST ") + pattern;
}

void sendUser(Job& job)
{
    job.pwdSent = false;
    job.state = 1;
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
            job.program.transfer.endDownloadSession();
        job.failed = true;
        return;
    }
    job.state = 3;
    sendCommandIfConnected(job, QStringLiteral("CWD ") + job.site.current(job.site.paths));
}

}

void loginStep(Job& job)
{
    job.program.session.recoveryInProgress = false;
    if (job.control.State() != Winsock::sckConnected || job.failed)
        return;
    switch (job.state) {
    case 0:
        sendUser(job);
        break;
    case 1:
        job.state = 2;
        sendCommandIfConnected(job, QStringLiteral("PASS ") + job.site.current(job.site.passwords));
        break;
    case 2:
        checkPasswordReply(job);
        break;
    case 3:
        if (!job.pwdSent) {
            job.pwdSent = true;
            sendCommandIfConnected(job, QStringLiteral("PWD"));
        }
        break;
    case 4:
        job.state = 5;
        sendCommandIfConnected(job, QStringLiteral("TYPE A"));
        job.dataIsFile = false;
        break;
    case 5:
        job.state = 6;
        sendPortCommand(job);
        break;
    case 6:
        if (job.isDownload)
            job.program.form.fText5.setText(QString());
        job.state = 7;
        job.listingBytes = 0;
        sendCommandIfConnected(job, listingRequest(job));
        break;
    default:
        break;
    }
}

void downloadLoginStep(Program& program)
{
    Job job = downloadJob(program);
    loginStep(job);
}

void uploadLoginStep(Program& program)
{
    Job job = uploadJob(program);
    loginStep(job);
}
