#pragma once

#include "config/JobKind.h"

#include <QString>

// What the jobs show while they run, told to whoever shows it: the window, or
// the headless service's standard output. The jobs decide from values of
// their own and never read any of this back.
class EngineView {
public:
    virtual ~EngineView() = default;

    // The window's caption.
    virtual void showCaption(const QString& caption) = 0;
    // The schedule display (Label11 / Label12): the site's time and state, or
    // how its last job failed.
    virtual void showScheduleDisplay(JobKind job, const QString& text) = 0;
    // The last-run line (Label18 / Label19).
    virtual void showLastRun(JobKind job, const QString& text) = 0;
    // The job's switch (Check1 / Check2) and its state label.
    virtual void showSwitch(JobKind job, bool on, const QString& stateText) = 0;
    // The job's row of fields and the listing-type menu, locked while the job runs.
    virtual void setRowEnabled(JobKind job, bool enabled) = 0;
    // The bytes of the file in transfer (fText6 / fText6b).
    virtual void showByteCount(JobKind job, qint64 bytes) = 0;
    // The file's progress (Text13 / Text14), "57 %", and whether it shows.
    virtual void showProgress(JobKind job, const QString& text) = 0;
    virtual void setProgressVisible(JobKind job, bool visible) = 0;
    // A message the operator must acknowledge.
    virtual void showMessage(const QString& text) = 0;
    // A file's line in its job's outcome log, as it was written.
    virtual void fileRecorded(JobKind job, const QString& outcomeLine) = 0;
    // A job begins for a site, and ends: "done", or what its error log says.
    virtual void jobStarted(JobKind job, const QString& host) = 0;
    virtual void jobEnded(JobKind job, const QString& outcome) = 0;
};

// A view with no window: nothing redraws the displays, so only the messages
// and the jobs' and files' outcomes remain to be told.
class WindowlessView : public EngineView {
public:
    void showCaption(const QString&) override {}
    void showScheduleDisplay(JobKind, const QString&) override {}
    void showLastRun(JobKind, const QString&) override {}
    void showSwitch(JobKind, bool, const QString&) override {}
    void setRowEnabled(JobKind, bool) override {}
    void showByteCount(JobKind, qint64) override {}
    void showProgress(JobKind, const QString&) override {}
    void setProgressVisible(JobKind, bool) override {}
};
