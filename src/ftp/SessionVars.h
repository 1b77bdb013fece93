#pragma once

#include "ftp/ReplyFramer.h"

#include <QString>

// The control session variables of both jobs.
struct SessionVars {
    int downloadState = 0;
    int uploadState = 0;
    QString downloadReply;
    QString uploadReply;
    int downloadErrorNumber = 0;
    int uploadErrorNumber = 0;
    bool downloadFailed = false;
    bool uploadFailed = false;
    bool downloadReplySeen = false;
    bool downloadPwdSent = false;
    bool uploadPwdSent = false;
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
