#include "transfer/RetrievalLoop.h"

#include "app/Program.h"
#include "ftp/ControlSession.h"
#include "ftp/DataListener.h"
#include "ftp/Job.h"
#include "ftp/ReplyCodes.h"
#include "ftp/TimedWait.h"
#include "platform/ClockTexts.h"
#include "platform/Wildcard.h"
#include "transfer/DataEvents.h"
#include "transfer/FileNames.h"
#include "transfer/ListingScan.h"
#include "transfer/LocalPaths.h"
#include "transfer/TransferRecords.h"

namespace {

// While a file's commands are under way, or outside state 12, the pickers do
// not pick: the reply goes on to the step of the file in progress.
bool fileSequenceUnderWay(Program& p)
{
    TransferVars& t = p.transfer;
    if (p.session.downloadState == 12 && t.downloadVerifyGate)
        return false;
    t.downloadLastFile = t.downloadCurrentFile;
    return true;
}

enum class ListingForm { Nlst, List };

// Whether a listed name is to be retrieved. A name that cannot safely become a
// local file name is refused with a "fail" record; "." and ".." are passed over.
bool wantsName(Program& p, const QString& name, ListingForm form)
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
    explicit RequestedNames(Program& p) : RequestedNames(p.session.downloadBareListing, sitePattern(p)) {}

    bool contains(const QString& name, ListingForm form) const
    {
        return everyName || exact.matches(name) || (form == ListingForm::List && upperCase.matches(name));
    }

private:
    RequestedNames(bool bareListing, const QString& pattern)
        : everyName(!bareListing), exact(pattern), upperCase(pattern.toUpper())
    {
    }

    static QString sitePattern(Program& p) { return downloadSiteColumns(p.sites).current(p.sites.downloadPatterns); }

    bool everyName;
    Wildcard exact;
    Wildcard upperCase;
};

void collectEntries(Program& p)
{
    HiddenList& entries = p.form.Combo1;
    entries.Clear();
    for (const QString& name : collectListNames(p.form.fText5.text()))
        entries.AddItem(name);
    p.transfer.listingLastIndex = entries.ListCount() - 1;
}

// A restart goes on at its file, or just past it, wherever the new listing
// names it; where it no longer does, at the position the restart was given.
void resumeNlstAtName(Program& p, const QString& listing)
{
    const ScheduleVars& s = p.schedule;
    for (int lineEnd = int(listing.indexOf(QLatin1Char('\r'))) + 1; lineEnd > 0;
         lineEnd = int(listing.indexOf(QLatin1Char('\r'), lineEnd)) + 1) {
        const int start = lineStart(listing, lineEnd - 1);
        if (listing.mid(start - 1, lineEnd - start) == s.downloadResumeName) {
            p.transfer.listingScanPosition = s.downloadResumePastName ? lineEnd + 1 : start;
            return;
        }
    }
}

void resumeListAtName(Program& p)
{
    const ScheduleVars& s = p.schedule;
    const HiddenList& entries = p.form.Combo1;
    for (int entry = 0; entry < entries.ListCount(); ++entry) {
        if (entries.List(entry) == s.downloadResumeName) {
            p.transfer.listingEntryIndex = s.downloadResumePastName ? entry + 1 : entry;
            return;
        }
    }
}

bool listingUsedUp(TransferVars& t)
{
    t.endDownloadSession();
    return false;
}

// The file whose transfer just ended passes when its size fits the announced
// one, the server confirmed the transfer (226 or 250), its data connection
// ended cleanly, and every byte received reached the local file under its
// name. Only then may it be recorded as downloaded and deleted on the server.
void verifyLastFile(Job& job, const QString& completionReply)
{
    Program& p = job.program;
    TransferVars& t = p.transfer;
    const bool sizeFits = sizeFitsAnnounced(t.downloadExpectedSize, p.form.fText6->count(),
                                            p.options.transferTypeCommand == QLatin1String("TYPE A"));
    t.downloadLastFilePassed = sizeFits && confirmsTransfer(completionReply) && dataEndedCleanly(job)
        && t.transferFile.keepWritten();
    if (t.downloadLastFilePassed) {
        downloadRecordStep(p, kPass);
    } else {
        t.transferFile.discardWritten();
        t.downloadFileInProgress = false;
        downloadRecordStep(p, kFail);
    }
}

