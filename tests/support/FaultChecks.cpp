#include "support/FaultChecks.h"

#include "platform/TextFiles.h"
#include "support/RealFtpServer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QtTest>

#include <cstdio>

namespace {

const QString kUnknownSize = QStringLiteral(" Unknown File Size");

QStringList linesOf(const QString& path)
{
    QStringList lines;
    for (const QByteArray& line : readLines(path).value_or(QList<QByteArray> {}))
        lines << QString::fromLatin1(line);
    return lines;
}

// "date time AMPM host name size status", the size a number or "Unknown File
// Size"; the name may hold blanks.
// The records of a log, each ended by CR LF.
QStringList recordsOf(const QString& path)
{
    if (!QFile::exists(path))
        return {};
    QStringList records = QString::fromLatin1(fileBytes(path)).split(QStringLiteral("\r\n"));
    records.removeLast();
    return records;
}

std::pair<QString, QString> nameAndStatus(const QString& outcomeLine)
{
    QString rest = outcomeLine.section(QLatin1Char(' '), 4);
    const QString status = rest.section(QLatin1Char(' '), -1);
    rest.chop(status.size() + 1);
    if (rest.endsWith(kUnknownSize))
        rest.chop(kUnknownSize.size());
    else
        rest = rest.section(QLatin1Char(' '), 0, -2);
    return { rest, status };
}

QString outcomeLog(bool download)
{
    return download ? QStringLiteral("dl_file_size.log") : QStringLiteral("fileupl.log");
}

QByteArray describe(const char* what, const QByteArray& name)
{
    return QByteArray(what) + ": " + name.left(80);
}

}

ServerView serverView(const ScriptedFtpPeer& peer)
{
    return { peer.transcript(), [&peer](const QByteArray& name) -> std::optional<QByteArray> {
                if (!peer.hasFile(name))
                    return std::nullopt;
                return peer.file(name);
            } };
}

ServerView serverView(const RealFtpServer& server)
{
    return { server.commandsReceived(), [&server](const QByteArray& name) -> std::optional<QByteArray> {
                if (!server.hasFile(name))
                    return std::nullopt;
                return server.fileBytes(name);
            } };
}

namespace FaultChecks {

void runWithin(const std::function<void()>& job, int boundMs)
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [boundMs] {
        qFatal("the job was still running after %d ms", boundMs);
    });
    watchdog.start(boundMs);
    job();
}

QStringList passedNames(const QString& outcomeLog)
{
    QStringList names;
    for (const QString& line : linesOf(outcomeLog)) {
        const auto [name, status] = nameAndStatus(line);
        if (status == QLatin1String("pass"))
            names << name;
    }
    return names;
}

QStringList outcomesIn(const QString& outcomeLog)
{
    QStringList list;
    for (const QString& line : linesOf(outcomeLog)) {
        const auto [name, status] = nameAndStatus(line);
        list << name + QLatin1Char(' ') + status;
    }
    return list;
}

// "message YYYY/MM/DD at hh:mm:ss AMPM"
QStringList errorMessages(const QString& errorLog)
{
    QStringList list;
    for (const QString& line : linesOf(errorLog))
        list << line.section(QLatin1Char(' '), 0, -5);
    return list;
}

void verifyDownloadDeletes(const ServerView& server, const FileMap& served, const EngineUnderTest& put,
                           const std::function<QString(const QByteArray&)>& localName)
{
    const QStringList passed = passedNames(put.logFile(outcomeLog(true)));
    QList<QByteArray> deleted;
    for (const QString& command : server.commands) {
        if (command.startsWith(QLatin1String("DELE ")))
            deleted << command.mid(5).toLatin1();
    }
    // What a server without a command log no longer holds was deleted too.
    for (auto it = served.cbegin(); it != served.cend(); ++it) {
        if (!server.file(it.key()))
            deleted << it.key();
    }
    for (const QByteArray& name : deleted) {
        QVERIFY2(served.contains(name), describe("deleted, never served", name).constData());
        QVERIFY2(passed.contains(QString::fromLatin1(name)), describe("deleted, not recorded pass", name).constData());
        const QString local = localName ? localName(name) : QString::fromLatin1(name);
        QVERIFY2(fileBytesNamed(put.engine.workPath, local.toLatin1()) == served[name],
                 describe("deleted, its local copy not what was served", name).constData());
    }
    for (auto it = served.cbegin(); it != served.cend(); ++it) {
        if (!passed.contains(QString::fromLatin1(it.key())))
            QVERIFY2(server.file(it.key()) == it.value(), describe("a file not confirmed left the server", it.key()).constData());
    }
}

