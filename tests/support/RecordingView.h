#pragma once

#include "transfer/EngineView.h"

#include <QMap>
#include <QStringList>

// What the jobs showed, kept for a test to read: the last text of each
// display, the messages, and one line per job started and ended.
class RecordingView : public EngineView {
public:
    QString caption = QStringLiteral("Tolvane");
    QMap<JobKind, QString> scheduleDisplay;
    QMap<JobKind, QString> lastRun;
    QMap<JobKind, bool> switchOn;
    QMap<JobKind, QString> switchState;
    QMap<JobKind, bool> rowEnabled { { JobKind::Download, true }, { JobKind::Upload, true } };
    QMap<JobKind, qint64> byteCount;
    QMap<JobKind, QString> progress;
    QMap<JobKind, bool> progressVisible;
    QStringList messages;
    QStringList jobs;

    void showCaption(const QString& text) override { caption = text; }
    void showScheduleDisplay(JobKind job, const QString& text) override { scheduleDisplay[job] = text; }
    void showLastRun(JobKind job, const QString& text) override { lastRun[job] = text; }
    void showSwitch(JobKind job, bool on, const QString& stateText) override
    {
        switchOn[job] = on;
        switchState[job] = stateText;
    }
    void setRowEnabled(JobKind job, bool enabled) override { rowEnabled[job] = enabled; }
    void showByteCount(JobKind job, qint64 bytes) override { byteCount[job] = bytes; }
    void showProgress(JobKind job, const QString& text) override { progress[job] = text; }
    void setProgressVisible(JobKind job, bool visible) override { progressVisible[job] = visible; }
    void showMessage(const QString& text) override { messages << text; }
    void fileRecorded(JobKind, const QString&) override {}
    void jobStarted(JobKind job, const QString& host) override { jobs << jobName(job) + QStringLiteral(" started: ") + host; }
    void jobEnded(JobKind job, const QString& outcome) override { jobs << jobName(job) + QStringLiteral(" ended: ") + outcome; }
};