// The loop goes on without waiting for another reply: the next file, or the
// end of the session when the listing is used up.
void continueWithNextFile(Job& job)
{
    if (nextFileTest(job.program))
        retrievalStep(job.program);
    else
        finishDownloadSession(job.program);
}

// The file was not retrieved: it is recorded "fail" and the next file starts
// at once, without waiting for another reply.
void failFileAndGoOn(Job& job)
{
    Program& p = job.program;
    p.form.ftpclient2.Close();
    p.transfer.transferFile.discardWritten();
    p.transfer.downloadFileInProgress = false;
    downloadRecordStep(p, kFail);
    continueWithNextFile(job);
}

// State 12: a new name was picked, or the reply to DELE arrived.
void startNextFile(Job& job)
{
    Program& p = job.program;
    TransferVars& t = p.transfer;
    const QString completionReply = job.reply;
    t.downloadDataIsFile = true;
    job.waitSeconds = 0;
    if (t.downloadVerifyGate) {
        // Pause after each file, so that its last bytes are in before it is
        // verified; a confirmed file waits on until its data connection has
        // ended, as its last bytes can come after the 226.
        const auto sameFile = [&] { return t.downloadVerifyGate; };
        waitForSeconds(job, 9, sameFile);
        if (t.downloadFileInProgress && confirmsTransfer(completionReply))
            waitForEndOfData(job, sameFile);
        // A reply handled during the pause has taken the sequence on, or a
        // recovery has ended the session: no further file is begun here.
        if (!t.downloadVerifyGate || t.downloadSessionOver)
            return;
        if (t.downloadFileInProgress)
            verifyLastFile(job, completionReply);
    }
    if (p.options.deleteAfterDownload && t.downloadFileInProgress && t.downloadVerifyGate && t.downloadLastFilePassed
        && sizeAllowsDelete(t.downloadExpectedSize, p.form.fText6->count())) {
        sendCommand(job, QStringLiteral("DELE ") + t.downloadLastFile);
        t.downloadVerifyGate = false;
        return;
    }
    job.state = 13;
    t.downloadFileScanStart = t.listingScanStart;
    t.downloadFileScanNext = t.listingScanPosition;
    t.downloadFileEntryNext = t.listingEntryIndex;
    t.downloadDataConnected = false;
    if (!setUpListener(job, true))
        return;
    sendCommand(job, p.options.transferTypeCommand);
    t.downloadDataIsFile = true;
    t.downloadVerifyGate = false;
}

// State 15: the reply to REST; the local file is prepared and RETR goes out.
void requestFile(Job& job)
{
    Program& p = job.program;
    TransferVars& t = p.transfer;
    p.form.setWindowTitle(p.schedule.transferCaptionPrefix + timeWithColonsAmPm(p.clock.now().time())
                          + QStringLiteral(" File: ") + t.downloadCurrentFile);
    t.downloadExpectedSize = -1;
    t.downloadFileInProgress = true;
    t.downloadLastFilePassed = false;
    job.state = 16;
    p.form.fText6->reset();
    const QString localName = datedName(p.clock.now().date(), p.form.ai_dstamp->isChecked(), t.downloadCurrentFile);
    if (!t.transferFile.openForWriting(localFilePath(p.workPath, localName))) {
        // Nothing could hold the file's bytes: it is not requested at all.
        job.state = 12;
        t.downloadVerifyGate = true;
        failFileAndGoOn(job);
        return;
    }
    sendCommand(job, QStringLiteral("RETR ") + t.downloadCurrentFile);
}

