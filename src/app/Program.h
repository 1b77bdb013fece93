#pragma once

#include "app/Form1.h"
#include "config/Options.h"
#include "config/SiteTables.h"
#include "ftp/SessionVars.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "schedule/ScheduleVars.h"
#include "transfer/TransferVars.h"
#include "ui/UiVars.h"

#include <functional>

struct Job;

// The program object: the main window with its objects and every program-wide
// value, one struct per area. A test builds a fresh one for each case.
//
// Calls that go from a lower layer up to a higher one (a reply handed to the
// step of its state, a socket error starting a retry) go through here.
class Program {
public:
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Form1 form;
    Clock clock;
    MessageBox messages;
    SessionVars session;
    TransferVars transfer;
    ScheduleVars schedule;
    UiVars ui;
    SiteTables sites;
    Options options;
    QString workPath;
    bool exitNowRequested = false;
    // Ends the process when the window has closed while a job procedure is
    // still waiting further up the stack (after "eXit Now!"); the waits would
    // otherwise keep it alive. Empty in tests.
    std::function<void()> endWhileJobRuns;

    // Runs the step that owns the job's state for the reply just received.
    void dispatchReply(Job& job);
    // A socket error in the middle of a transfer hands the job to its retry.
    void retryAfterSocketError(Job& job);

private:
    void connectSocketEvents();
    void connectTimerEvents();
    void connectRowEvents(bool download);
    void connectWindowEvents();
};
