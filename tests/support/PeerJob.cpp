#include "support/PeerJob.h"

#include <QtTest>

#include <cstdio>

PeerJob::PeerJob(const JobCase& c) : c(c), job(c.download, c.now, c.timeScale), files(c.files)
{
    job.pointSite({ peer.host(), peer.port(), "alice", "s3cret", "/in", "*.dat" });
    job.setRetries(QString::number(c.retries));
    (c.download ? p.options.deleteAfterDownload : p.options.deleteAfterUpload) = c.deleteAfter;
    peer.scripts = c.scripts;
    if (c.download)
        peer.files = files;
    for (auto it = files.cbegin(); it != files.cend() && !c.download; ++it)
        QVERIFY(writeFileBytesNamed(p.workPath, it.key(), it.value()));
    if (c.setUp)
        c.setUp(*this);
    recordedBefore = FaultChecks::recordsIn(log("filename2.log", "fileupl1.log"));
    localBefore = folderEntries(p.workPath);
    logFolderBefore = folderEntries(job.put.folder.path());
    errorsBefore = int(FaultChecks::errorMessages(job.errorLog()).size());
}

// The temporary folder cannot remove a name that is not UTF-8.
PeerJob::~PeerJob()
{
    for (const QString& name : folderEntries(p.workPath))
        std::remove((QFile::encodeName(p.workPath) + '/' + name.toLatin1()).constData());
}

void PeerJob::run()
{
    // A set-up that failed has said why; a job on half a fixture would only
    // add failures that mislead.
    if (QTest::currentTestFailed())
        return;
    FaultChecks::runWithin([this] { c.retries > 0 ? job.runFromSchedule() : job.run(); });
}

QStringList PeerJob::argumentsOf(const QString& verb) const
{
    QStringList arguments;
    for (const QString& line : peer.transcript) {
        if (line.startsWith(verb + QLatin1Char(' ')))
            arguments << line.mid(verb.size() + 1);
    }
    return arguments;
}

void PeerJob::verify() const
{
    const QStringList passed = FaultChecks::passedIn(log("dl_file_size.log", "fileupl.log"));
    QCOMPARE(FaultChecks::outcomesIn(log("dl_file_size.log", "fileupl.log")), c.outcomes);
    QStringList commands;
    for (const QString& line : peer.transcript) {
        if (!commands.isEmpty() || line.startsWith("NLST") || line.startsWith("LIST"))
            commands << (line.startsWith("PORT ") ? QStringLiteral("PORT") : line);
    }
    if (!c.commands.isEmpty())
        QCOMPARE(commands, c.commands);
    if (!c.transferred.isEmpty())
        QCOMPARE(argumentsOf(c.download ? "RETR" : "STOR"), c.transferred);
    QCOMPARE(FaultChecks::errorMessages(job.errorLog()).value(errorsBefore), c.error);
    QCOMPARE(peer.connectionCount(), c.sessions);
    QCOMPARE(p.caption, QStringLiteral("Tolvane - Idle"));
    QVERIFY2(job.put.view.rowEnabled.value(job.kind()), "the job's row stayed locked");
    const auto there = [this](const QByteArray& name) { return QString::fromLatin1(arrivedAs(name)); };
    FaultChecks::verifyConfirmedDeletesOnly(serverView(peer), files, job.put, c.download, there);
    const bool dupeCheck = c.download ? p.options.downloadDupeCheck : p.options.uploadDupeCheck;
    QCOMPARE(FaultChecks::recordsIn(log("filename2.log", "fileupl1.log")), recordedBefore + (dupeCheck ? passed : QStringList()));

    QStringList expectedLocal = localBefore;
    for (const QString& name : passed) {
        expectedLocal << there(name.toLatin1());
        const bool left = c.download ? peer.files.contains(name.toLatin1()) : folderEntries(p.workPath).contains(name);
        QVERIFY2(!c.deleteAfter || !left, "a confirmed file stayed under Delete After");
    }
    for (const QString& entry : folderEntries(p.workPath))
        QVERIFY2(expectedLocal.contains(entry), qPrintable("a stray local file: " + entry.left(80)));
    for (const QString& entry : folderEntries(job.put.folder.path()))
        QVERIFY2(logFolderBefore.contains(entry) || entry.endsWith(".log"), qPrintable("written outside: " + entry));
}

void runJobCase(const JobCase& c)
{
    PeerJob run(c);
    run.run();
    run.verify();
}
