#pragma once

#include "config/RowFields.h"
#include "config/SiteTables.h"
#include "ftp/ProtocolState.h"

#include <QString>

struct SessionContext;
class ReplyFramer;
class Timer;
class Winsock;

// One job's objects and session values, bound by reference. The download and
// upload jobs run the same control-session code through it; what differs
// between them is either bound here or tested through isDownload.
struct Job {
    SessionContext& context;
    bool isDownload;
    Winsock& control;
    Winsock& data;
    Timer& secondsTimer;
    int& waitSeconds;
    ProtocolState& state;
    QString& reply;
    int& errorNumber;
    bool& failed;
    bool& pwdSent;
    bool& dataIsFile;
    bool& bareListing;
    qint64& listingBytes;
    QString& portArgument;
    ReplyFramer& replies;
    bool& replyBeforeStep;
    SiteColumns site;
    RowFields& fields;
};

Job downloadJob(SessionContext& context);
Job uploadJob(SessionContext& context);
