#include "support/FaultChecks.h"

#include "platform/TextFiles.h"
#include "support/RealFtpServer.h"
#include "support/ScriptedFtpPeer.h"

#include <QTimer>
#include <QtTest>

namespace {

const QString kUnknownSize = QStringLiteral("Unknown File Size");

QStringList passedNames(const QString& outcomeLog)
{
    QStringList names;
    for (const Outcome& line : FaultChecks::outcomeLines(outcomeLog)) {
        if (line.status == QLatin1String("pass"))
            names << line.name;
    }
    return names;
}

QByteArray describe(const char* what, const QByteArray& name)
{
    return QByteArray(what) + ": " + name.left(80);
}

}

ServerView serverView(const ScriptedFtpPeer& peer)
{
    return { peer.transcript, [&peer](const QByteArray& name) -> std::optional<QByteArray> {
                if (!peer.files.contains(name))
                    return std::nullopt;
                return peer.files.value(name);
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

QStringList recordsIn(const QString& log)
{
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList records = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
    records.removeLast();
    return records;
}

// "date time AMPM host name size status": the name may hold blanks, and the
// size is a number or "Unknown File Size".
QList<Outcome> outcomeLines(const QString& outcomeLog)
{
    QList<Outcome> lines;
    for (const QString& record : recordsIn(outcomeLog)) {
        QString rest = record.section(QLatin1Char(' '), 4);
        const QString status = rest.section(QLatin1Char(' '), -1);
        rest.chop(status.size() + 1);
        const QString size = rest.endsWith(kUnknownSize) ? kUnknownSize : rest.section(QLatin1Char(' '), -1);
        rest.chop(size.size() + 1);
        lines.append({ rest, size, status });
    }
    return lines;
}

QStringList outcomesIn(const QString& outcomeLog)
{
    QStringList list;
    for (const Outcome& line : outcomeLines(outcomeLog))
        list << line.name + QLatin1Char(' ') + line.status;
    return list;
}

// "message YYYY/MM/DD at hh:mm:ss AMPM"
QStringList errorMessages(const QString& errorLog)
{
    QStringList list;
    for (const QByteArray& line : readLines(errorLog).value_or(QList<QByteArray> {}))
        list << QString::fromLatin1(line).section(QLatin1Char(' '), 0, -5);
    return list;
}

void verifyDownloadDeletes(const ServerView& server, const FileMap& served, const EngineUnderTest& put,
                           const std::function<QString(const QByteArray&)>& localName)
{
    const QStringList passed = passedNames(put.logFile(QStringLiteral("dl_file_size.log")));
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
    const QStringList passed = passedNames(put.logFile(QStringLiteral("fileupl.log")));
    for (auto it = local.cbegin(); it != local.cend(); ++it) {
        const QByteArray bytes = fileBytesNamed(put.engine.workPath, it.key());
        if (passed.contains(QString::fromLatin1(it.key()))) {
            if (bytes == "<missing>")
                QVERIFY2(server.file(it.key()) == it.value(),
                         describe("a file left the working folder though the server does not hold it", it.key()).constData());
        } else {
            QVERIFY2(bytes == it.value(), describe("a file not confirmed changed or left locally", it.key()).constData());
        }
    }
}

}
