#pragma once

#include "schedule/Engine.h"
#include "support/RecordingView.h"
#include "support/TemporaryCurrentFolder.h"

#include <QString>

// A fresh engine as start-up leaves it, without a window, in a temporary
// current folder of its own (where its ".log" files go), with the working
// folder "work" inside it and its timers running at the given scale. What it
// shows is recorded in its view.
class EngineUnderTest {
public:
    static constexpr double kDefaultTimeScale = 0.02;  // one program second = 20 ms

    explicit EngineUnderTest(double timeScale = kDefaultTimeScale);

    TemporaryCurrentFolder folder;
    RecordingView view;
    Engine engine { view };

    // A file of the working folder, and one of the current folder (the logs).
    QString workFile(const QString& name) const;
    QString logFile(const QString& name) const { return folder.file(name); }
};

// Where and how a job logs in.
struct SiteLogin {
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 21;
    QString user;
    QString password;
    QString path = QStringLiteral("/");
    QString pattern;
};

// Makes the login site 1 of the job's table, its current and only site, as
// the job's row shows it.
void pointDownloadSite(Engine& engine, const SiteLogin& login);
void pointUploadSite(Engine& engine, const SiteLogin& login);
