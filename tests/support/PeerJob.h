#pragma once

#include "support/FaultChecks.h"
#include "support/Rows.h"
#include "support/ScriptedFtpPeer.h"

#include <QMetaType>

struct PeerJob;

// One row of a table of whole jobs against the scripted peer: the job, what
// the peer does otherwise than its own way, and what must come of it.
struct JobCase {
    const char* name = "";
    bool download = true;
    // On the server (download) or in the working folder (upload). By default
    // two, the first larger than an upload chunk and a read, so that a fault
    // half-way finds data still to come.
    FileMap files = { { "a.dat", faultBytes("a.dat", 40'000) }, { "b.dat", faultBytes("b.dat", 3'000) } };
    QHash<QByteArray, PeerScript> scripts = {};
    bool deleteAfter = true;
    // Above 0, the job starts from its schedule tick, which runs the restarts.
    int retries = 0;
    double timeScale = EngineUnderTest::kDefaultTimeScale;
    QDateTime now = QDateTime(QDate(2024, 3, 5), QTime(9, 0, 30));
    // Options and hooks, once the files are in place.
    std::function<void(PeerJob&)> setUp = {};
    // The commands from the first listing request on, each PORT as "PORT",
    // and the names RETR or STOR went out for; either unchecked when empty.
    QStringList commands = {};
    QStringList transferred = {};
    // "name status" for each line of the outcome log, and the first message
    // the job adds to its error log, empty when it adds none.
    QStringList outcomes = {};
    QString error = {};
    int sessions = 1;
};
Q_DECLARE_METATYPE(JobCase)

// What comes of the two files a row has by default when the first fails.
inline const QStringList kFirstFails { "a.dat fail", "b.dat pass" };

// A row's job against a scripted peer, its site logging in as alice to /in
// for "*.dat", due at 9 AM.
struct PeerJob {
    const JobCase c;
    ScriptedFtpPeer peer;
    JobUnderTest job;
    Engine& p = job.p;
    // What the job is to transfer; a case takes out what someone else removes.
    FileMap files;
    // The name a file takes on the other side, when a case dates it.
    std::function<QByteArray(const QByteArray&)> arrivedAs = [](const QByteArray& name) { return name; };

    explicit PeerJob(const JobCase& c);
    ~PeerJob();

    void run();
    // Beyond what the row names: the job ends idle with its row unlocked, only
    // a confirmed file is deleted (under "Delete After" every one is) and
    // joins the record of names transferred, no stray file is left in the
    // working folder, and nothing but the logs is written outside it.
    void verify() const;
    QStringList argumentsOf(const QString& verb) const;

private:
    QString log(const char* download, const char* upload) const { return job.put.logFile(c.download ? download : upload); }
    QStringList recordedBefore, localBefore, logFolderBefore;
    int errorsBefore = 0;
};

void runJobCase(const JobCase& c);
