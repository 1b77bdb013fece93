#include "ftp/DataListener.h"

#include "config/NumberText.h"
#include "ftp/ControlSession.h"
#include "ftp/Job.h"
#include "ftp/PortArgument.h"
#include "ftp/SessionContext.h"
#include "platform/Yield.h"

namespace {

// Program milliseconds. The bytes after the final reply are what the server
// had sent before it, so they come within moments; a data connection still
// open after this long will not bring them.
constexpr int kEndOfDataWaitMs = 60'000;

}

bool setUpListener(Job& job, bool takePortField)
{
    if (!closeAndWait(job, job.data))
        return false;
    if (takePortField)
        job.data.setRemotePort(wholeNumberOf(job.fields.port));
    if (job.data.State() != Winsock::sckListening)
        job.data.Listen();
    return true;
}

void sendPortCommand(Job& job)
{
    job.context.session.dataListenPort = job.data.LocalPort();
    const auto argument = buildPortArgument(job.control.LocalIP(), job.context.session.dataListenPort);
    if (!argument) {
        job.failed = true;
        return;
    }
    job.portArgument = *argument;
    sendCommandIfConnected(job, QStringLiteral("PORT ") + job.portArgument);
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
