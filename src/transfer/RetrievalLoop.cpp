#include "transfer/RetrievalLoop.h"

#include "ftp/ControlSession.h"
#include "ftp/DataListener.h"
#include "ftp/Job.h"
#include "ftp/ReplyCodes.h"
#include "ftp/TimedWait.h"
#include "platform/ClockTexts.h"
#include "platform/Wildcard.h"
#include "transfer/FileNames.h"
#include "transfer/ListingScan.h"
#include "transfer/LocalPaths.h"
#include "transfer/TransferContext.h"
#include "transfer/TransferRecords.h"

namespace {

// While a file's commands are under way, the pickers do not pick: the reply
// goes on to the step of the file in progress.
bool fileSequenceUnderWay(TransferContext& p)
{
    TransferVars& t = p.transfer;
    if (p.session.downloadState == ProtocolState::Transfer && t.downloadVerifyGate)
        return false;
    t.downloadLastFile = p.session.downloadCurrentFile;
    return true;
}

enum class ListingForm { Nlst, List };

// Whether a listed name is to be retrieved. A name that cannot safely become a
// local file name is refused with a "fail" record; "." and ".." are passed over.
bool wantsName(TransferContext& p, const QString& name, ListingForm form)
{
    const TransferVars& t = p.transfer;
    if (isDotEntry(name))
        return false;
    if (!isSafeLocalName(name)) {
        recordRefusedDownloadName(p, name);
        return false;
    }
    // The upload job stores a local file of this name into the same folder.
    if (form == ListingForm::Nlst && name == t.uploadFileName)
        return false;
    return !p.options.downloadDupeCheck || !t.downloadedNames.contains(name);
}

// A listing that had to go out without the site's pattern lists every name:
// only those the pattern matches are retrieved; in LIST mode in either case,
// as the LIST request names the pattern in capitals too.
class RequestedNames {
public:
    explicit RequestedNames(TransferContext& p) : RequestedNames(p.session.downloadBareListing, sitePattern(p)) {}

    bool contains(const QString& name, ListingForm form) const
    {
        return everyName || exact.matches(name) || (form == ListingForm::List && upperCase.matches(name));
    }

private:
    RequestedNames(bool bareListing, const QString& pattern)
        : everyName(!bareListing), exact(pattern), upperCase(pattern.toUpper())
    {
    }

    static QString sitePattern(TransferContext& p) { return downloadSiteColumns(p.sites).current(p.sites.downloadPatterns); }