void verifyUploadRemovals(const ServerView& server, const FileMap& local, const EngineUnderTest& put)
{
    const QStringList passed = passedNames(put.logFile(outcomeLog(false)));
    for (auto it = local.cbegin(); it != local.cend(); ++it) {
        const QString path = put.workFile(QString::fromLatin1(it.key()));
        const bool confirmed = passed.contains(QString::fromLatin1(it.key()));
        if (!QFile::exists(path)) {
            QVERIFY2(confirmed, describe("a file not recorded pass left the working folder", it.key()).constData());
            QVERIFY2(server.file(it.key()) == it.value(),
                     describe("a file left the working folder though the server does not hold it", it.key()).constData());
        } else if (!confirmed) {
            QVERIFY2(fileBytes(path) == it.value(), describe("a file not confirmed changed locally", it.key()).constData());
        }
    }
}

void verifyLogged(const EngineUnderTest& put, bool download, const QRegularExpression& line)
{
    const QStringList lines = linesOf(put.logFile(download ? QStringLiteral("err_dload.log")
                                                           : QStringLiteral("err_upload.log")))
        + linesOf(put.logFile(outcomeLog(download)));
    for (const QString& candidate : lines) {
        if (line.match(candidate).hasMatch())
            return;
    }
    QFAIL(qPrintable(QStringLiteral("no log line matches %1 in:\n%2").arg(line.pattern(), lines.join('\n'))));
}

}

PeerJob::PeerJob(bool download, double timeScale, const QDateTime& now) : job(download, now, timeScale)
{
    job.pointSite({ peer.host(), peer.port(), QStringLiteral("alice"), QStringLiteral("s3cret"),
                    QStringLiteral("/in"), QStringLiteral("*.dat") });
}

// The temporary folder cannot remove a name that is not UTF-8.
PeerJob::~PeerJob()
{
    for (const QString& name : folderEntries(p.workPath))
        ::remove((QFile::encodeName(p.workPath) + '/' + name.toLatin1()).constData());
}

void PeerJob::putFile(const QByteArray& name, const QByteArray& bytes)
{
    files.insert(name, bytes);
    if (job.download)
        peer.putFile(name, bytes);
    else
        QVERIFY(writeFileBytesNamed(p.workPath, name, bytes));
}

QStringList PeerJob::commands() const
{
    static const QRegularExpression port(QStringLiteral("^PORT 127,0,0,1,\\d+,\\d+$"));
    QStringList lines = peer.transcript();
    for (QString& line : lines) {
        if (port.match(line).hasMatch())
            line = QStringLiteral("PORT");
    }
    return lines;
}

QStringList PeerJob::outcomes() const
{
    return FaultChecks::outcomesIn(job.put.logFile(outcomeLog(job.download)));
}

QStringList PeerJob::outcomeLines() const
{
    QStringList lines = recordsOf(job.put.logFile(outcomeLog(job.download)));
    for (QString& line : lines)
        line = line.section(QLatin1Char(' '), 4);
    return lines;
}

QStringList PeerJob::recordedNames() const
{
    return recordsOf(job.put.logFile(job.download ? QStringLiteral("filename2.log") : QStringLiteral("fileupl1.log")));
}

void PeerJob::verifyDeletes() const
{
    if (job.download)
        FaultChecks::verifyDownloadDeletes(serverView(peer), files, job.put, localName);
    else
        FaultChecks::verifyUploadRemovals(serverView(peer), files, job.put);
}

void PeerJob::verifyPromises(const QRegularExpression& logged) const
{
    verifyDeletes();
    FaultChecks::verifyLogged(job.put, job.download, logged);
}

QByteArray faultBytes(const QByteArray& name, int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    const uint seed = qHash(name);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + seed + i / 251) & 0xff);
    return bytes;
}
