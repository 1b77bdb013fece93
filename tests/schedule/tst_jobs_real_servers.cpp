// Whole jobs, each from one call, against servers we did not write (pyftpdlib
// and vsftpd on loopback): the login goes out as it must, every file arrives
// byte for byte on the other side, the records, logs and displays say what
// happened, and nothing is deleted on either side unless its transfer was
// confirmed.
#include "platform/TextFiles.h"
#include "support/FileBytes.h"
#include "support/JobUnderTest.h"
#include "support/RealFtpServer.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

using Kind = RealFtpServer::Kind;

namespace {

// Monday 22 March 2021.
const QDateTime kNow(QDate(2021, 3, 22), QTime(9, 5, 7));
const QString kOutcomeLead = QStringLiteral("2021/03/22 09:05:07 AM 127.0.0.1 ");
const QString kScheduleDisplay = QStringLiteral("9AM Active");

// Bytes a text-mode or a chunking fault would change: every byte value, CR LF
// and lone LF included, and lengths that are no multiple of a chunk.
const QMap<QString, QByteArray>& testFiles()
{
    static const QMap<QString, QByteArray> files = [] {
        QMap<QString, QByteArray> made;
        for (const auto& [name, size] : { std::pair { "a.dat", 4500 }, { "b.dat", 70'001 }, { "e.dat", 0 } }) {
            QByteArray bytes(size, Qt::Uninitialized);
            QRandomGenerator generator { quint32(size) };
            for (char& byte : bytes)
                byte = char(generator.bounded(256));
            made.insert(QString::fromLatin1(name), bytes);
        }
        return made;
    }();
    return files;
}

QStringList linesOf(const QString& path)
{
    QStringList lines;
    for (const QByteArray& line : readLines(path).value_or(QList<QByteArray> {}))
        lines << QString::fromLatin1(line);
    return lines;
}

QStringList sorted(QStringList lines)
{
    lines.sort();
    return lines;
}

// A job whose site is on the server. The site's pattern is empty, because
// pyftpdlib does not expand wildcards in NLST.
struct ServerJob : JobUnderTest {
    RealFtpServer& server;

    ServerJob(RealFtpServer& server, bool download, const QString& password)
        : JobUnderTest(download, kNow), server(server)
    {
        pointSite({ server.host(), server.port(), server.user(), password, "/", "" });
        scheduleDisplay()->setText(kScheduleDisplay);
    }

    QStringList workFiles() const { return QDir(p.workPath).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    // The first seven commands the server received, with the listener's port
    // in PORT left out: the login and the listing request.
    QStringList login() const
    {
        QStringList commands = server.commandsReceived().mid(0, 7);
        for (QString& command : commands)
            command = command.trimmed().replace(QRegularExpression(QStringLiteral("^PORT 127,0,0,1,\\d+,\\d+$")),
                                                QStringLiteral("PORT 127,0,0,1,p,p"));
        return commands;
    }

    // The names the server was asked to retrieve, store or delete, in order.
    QStringList arguments(const QString& verb) const
    {
        QStringList names;
        for (const QString& line : server.commandsReceived()) {
            if (line.startsWith(verb + QLatin1Char(' ')))
                names << line.mid(verb.size() + 1);
        }
        return names;
    }
};

QStringList expectedLogin(const RealFtpServer& server)
{
    return { "USER " + server.user(), "PASS <password>", "CWD /", "PWD", "TYPE A", "PORT 127,0,0,1,p,p", "NLST" };
}

const std::pair<Kind, const char*> kServers[] { { Kind::Pyftpdlib, "pyftpdlib" }, { Kind::Vsftpd, "vsftpd" } };

}

class JobsRealServersTest : public QObject {
    Q_OBJECT
private slots:
    void downloadJob_data();
    void downloadJob();
    void uploadJob_data();
    void uploadJob();
    void wrongPassword_data();
    void wrongPassword();
};

void JobsRealServersTest::downloadJob_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QStringList>("served");
    QTest::addColumn<bool>("deleteAfter");
    QTest::addColumn<QString>("blocked");
    const QStringList all = testFiles().keys();
    for (const auto& [kind, server] : kServers) {
        auto row = [server](const char* name) -> QTestData& { return QTest::addRow("%s: %s", server, name); };
        row("every file arrives byte for byte") << kind << all << false << QString();
        row("Delete After DownLoad: each deleted, the last as the job ends") << kind << all << true << QString();
        // A folder in the way: the file's bytes arrive but cannot be kept.
        row("the last file cannot take its local name: no final DELE")
            << kind << QStringList { "b.dat" } << true << QStringLiteral("b.dat");
    }
}

void JobsRealServersTest::downloadJob()
{
    QFETCH(Kind, kind);
    QFETCH(QStringList, served);
    QFETCH(bool, deleteAfter);
    QFETCH(QString, blocked);
    RealFtpServer server(kind);
    START_REAL_FTP_SERVER(server);
    for (const QString& name : served)
        server.putFile(name, testFiles()[name]);
    ServerJob job(server, true, server.password());
    job.p.options.deleteAfterDownload = deleteAfter;
    if (!blocked.isEmpty())
        QVERIFY(QDir(job.p.workPath).mkdir(blocked));

    job.run();

    QCOMPARE(job.login(), expectedLogin(server));
    QStringList passed = served;
    passed.removeAll(blocked);
    QCOMPARE(sorted(job.arguments("RETR")), served);
    QStringList outcomes;
    for (const QString& name : served) {
        if (name == blocked) {
            // Neither server announces a size the program reads as known.
            outcomes << kOutcomeLead + name + QStringLiteral(" Unknown File Size fail");
            continue;
        }
        QCOMPARE(fileBytes(job.put.workFile(name)), testFiles()[name]);
        outcomes << kOutcomeLead + name + QStringLiteral(" %1 pass").arg(testFiles()[name].size());
    }
    QCOMPARE(job.workFiles(), passed);
    QCOMPARE(sorted(linesOf(job.put.logFile("dl_file_size.log"))), outcomes);
    QCOMPARE(sorted(linesOf(job.put.logFile("filename2.log"))), passed);

    const QStringList deleted = job.arguments("DELE");
    QCOMPARE(sorted(deleted), deleteAfter ? passed : QStringList());
    for (const QString& name : served)
        QCOMPARE(server.hasFile(name), !deleted.contains(name));
    if (!deleted.isEmpty()) {
        // The last file is deleted by the job's end, which waits for the reply.
        QCOMPARE(deleted.last(), job.arguments("RETR").last());
        QCOMPARE(server.commandsReceived().last(), "DELE " + deleted.last());
        QVERIFY(job.p.session.downloadReplySeen);
    }

    QCOMPARE(job.scheduleDisplay()->text(), kScheduleDisplay);
    QVERIFY(!QFile::exists(job.errorLog()));
    QCOMPARE(job.lastRunLine(), QStringLiteral("Last Download on Mon 22nd Mar"));
    QCOMPARE(job.p.form.windowTitle(), QStringLiteral("Tolvane - Idle"));
}

void JobsRealServersTest::uploadJob_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("deleteAfter");
    for (const auto& [kind, server] : kServers) {
        QTest::addRow("%s: every file stored byte for byte, the local files kept", server) << kind << false;
        QTest::addRow("%s: Delete After UpLoad removes each confirmed file", server) << kind << true;
    }
}

void JobsRealServersTest::uploadJob()
{
    QFETCH(Kind, kind);
    QFETCH(bool, deleteAfter);
    RealFtpServer server(kind);
    START_REAL_FTP_SERVER(server);
    ServerJob job(server, false, server.password());
    job.p.options.deleteAfterUpload = deleteAfter;
    const QStringList names = testFiles().keys();
    for (const QString& name : names)
        QVERIFY(writeFileBytes(job.put.workFile(name), testFiles()[name]));

    job.run();

    QCOMPARE(job.login(), expectedLogin(server));
    QCOMPARE(job.arguments("STOR"), names);
    QStringList outcomes;
    for (const QString& name : names) {
        QCOMPARE(server.fileBytes(name), testFiles()[name]);
        outcomes << kOutcomeLead + name + QStringLiteral(" %1 pass").arg(testFiles()[name].size());
    }
    QCOMPARE(linesOf(job.put.logFile("fileupl.log")), outcomes);
    QCOMPARE(linesOf(job.put.logFile("fileupl1.log")), names);
    QCOMPARE(job.workFiles(), deleteAfter ? QStringList() : names);

    QCOMPARE(job.scheduleDisplay()->text(), kScheduleDisplay);
    QVERIFY(!QFile::exists(job.errorLog()));
    QCOMPARE(job.lastRunLine(), QStringLiteral("Last Upload on Mon 22nd Mar"));
    QCOMPARE(job.p.form.windowTitle(), QStringLiteral("Tolvane - Idle"));
}

void JobsRealServersTest::wrongPassword_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("download");
    QTest::newRow("pyftpdlib: download job") << Kind::Pyftpdlib << true;
    QTest::newRow("vsftpd: upload job") << Kind::Vsftpd << false;
}

void JobsRealServersTest::wrongPassword()
{
    QFETCH(Kind, kind);
    QFETCH(bool, download);
    RealFtpServer server(kind);
    START_REAL_FTP_SERVER(server);
    server.putFile(QStringLiteral("a.dat"), "served");
    ServerJob job(server, download, QStringLiteral("not-the-password"));
    QVERIFY(writeFileBytes(job.put.workFile("b.dat"), "local"));

    job.run();

    QCOMPARE(job.scheduleDisplay()->text(), QStringLiteral("9AM Login Failed"));
    QCOMPARE(linesOf(job.errorLog()), QStringList { "Invalid User/Pass 2021/03/22 at 09:05:07 AM" });
    QCOMPARE(job.lastRunLine(), download ? QStringLiteral("Last Download on Mon 22nd Mar")
                                         : QStringLiteral("Last Upload on Mon 22nd Mar"));
    QCOMPARE(job.workFiles(), QStringList { "b.dat" });
    QVERIFY(!server.hasFile(QStringLiteral("b.dat")));
    QVERIFY(server.hasFile(QStringLiteral("a.dat")));
}

QTEST_MAIN(JobsRealServersTest)
#include "tst_jobs_real_servers.moc"