    bool everyName;
    Wildcard exact;
    Wildcard upperCase;
};

void collectEntries(TransferContext& p)
{
    HiddenList& entries = p.Combo1;
    entries.Clear();
    for (const QString& name : collectListNames(p.fText5.text()))
        entries.AddItem(name);
    p.transfer.listingLastIndex = entries.ListCount() - 1;
}

// A restart goes on at its file, or just past it, wherever the new listing
// names it; where it no longer does, at the position the restart was given.
void resumeNlstAtName(TransferContext& p, const QString& listing)
{
    const TransferVars& t = p.transfer;
    for (int lineEnd = int(listing.indexOf(QLatin1Char('\r'))) + 1; lineEnd > 0;
         lineEnd = int(listing.indexOf(QLatin1Char('\r'), lineEnd)) + 1) {
        const int start = lineStart(listing, lineEnd - 1);
        if (listing.mid(start - 1, lineEnd - start) == t.downloadResumeName) {
            p.transfer.listingScanPosition = t.downloadResumePastName ? lineEnd + 1 : start;
            return;
        }
    }
}

void resumeListAtName(TransferContext& p)
{
    const TransferVars& t = p.transfer;
    const HiddenList& entries = p.Combo1;
    for (int entry = 0; entry < entries.ListCount(); ++entry) {
        if (entries.List(entry) == t.downloadResumeName) {
            p.transfer.listingEntryIndex = t.downloadResumePastName ? entry + 1 : entry;
            return;
        }
    }
}

bool listingUsedUp(TransferContext& p)
{
    p.session.endDownloadSession();
    return false;
}

// The file whose transfer just ended passes when its size fits the announced
// one, the server confirmed the transfer (226 or 250), its data connection
// ended cleanly, and every byte received reached the local file under its
// name. Only then may it be recorded as downloaded and deleted on the server.
void verifyLastFile(TransferContext& p, Job& job, const QString& completionReply)
{
    TransferVars& t = p.transfer;
    const bool sizeFits = sizeFitsAnnounced(t.downloadExpectedSize, p.fText6,
                                            p.options.transferTypeCommand == QLatin1String("TYPE A"));
    t.downloadLastFilePassed = sizeFits && confirmsTransfer(completionReply) && dataEndedCleanly(job)
        && t.transferFile.keepWritten();
    if (t.downloadLastFilePassed) {
        downloadRecordStep(p, kPass);
    } else {
        t.transferFile.discardWritten();
        p.session.downloadFileInProgress = false;
        downloadRecordStep(p, kFail);
    }
}

// The loop goes on without waiting for another reply: the next file, or the
// end of the session when the listing is used up.
void continueWithNextFile(TransferContext& p)
{
    if (nextFileTest(p))
        retrievalStep(p);
    else
        finishDownloadSession(p);
}

// The file was not retrieved: it is recorded "fail" and the next file starts
// at once, without waiting for another reply.
void failFileAndGoOn(TransferContext& p)
{
    p.ftpclient2.Close();
    p.transfer.transferFile.discardWritten();
    p.session.downloadFileInProgress = false;
    downloadRecordStep(p, kFail);
    continueWithNextFile(p);
}

// A new name was picked, or the reply to DELE arrived.
void startNextFile(TransferContext& p, Job& job)
{
    TransferVars& t = p.transfer;
    const QString completionReply = job.reply;
    p.session.downloadDataIsFile = true;
    job.waitSeconds = 0;
    if (t.downloadVerifyGate) {
        // Pause after each file, so that its last bytes are in before it is
        // verified; a confirmed file waits on until its data connection has
        // ended, as its last bytes can come after the 226.
        const auto sameFile = [&] { return t.downloadVerifyGate; };
        waitForSeconds(job, 9, sameFile);
        if (p.session.downloadFileInProgress && confirmsTransfer(completionReply))
            waitForEndOfData(job, sameFile);
        // A reply handled during the pause has taken the sequence on, or a
        // recovery has ended the session: no further file is begun here.
        if (!t.downloadVerifyGate || p.session.downloadSessionOver)
            return;
        if (p.session.downloadFileInProgress)
            verifyLastFile(p, job, completionReply);
    }
    if (p.options.deleteAfterDownload && p.session.downloadFileInProgress && t.downloadVerifyGate && t.downloadLastFilePassed
        && sizeAllowsDelete(t.downloadExpectedSize, p.fText6)) {
        sendCommand(job, QStringLiteral("DELE ") + t.downloadLastFile);
        t.downloadVerifyGate = false;
        return;
    }
    job.state = ProtocolState::FileTypeSent;
    t.downloadFileScanStart = t.listingScanStart;
    t.downloadFileScanNext = t.listingScanPosition;
    t.downloadFileEntryNext = t.listingEntryIndex;
    t.downloadDataConnected = false;
    if (!setUpListener(job, true))
        return;
    sendCommand(job, p.options.transferTypeCommand);
    p.session.downloadDataIsFile = true;
    t.downloadVerifyGate = false;
}

// The reply to REST: the local file is prepared and RETR goes out.
void requestFile(TransferContext& p, Job& job)
{
    TransferVars& t = p.transfer;
    p.setCaption(p.transferCaptionPrefix + timeWithColonsAmPm(p.clock.now().time()) + QStringLiteral(" File: ")
                 + p.session.downloadCurrentFile);
    t.downloadExpectedSize = -1;
    p.session.downloadFileInProgress = true;
    t.downloadLastFilePassed = false;
    job.state = ProtocolState::Retrieving;
    p.fText6 = 0;
    p.view.showByteCount(JobKind::Download, 0);
    const QString localName = datedName(p.clock.now().date(), p.options.ai_dstamp, p.session.downloadCurrentFile);
    if (!t.transferFile.openForWriting(localFilePath(p.workPath, localName))) {
        // Nothing could hold the file's bytes: it is not requested at all.
        job.state = ProtocolState::Transfer;
        t.downloadVerifyGate = true;
        failFileAndGoOn(p);
        return;
    }
    sendCommand(job, QStringLiteral("RETR ") + p.session.downloadCurrentFile);
}

// The reply to RETR, whatever it says.
void awaitFileData(TransferContext& p, Job& job)
{
    TransferVars& t = p.transfer;
    job.state = ProtocolState::Transfer;
    t.downloadVerifyGate = true;
    t.downloadExpectedSize = parseTransferSize(job.reply, p.options.fileSizeExistsOption);
    // A server that opened the data connection at PORT leaves it open after
    // refusing the file; the refusal itself ends the file.
    if (refuses(job.reply)) {
        failFileAndGoOn(p);
        return;
    }
    // An empty file: nothing is to come on a data connection that is open. One
    // that is not yet open stays awaited, so that the server can connect, end it
    // and confirm the transfer.
    if (t.downloadExpectedSize == 0 && t.downloadDataConnected) {
        p.ftpclient2.Close();
        return;
    }
    p.view.setProgressVisible(JobKind::Download, t.downloadExpectedSize > 0);
    job.waitSeconds = 0;
    if (t.downloadDataConnected)
        return;
    const QString file = t.downloadLastFile;
    waitForSeconds(job, 6, [&] { return !t.downloadDataConnected; });
    const bool stillThisFile = job.state == ProtocolState::Transfer && t.downloadVerifyGate && p.session.downloadFileInProgress
        && t.downloadLastFile == file;
    if (!t.downloadDataConnected && stillThisFile)
        failFileAndGoOn(p);  // no data connection came
}

}

