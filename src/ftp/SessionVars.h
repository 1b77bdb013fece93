#pragma once

#include "ftp/ProtocolState.h"
#include "ftp/ReplyFramer.h"

#include <QString>

// The control session variables of both jobs.
struct SessionVars {
    // Ends the download session's wait: the listing is used up, the login was
    // refused, or a recovery ends the session.
    void endDownloadSession()
    {
        downloadCurrentFile = QStringLiteral("done");
        downloadSessionOver = true;
    }

    ProtocolState downloadState = ProtocolState::Greeting;
    ProtocolState uploadState = ProtocolState::Greeting;
    QString downloadReply;
    QString uploadReply;
    int downloadErrorNumber = 0;
    int uploadErrorNumber = 0;
    bool downloadFailed = false;
    bool uploadFailed = false;
    bool downloadReplySeen = false;
    // The remote file being retrieved, "notdone" at a session's start.
    QString downloadCurrentFile = QStringLiteral("notdone");
    // The download session has nothing more to do. Its current file then
    // reads "done" too, but a listed file may bear that name as well.
    bool downloadSessionOver = false;
    // A RETR went out and its result still counts as good.
    bool downloadFileInProgress = false;
    bool downloadPwdSent = false;
    bool uploadPwdSent = false;
    // The data connection carries a file, not a listing.
    bool downloadDataIsFile = false;
    bool uploadDataIsFile = false;
    // The listing was refused or empty for the site's pattern, so it went out
    // once more without one: only the names the pattern matches count.
    bool downloadBareListing = false;
    bool uploadBareListing = false;
    // Bytes of the listing received on the data connection.
    qint64 downloadListingBytes = 0;
    qint64 uploadListingBytes = 0;
    QString downloadPortArgument;
    QString uploadPortArgument;
    int dataListenPort = 0;
    int downloadWaitSeconds = 0;
    int uploadWaitSeconds = 0;
    bool appClosing = false;
    bool recoveryInProgress = false;

    // Reply bytes received on each control connection and not yet handled.
    ReplyFramer downloadReplies;
    ReplyFramer uploadReplies;
    // A reply has passed its code rules and yields once before its step runs;
    // replies arriving meanwhile wait their turn behind it.
    bool downloadReplyBeforeStep = false;
    bool uploadReplyBeforeStep = false;
};
