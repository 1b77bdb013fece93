#pragma once

#include "support/FileBytes.h"
#include "support/JobUnderTest.h"
#include "support/ScriptedFtpPeer.h"

#include <QMap>
#include <QRegularExpression>

#include <functional>
#include <optional>

class RealFtpServer;

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

// The three promises every fault case checks: the job ends within its bound,
// without a crash; nothing is deleted on either side unless its transfer was
// confirmed; a log line says what happened.
namespace FaultChecks {

// Real milliseconds a fault case may take, its supervision's time-outs
// included; far more than any case needs.
constexpr int kRunBoundMs = 90'000;

// Runs the job. One still running after boundMs ends the test process with a
// message: its waits yield to the event loop, where the watchdog runs.
void runWithin(const std::function<void()>& job, int boundMs = kRunBoundMs);

// The names whose outcome line in this log says "pass".
QStringList passedNames(const QString& outcomeLog);
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

// A line of the job's error log or outcome log matches.
void verifyLogged(const EngineUnderTest& put, bool download, const QRegularExpression& line);

}

// One job of either kind against a scripted peer, its site logging in as
// alice to /in for "*.dat": the files it is to transfer, what it sent and
// recorded, and the three checks.
struct PeerJob {
    ScriptedFtpPeer peer;
    JobUnderTest job;
    Engine& p = job.p;
    FileMap files;
    // The local name of a retrieved file, when a case dates it.
    std::function<QString(const QByteArray&)> localName;

    explicit PeerJob(bool download, double timeScale = EngineUnderTest::kDefaultTimeScale,
                     const QDateTime& now = QDateTime(QDate(2024, 3, 5), QTime(9, 0, 30)));
    ~PeerJob();
    PeerJob(const PeerJob&) = delete;
    PeerJob& operator=(const PeerJob&) = delete;

    // Download: a file on the server. Upload: a file of the working folder.
    void putFile(const QByteArray& name, const QByteArray& bytes);
    void run() { FaultChecks::runWithin([this] { job.run(); }); }
    void runFromSchedule() { FaultChecks::runWithin([this] { job.runFromSchedule(); }); }

    // What the peer received, each PORT checked to name this host and then
    // written as "PORT": its port is chosen anew for every transfer.
    QStringList commands() const;
    // The working folder's file whose name is these bytes.
    QByteArray localFile(const QByteArray& name) const { return fileBytesNamed(p.workPath, name); }
    // "name status" for each outcome line, in order.
    QStringList outcomes() const;
    // "name size status" for each outcome line, in order; a record ends at CR
    // LF only, so a name holding a lone LF stays whole.
    QStringList outcomeLines() const;
    // The names the job recorded as transferred.
    QStringList recordedNames() const;

    void verifyDeletes() const;
    void verifyPromises(const QRegularExpression& logged) const;
};

// Bytes that differ from file to file and hold every byte value.
QByteArray faultBytes(const QByteArray& name, int size);