bool nextFileTest(TransferContext& p)
{
    return p.options.ai_nlst ? nextNlstName(p) : nextListName(p);
}

bool nextNlstName(TransferContext& p)
{
    if (fileSequenceUnderWay(p))
        return true;
    TransferVars& t = p.transfer;
    const QString& listing = p.fText5.text();
    if (std::exchange(t.downloadResumeByName, false))
        resumeNlstAtName(p, listing);
    const RequestedNames requested(p);
    bool found = false;
    int position = t.listingScanPosition;
    while (!found && position != -1) {
        t.listingScanStart = position;
        const int lineEnd = int(listing.indexOf(QLatin1Char('\r'), std::max(position, 1) - 1)) + 1;
        if (lineEnd == 0) {
            t.listingScanPosition = -1;
            return listingUsedUp(p);
        }
        const int start = lineStart(listing, lineEnd - 1);
        p.session.downloadCurrentFile = listing.mid(start - 1, lineEnd - start);
        found = requested.contains(p.session.downloadCurrentFile, ListingForm::Nlst)
            && wantsName(p, p.session.downloadCurrentFile, ListingForm::Nlst);
        position = lineEnd + 1;
        t.listingScanPosition = position;
    }
    return found ? true : listingUsedUp(p);
}

bool nextListName(TransferContext& p)
{
    if (fileSequenceUnderWay(p))
        return true;
    TransferVars& t = p.transfer;
    const std::optional<QString> tail = patternTail(p.downloadFields.pattern);
    const bool resumeByName = std::exchange(t.downloadResumeByName, false);
    if (t.listingEntryIndex == 0 || resumeByName)
        collectEntries(p);
    if (resumeByName)
        resumeListAtName(p);
    Job job = downloadJob(p);
    const RequestedNames requested(p);
    bool found = false;
    while (t.listingEntryIndex <= t.listingLastIndex && !found) {
        const QString entry = p.Combo1.List(t.listingEntryIndex);
        if ((!tail || (!entry.isEmpty() && entry.contains(*tail))) && requested.contains(entry, ListingForm::List)) {
            p.session.downloadCurrentFile = entry;
            found = wantsName(p, entry, ListingForm::List);
            // The pause paces the files fetched. After every name passed over
            // as fetched before, a long listing would outlast the supervision
            // and the files after those names would never come.
            if (found) {
                job.waitSeconds = 0;
                waitForSeconds(job, 9);
            }
        }
        ++t.listingEntryIndex;
    }
    return found ? true : listingUsedUp(p);
}

void retrievalStep(TransferContext& p)
{
    Job job = downloadJob(p);
    switch (job.state) {
    case ProtocolState::Transfer:
        startNextFile(p, job);
        break;
    case ProtocolState::FileTypeSent:
        job.state = ProtocolState::FilePortSent;
        sendPortCommand(job);
        break;
    case ProtocolState::FilePortSent:
        job.state = ProtocolState::FileRestSent;
        sendCommand(job, QStringLiteral("REST 0"));
        break;
    case ProtocolState::FileRestSent:
        requestFile(p, job);
        break;
    case ProtocolState::Retrieving:
        awaitFileData(p, job);
        break;
    default:
        break;
    }
}

void finishDownloadSession(TransferContext& p)
{
    Job job = downloadJob(p);
    TransferVars& t = p.transfer;
    const QString completionReply = job.reply;
    job.waitSeconds = 0;
    waitForSeconds(job, 9);
    if (p.session.downloadFileInProgress && t.downloadVerifyGate) {
        if (confirmsTransfer(completionReply))
            waitForEndOfData(job);
        verifyLastFile(p, job, completionReply);
    }
    job.state = ProtocolState::Finished;
    p.ftpclient2.Close();
    t.transferFile.close();
}