// State 16: the reply to RETR, whatever it says.
void awaitFileData(Job& job)
{
    Program& p = job.program;
    TransferVars& t = p.transfer;
    job.state = 12;
    t.downloadVerifyGate = true;
    t.downloadExpectedSize = parseTransferSize(job.reply, p.options.fileSizeExistsOption);
    // A server that opened the data connection at PORT leaves it open after
    // refusing the file; the refusal itself ends the file.
    if (refuses(job.reply)) {
        failFileAndGoOn(job);
        return;
    }
    // An empty file: nothing is to come on a data connection that is open. One
    // that is not yet open stays awaited, so that the server can connect, end it
    // and confirm the transfer.
    if (t.downloadExpectedSize == 0 && t.downloadDataConnected) {
        p.form.ftpclient2.Close();
        return;
    }
    p.form.Text13->setVisible(t.downloadExpectedSize > 0);
    job.waitSeconds = 0;
    if (t.downloadDataConnected)
        return;
    const QString file = t.downloadLastFile;
    waitForSeconds(job, 6, [&] { return !t.downloadDataConnected; });
    const bool stillThisFile = job.state == 12 && t.downloadVerifyGate && t.downloadFileInProgress
        && t.downloadLastFile == file;
    if (!t.downloadDataConnected && stillThisFile)
        failFileAndGoOn(job);  // no data connection came
}

}

bool nextFileTest(Program& p)
{
    return p.form.ai_nlst->isChecked() ? nextNlstName(p) : nextListName(p);
}

bool nextNlstName(Program& p)
{
    if (fileSequenceUnderWay(p))
        return true;
    TransferVars& t = p.transfer;
    const QString& listing = p.form.fText5.text();
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
            return listingUsedUp(t);
        }
        const int start = lineStart(listing, lineEnd - 1);
        t.downloadCurrentFile = listing.mid(start - 1, lineEnd - start);
        found = requested.contains(t.downloadCurrentFile, ListingForm::Nlst)
            && wantsName(p, t.downloadCurrentFile, ListingForm::Nlst);
        position = lineEnd + 1;
        t.listingScanPosition = position;
    }
    return found ? true : listingUsedUp(t);
}

bool nextListName(Program& p)
{
    if (fileSequenceUnderWay(p))
        return true;
    TransferVars& t = p.transfer;
    Form1& form = p.form;
    const std::optional<QString> tail = patternTail(form.Text7->text());
    const bool resumeByName = std::exchange(t.downloadResumeByName, false);
    if (t.listingEntryIndex == 0 || resumeByName)
        collectEntries(p);
    if (resumeByName)
        resumeListAtName(p);
    Job job = downloadJob(p);
    const RequestedNames requested(p);
    bool found = false;
    while (t.listingEntryIndex <= t.listingLastIndex && !found) {
        const QString entry = form.Combo1.List(t.listingEntryIndex);
        if ((!tail || (!entry.isEmpty() && entry.contains(*tail))) && requested.contains(entry, ListingForm::List)) {
            t.downloadCurrentFile = entry;
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
    return found ? true : listingUsedUp(t);
}

void retrievalStep(Program& p)
{
    Job job = downloadJob(p);
    switch (job.state) {
    case 12:
        startNextFile(job);
        break;
    case 13:
        job.state = 14;
        sendPortCommand(job);
        break;
    case 14:
        job.state = 15;
        sendCommand(job, QStringLiteral("REST 0"));
        break;
    case 15:
        requestFile(job);
        break;
    case 16:
        awaitFileData(job);
        break;
    default:
        break;
    }
}

void finishDownloadSession(Program& p)
{
    Job job = downloadJob(p);
    TransferVars& t = p.transfer;
    const QString completionReply = job.reply;
    job.waitSeconds = 0;
    waitForSeconds(job, 9);
    if (t.downloadFileInProgress && t.downloadVerifyGate) {
        if (confirmsTransfer(completionReply))
            waitForEndOfData(job);
        verifyLastFile(job, completionReply);
    }
    job.state = 17;
    p.form.ftpclient2.Close();
    t.transferFile.close();
}
