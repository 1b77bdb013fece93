#include "ftp/DataListener.h"

#include "app/Program.h"
#include "config/NumberText.h"
#include "ftp/ControlSession.h"
#include "ftp/Job.h"
#include "ftp/PortArgument.h"

bool setUpListener(Job& job, bool takePortField)
{
    if (!closeAndWait(job, job.data))
        return false;
    if (takePortField)
        job.data.setRemotePort(wholeNumberOf(job.portField->text()));
    if (job.data.State() != Winsock::sckListening)
        job.data.Listen();
    return true;
}

void sendPortCommand(Job& job)
{
    job.program.session.dataListenPort = job.data.LocalPort();
    const auto argument = buildPortArgument(job.control.LocalIP(), job.program.session.dataListenPort);
    if (!argument) {
        job.failed = true;
        return;
    }
    job.portArgument = *argument;
    sendCommandIfConnected(job, QStringLiteral("PORT ") + job.portArgument);
}
