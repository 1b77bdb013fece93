#include "ftp/ListingRequests.h"

#include "app/Program.h"
#include "ftp/ControlSession.h"
#include "ftp/DataListener.h"
#include "ftp/Job.h"
#include "ftp/ReplyCodes.h"
#include "ftp/TimedWait.h"
#include "transfer/DataEvents.h"

namespace {

// The listing has been answered: let the data connection deliver the rest of
// it, then set the listing type again on a fresh listener.
void afterListing(Job& job)
{
    const bool listingSent = confirmsTransfer(job.reply);
    job.waitSeconds = 0;
    waitForSeconds(job, 5);
    // The 226 can come before the last bytes of the listing. After a refusal
    // nothing more comes, and some servers leave the data connection open.
    if (listingSent)
        waitForEndOfData(job);
    // Replies handled during the wait may have moved the state on.
    job.state += 1;
    if (!setUpListener(job, false))
        return;
    sendCommandIfConnected(job, QStringLiteral("TYPE A"));
    job.dataIsFile = false;
}

}

void listingStep(Job& job)
{
    if (job.control.State() != Winsock::sckConnected || job.failed)
        return;
    switch (job.state) {
    case 8:
        afterListing(job);
        break;
    case 9:
        job.state = 12;
        sendPortCommand(job);
        break;
    case 10:
        job.state = 11;
        sendCommandIfConnected(job, QStringLiteral("NLST gw*.dat"));
        break;
    default:
        break;
    }
}

void downloadListingStep(Program& program)
{
    Job job = downloadJob(program);
    listingStep(job);
}

void uploadListingStep(Program& program)
{
    Job job = uploadJob(program);
    listingStep(job);
}
