#pragma once

#include "transfer/EngineView.h"

#include <QMap>
#include <QStringList>

// What the jobs showed, kept for a test to read: the last text of each
// display, the rows' locks and the messages.
class RecordingView : public WindowlessView {
public:
    QMap<JobKind, QString> scheduleDisplay;
    QMap<JobKind, QString> lastRun;
    QMap<JobKind, bool> rowEnabled { { JobKind::Download, true }, { JobKind::Upload, true } };
    QStringList messages;

    void showScheduleDisplay(JobKind job, const QString& text) override { scheduleDisplay[job] = text; }
    void showLastRun(JobKind job, const QString& text) override { lastRun[job] = text; }
    void setRowEnabled(JobKind job, bool enabled) override { rowEnabled[job] = enabled; }
    void showMessage(const QString& text) override { messages << text; }
    void fileRecorded(JobKind, const QString&) override {}
    void jobStarted(JobKind, const QString&) override {}
    void jobEnded(JobKind, const QString&) override {}
};
