#include "support/FaultChecks.h"

#include "platform/TextFiles.h"
#include "support/RealFtpServer.h"
#include "support/ScriptedFtpPeer.h"

#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

ServerView serverView(const ScriptedFtpPeer& peer)
{
    return { peer.transcript, [&peer](const QByteArray& name) { return peer.files.value(name, "<missing>"); } };
}

ServerView serverView(const RealFtpServer& server)
{
    return { server.commandsReceived(), [&server](const QByteArray& name) { return server.fileBytes(name); } };
}

namespace FaultChecks {

void runWithin(const std::function<void()>& job)
{
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [] { qFatal("the job was still running after 90 s"); });
    watchdog.start(90'000);
    job();
}

QStringList recordsIn(const QString& log)
{
    QStringList records = QString::fromLatin1(fileBytes(log)).split(QStringLiteral("\r\n"));
    records.removeLast();
    return records;
}

// "date time AMPM host name size status": the name may hold blanks, and the
// size is a number or "Unknown File Size".
QStringList outcomesIn(const QString& outcomeLog)
{
    static const QRegularExpression line(QStringLiteral("^(?:\\S* ){4}(.*) (?:\\d+|Unknown File Size) (\\S+)$"),
                                         QRegularExpression::DotMatchesEverythingOption);
    QStringList list;
    for (const QString& record : recordsIn(outcomeLog)) {
        const QRegularExpressionMatch fields = line.match(record);
        list << fields.captured(1) + QLatin1Char(' ') + fields.captured(2);
    }
    return list;
}

QStringList passedIn(const QString& outcomeLog)
{
    QStringList names;
    for (const QString& outcome : outcomesIn(outcomeLog)) {
        if (outcome.endsWith(QLatin1String(" pass")))
            names << outcome.chopped(5);
    }
    return names;
}

// "message YYYY/MM/DD at hh:mm:ss AMPM"
QStringList errorMessages(const QString& errorLog)
{
    QStringList list;
    for (const QByteArray& line : readLines(errorLog).value_or(QList<QByteArray> {}))
        list << QString::fromLatin1(line).section(QLatin1Char(' '), 0, -5);
    return list;
}

void verifyConfirmedDeletesOnly(const ServerView& server, const FileMap& files, const EngineUnderTest& put,
                                bool download, const std::function<QString(const QByteArray&)>& arrivedAs)
{
    const QStringList passed = passedIn(put.logFile(download ? "dl_file_size.log" : "fileupl.log"));
    for (const QString& command : server.commands) {
        if (command.startsWith(QLatin1String("DELE ")))
            QVERIFY2(passed.contains(command.mid(5)), qPrintable("deleted, not recorded pass: " + command.left(80)));
    }
    const QString work = put.engine.workPath;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString name = QString::fromLatin1(it.key());
        const QByteArray there = (arrivedAs ? arrivedAs(it.key()) : name).toLatin1();
        const QByteArray source = download ? server.file(it.key()) : fileBytesNamed(work, it.key());
        const QByteArray copy = download ? fileBytesNamed(work, there) : server.file(there);
        if (passed.contains(name))
            QVERIFY2(copy == it.value(), qPrintable("recorded pass, not there whole: " + name.left(80)));
        else
            QVERIFY2(source == it.value(), qPrintable("not confirmed, yet changed or gone: " + name.left(80)));
    }
}

}
