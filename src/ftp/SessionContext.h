#pragma once

#include "config/Options.h"
#include "config/RowFields.h"
#include "config/SiteTables.h"
#include "ftp/SessionVars.h"
#include "platform/HiddenFields.h"
#include "platform/Timer.h"
#include "platform/Winsock.h"

#include <functional>

struct Job;

// What the control sessions of both jobs work with: the sites, the options and
// the rows' fields they read, their variables, the four socket objects, the
// seconds timers of the timed waits and the listing buffer. The layers above
// extend it; they take over a session once it reaches its transfer phase.
struct SessionContext {
    SessionContext() = default;
    SessionContext(const SessionContext&) = delete;
    SessionContext& operator=(const SessionContext&) = delete;

    SiteTables sites;
    Options options;
    RowFields downloadFields;
    RowFields uploadFields;
    SessionVars session;

    Winsock ftpclient1;
    Winsock ftpclient2;
    Winsock ftpclient1a;
    Winsock ftpclient3;
    Timer Timerf { 1000, false };
    Timer Timerg { 1000, false };

    // The download listing as it arrives.
    HiddenTextField fText5;

    // A reply in the transfer phase goes to the loop that owns the phase; a
    // socket error during a transfer goes to the job's retry.
    std::function<void(Job&)> transferReply;
    std::function<void(Job&)> socketErrorInTransfer;
};
