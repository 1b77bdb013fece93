#pragma once

#include "support/FileBytes.h"
#include "support/JobUnderTest.h"

#include <QMap>

#include <functional>

class RealFtpServer;
class ScriptedFtpPeer;

// Whole files by name: those a download job finds on the server, or those an
// upload job finds in the working folder.
using FileMap = QMap<QByteArray, QByteArray>;

// What the server side of a job heard and holds, the scripted peer's or a real
// server's: a file reads as "<missing>" once it is gone.
struct ServerView {
    QStringList commands;
    std::function<QByteArray(const QByteArray& name)> file;
};
ServerView serverView(const ScriptedFtpPeer& peer);
ServerView serverView(const RealFtpServer& server);

// The three promises every fault case checks: the job ends within its bound,
// without a crash; nothing is deleted on either side unless its transfer was
// confirmed; a log line says what happened.
namespace FaultChecks {

// Runs the job. One still running after 90 s (far more than any needs, its
// supervision's time-outs included) ends the test process with a message:
// its waits yield to the event loop, where the watchdog runs.
void runWithin(const std::function<void()>& job);

// The records of a log, each ended by CR LF only: a name holding a lone LF
// stays whole.
QStringList recordsIn(const QString& log);
// "name status" for each line of an outcome log, in order.
QStringList outcomesIn(const QString& outcomeLog);
// The names an outcome log records "pass".
QStringList passedIn(const QString& outcomeLog);
// The messages of an error log, without their date and time.
QStringList errorMessages(const QString& errorLog);

// Every file recorded "pass" is on the other side byte for byte (under
// arrivedAs, by default its own name); a file is gone from its own side, or
// named by a DELE, only when it was recorded "pass"; every other file is still
// there as it was.
void verifyConfirmedDeletesOnly(const ServerView& server, const FileMap& files, const EngineUnderTest& put,
                                bool download, const std::function<QString(const QByteArray&)>& arrivedAs = {});

}
