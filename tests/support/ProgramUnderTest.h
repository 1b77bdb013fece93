#pragma once

#include "app/Program.h"
#include "support/TemporaryCurrentFolder.h"

#include <QString>

// A fresh program as start-up leaves it, in a temporary current folder of its
// own (where its ".log" files go), with the working folder "work" inside it,
// timers running at the given scale and message boxes recorded, not shown.
class ProgramUnderTest {
public:
    static constexpr double kDefaultTimeScale = 0.02;  // one program second = 20 ms

    explicit ProgramUnderTest(double timeScale = kDefaultTimeScale);

    TemporaryCurrentFolder folder;
    Program program;

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

// Makes the login site 1 of the job's table, its current and only site, and
// puts its pattern and port into the row's fields, where the transfer loops
// read them. The host lists stay empty, so the field handlers store nothing.
void pointDownloadSite(Program& program, const SiteLogin& login);
void pointUploadSite(Program& program, const SiteLogin& login);
