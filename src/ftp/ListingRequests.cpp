#include "ftp/ListingRequests.h"

#include "ftp/ControlSession.h"
#include "ftp/DataListener.h"
#include "ftp/Job.h"
#include "ftp/ReplyCodes.h"
#include "ftp/TimedWait.h"
#include "platform/Winsock.h"

namespace {

// A listing request that named the site's pattern and found nothing, because
// it was refused or came back empty, goes out once more without an argument:
// many servers list no wildcards (NLST *.dat is refused), or none after the
// first (LIST *.dat *.DAT comes back empty). The retrieval loop then keeps
// only the names that the pattern matches.
bool listAgainWithoutPattern(Job& job, bool refused)
{
    const bool nothingListed = refused || job.listingBytes == 0;
    return nothingListed && !job.bareListing && !job.site.current(job.site.patterns).isEmpty();
}

// The listing has been answered: let the data connection deliver the rest of
// it, then set the listing type again on a fresh listener.
void afterListing(Job& job)
{
    const bool listingSent = confirmsTransfer(job.reply);
    const bool refused = refuses(job.reply);
    job.waitSeconds = 0;
    waitForSeconds(job, 5);
    // The 226 can come before the last bytes of the listing. After a refusal
    // nothing more comes, and some servers leave the data connection open.
    if (listingSent)
        waitForEndOfData(job);
    // Replies handled during the wait may have moved the state on.
    job.state = nextState(job.state);
    if (!setUpListener(job, false))
        return;
    if (job.state == ProtocolState::TransferTypeSent && listAgainWithoutPattern(job, refused)) {
        // The reply to this PORT sends the listing request again.
        job.bareListing = true;
        job.state = ProtocolState::ListingPortSent;
        sendPortCommand(job);
        return;
    }
    sendCommandIfConnected(job, QStringLiteral("TYPE A"));
    job.dataIsFile = false;
}

}

void listingStep(Job& job)
{
    if (job.control.State() != Winsock::sckConnected || job.failed)
        return;
    switch (job.state) {
    case ProtocolState::ListingAnswered:
        afterListing(job);
        break;
    case ProtocolState::TransferTypeSent:
        job.state = ProtocolState::Transfer;
        sendPortCommand(job);
        break;
    case ProtocolState::SideListing:
        job.state = ProtocolState::SideListingUnderWay;
        sendCommandIfConnected(job, QStringLiteral("NLST gw*.dat"));
        break;
    default:
        break;
    }
}
