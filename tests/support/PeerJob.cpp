#include "support/PeerJob.h"

#include <QRegularExpression>
#include <QtTest>

#include <cstdio>

PeerJob::PeerJob(const JobCase& c) : c(c), job(c.download, c.now, c.timeScale), files(c.files)
{
    job.pointSite({ peer.host(), peer.port(), "alice", "s3cret", "/in", "*.dat" });
    job.setRetries(QString::number(c.retries));
    (c.download ? p.options.deleteAfterDownload : p.options.deleteAfterUpload) = c.deleteAfter;
    peer.scripts = c.scripts;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (c.download)
            peer.files.insert(it.key(), it.value());
        else
            QVERIFY(writeFileBytesNamed(p.workPath, it.key(), it.value()));
    }
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
    FaultChecks::runWithin([this] { c.retries > 0 ? job.runFromSchedule() : job.run(); });
}

QStringList PeerJob::commands() const
{
    static const QRegularExpression port(QStringLiteral("^PORT 127,0,0,1,\\d+,\\d+$"));
    QStringList lines;
    for (const QString& line : peer.transcript) {
        if (!lines.isEmpty() || line.startsWith("NLST") || line.startsWith("LIST"))
            lines << (port.match(line).hasMatch() ? QStringLiteral("PORT") : line);
    }
    return lines;
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
    const QString outcomeLog = log("dl_file_size.log", "fileupl.log");
    QCOMPARE(FaultChecks::outcomesIn(outcomeLog), c.outcomes);
    if (!c.commands.isEmpty())
        QCOMPARE(commands(), c.commands);
    if (!c.transferred.isEmpty())
        QCOMPARE(argumentsOf(c.download ? "RETR" : "STOR"), c.transferred);
    QCOMPARE(FaultChecks::errorMessages(job.errorLog()).value(errorsBefore), c.error);
    QCOMPARE(peer.connectionCount(), c.sessions);
    QCOMPARE(p.caption, QStringLiteral("Tolvane - Idle"));
    QVERIFY2(job.put.view.rowEnabled.value(job.kind()), "the job's row stayed locked");
    const auto there = [this](const QByteArray& name) { return QString::fromLatin1(arrivedAs(name)); };
    FaultChecks::verifyConfirmedDeletesOnly(serverView(peer), files, job.put, c.download, there);

    QStringList passed;
    QStringList expectedLocal = localBefore;
    for (const Outcome& line : FaultChecks::outcomeLines(outcomeLog)) {
        if (line.status != QLatin1String("pass"))
            continue;
        passed << line.name;
        expectedLocal << there(line.name.toLatin1());
        QCOMPARE(line.size, QString::number(files.value(line.name.toLatin1()).size()));
        if (c.deleteAfter)
            QVERIFY2(c.download ? !peer.files.contains(line.name.toLatin1()) : !folderEntries(p.workPath).contains(line.name),
                     "a confirmed file stayed under Delete After");
    }
    const bool dupeCheck = c.download ? p.options.downloadDupeCheck : p.options.uploadDupeCheck;
    QCOMPARE(FaultChecks::recordsIn(log("filename2.log", "fileupl1.log")), recordedBefore + (dupeCheck ? passed : QStringList()));
    for (const QString& entry : folderEntries(p.workPath))
        QVERIFY2(!c.download || expectedLocal.contains(entry), qPrintable("a stray local file: " + entry.left(80)));
    for (const QString& entry : folderEntries(job.put.folder.path()))
        QVERIFY2(logFolderBefore.contains(entry) || entry.endsWith(".log"), qPrintable("written outside: " + entry));
}

void runJobCase(const JobCase& c)
{
    PeerJob run(c);
    run.run();
    run.verify();
}
