#pragma once

#include "support/FileBytes.h"
#include "support/JobUnderTest.h"

#include <QMap>

#include <functional>
#include <optional>

class RealFtpServer;
class ScriptedFtpPeer;

// Whole files by name: those a download job finds on the server, or those an
// upload job finds in the working folder.
using FileMap = QMap<QByteArray, QByteArray>;

// What the server side of a job heard and holds: the scripted peer or a real
// server. A file is nullopt once it is gone.
struct ServerView {
    QStringList commands;
    std::function<std::optional<QByteArray>(const QByteArray& name)> file;
};
ServerView serverView(const ScriptedFtpPeer& peer);
ServerView serverView(const RealFtpServer& server);

// One line of an outcome log, after its date, time and host.
struct Outcome {
    QString name;
    QString size;
    QString status;
};

// The three promises every fault case checks: the job ends within its bound,
// without a crash; nothing is deleted on either side unless its transfer was
// confirmed; a log line says what happened.
namespace FaultChecks {

// Real milliseconds a job may take, its supervision's time-outs included; far
// more than any needs.
constexpr int kRunBoundMs = 90'000;

// Runs the job. One still running after boundMs ends the test process with a
// message: its waits yield to the event loop, where the watchdog runs.
void runWithin(const std::function<void()>& job, int boundMs = kRunBoundMs);

// The records of a log, each ended by CR LF only: a name holding a lone LF
// stays whole.
QStringList recordsIn(const QString& log);
QList<Outcome> outcomeLines(const QString& outcomeLog);
// "name status" for each line of an outcome log, in order.
QStringList outcomesIn(const QString& outcomeLog);
// The messages of an error log, without their date and time.
QStringList errorMessages(const QString& errorLog);

// A served file was deleted (a DELE went out for it, or it is gone from the
// server) only when it was recorded "pass" and its local copy (under
// localName, by default its own name) is exactly what was served; every other
// served file is still on the server as it was.
void verifyDownloadDeletes(const ServerView& server, const FileMap& served, const EngineUnderTest& put,
                           const std::function<QString(const QByteArray&)>& localName = {});

// A local file is gone only when it was recorded "pass" and the server holds
// exactly its bytes; every file not recorded "pass" is still there as it was.
void verifyUploadRemovals(const ServerView& server, const FileMap& local, const EngineUnderTest& put);

}
