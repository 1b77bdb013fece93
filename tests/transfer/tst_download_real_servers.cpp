// Whole download jobs against two FTP servers we did not write, pyftpdlib and
// vsftpd, on loopback: every file arrives byte for byte under its name, the
// records say what happened, and the server loses exactly the files that
// passed.
#include "app/Program.h"
#include "platform/TextFiles.h"
#include "schedule/JobRun.h"
#include "support/ProgramUnderTest.h"
#include "support/RealFtpServer.h"

#include <QDir>
#include <QRandomGenerator>
#include <QtTest>

using Kind = RealFtpServer::Kind;

namespace {

const QDateTime kNow(QDate(2002, 10, 15), QTime(14, 5, 9));
const QByteArray kOutcomeLead = "2002/10/15 02:05:09 PM 127.0.0.1 ";

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator { quint32(size) };
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

QByteArray outcome(const QByteArray& name, const QByteArray& size, const QByteArray& status)
{
    return kOutcomeLead + name + ' ' + size + ' ' + status;
}

QList<QByteArray> sorted(QList<QByteArray> list)
{
    std::sort(list.begin(), list.end());
    return list;
}

void addServerRows()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("pyftpdlib") << Kind::Pyftpdlib;
    QTest::newRow("vsftpd") << Kind::Vsftpd;
}

// A download job of site 1 pointed at the server's root. File names are the
// bytes the server lists (UTF-8 on both).
struct ServerDownload {
    ProgramUnderTest t;
    Program& p = t.program;
    const RealFtpServer& server;

    // pyftpdlib does not glob in NLST; an empty pattern lists everything on
    // both servers.
    explicit ServerDownload(const RealFtpServer& server, const QString& pattern = {}) : server(server)
    {
        pointDownloadSite(p, { server.host(), server.port(), server.user(), server.password(), QStringLiteral("/"),
                               pattern });
        p.clock.set(kNow);
    }

    void put(const QByteArray& name, const QByteArray& bytes) const { server.putFile(QString::fromUtf8(name), bytes); }
    void run() { runDownloadJob(p); }

    QByteArray local(const QByteArray& name) const
    {
        QFile file(t.workFile(QString::fromUtf8(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
    QList<QByteArray> workEntries() const
    {
        QList<QByteArray> names;
        for (const QString& name : QDir(p.workPath).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
            names << name.toUtf8();
        return sorted(names);
    }
    QList<QByteArray> log(const QString& name) const
    {
        return sorted(readLines(t.logFile(name)).value_or(QList<QByteArray> {}));
    }
    QList<QByteArray> outcomes() const { return log(QStringLiteral("dl_file_size.log")); }
    QList<QByteArray> recorded() const { return log(QStringLiteral("filename2.log")); }
    QStringList retrieved(qsizetype fromCommand = 0) const
    {
        return server.commandsReceived().mid(fromCommand).filter(QRegularExpression(QStringLiteral("^RETR ")));
    }
};

}

class DownloadRealServersTest : public QObject {
    Q_OBJECT
private slots:
    void filesArriveWholeAndAreRecorded_data() { addServerRows(); }
    void filesArriveWholeAndAreRecorded();
    void downloadTimestampDatesTheLocalName_data() { addServerRows(); }
    void downloadTimestampDatesTheLocalName();
    void deleteAfterDownloadRemovesOnlyWhatPassed_data() { addServerRows(); }
    void deleteAfterDownloadRemovesOnlyWhatPassed();
    void listModeReadsTheServersListing_data();
    void listModeReadsTheServersListing();
};

// Then a second job on the same program fetches only a file new on the server.
void DownloadRealServersTest::filesArriveWholeAndAreRecorded()
{
    QFETCH(Kind, kind);
    RealFtpServer server(kind);
    START_REAL_FTP_SERVER(server);
    ServerDownload d(server);
    const QList<std::pair<QByteArray, QByteArray>> files {
        { "empty.dat", {} },
        { "one.dat", "\xff" },
        { "four.dat", randomBytes(4000) },
        { "mebi.dat", randomBytes(1 << 20) },
        { "a b \xc3\xa9.dat", randomBytes(1000) },
    };
    QList<QByteArray> names;
    QList<QByteArray> outcomes;
    for (const auto& [name, bytes] : files) {
        d.put(name, bytes);
        names << name;
        outcomes << outcome(name, QByteArray::number(bytes.size()), "pass");
    }

    d.run();

    for (const auto& [name, bytes] : files)
        QVERIFY2(d.local(name) == bytes, name.constData());
    QCOMPARE(d.workEntries(), sorted(names));
    QCOMPARE(d.outcomes(), sorted(outcomes));
    QCOMPARE(d.recorded(), sorted(names));

    const qsizetype firstJobCommands = server.commandsReceived().size();
    d.put("new.dat", "new");
    d.run();

    QCOMPARE(d.retrieved(firstJobCommands), QStringList { "RETR new.dat" });
    QCOMPARE(d.local("new.dat"), QByteArray("new"));
    QCOMPARE(d.outcomes(), sorted(outcomes << outcome("new.dat", "3", "pass")));
    QCOMPARE(d.recorded(), sorted(names << "new.dat"));
}

void DownloadRealServersTest::downloadTimestampDatesTheLocalName()
{
    QFETCH(Kind, kind);
    RealFtpServer server(kind);
    START_REAL_FTP_SERVER(server);
    ServerDownload d(server);
    d.p.form.ai_dstamp->setChecked(true);
    const QByteArray a = randomBytes(3000);
    d.put("a.dat", a);

    d.run();

    QCOMPARE(d.workEntries(), QList<QByteArray> { "20021015_a.dat" });
    QCOMPARE(d.local("20021015_a.dat"), a);
    // The records keep the server's name: it is what the next job compares.
    QCOMPARE(d.outcomes(), QList<QByteArray> { outcome("a.dat", "3000", "pass") });
    QCOMPARE(d.recorded(), QList<QByteArray> { "a.dat" });
}

// b.dat cannot be kept here (a folder holds its name); gone.dat is listed but
// the server cannot open it. The last file fails, so
// the end of the job must not delete it either.
void DownloadRealServersTest::deleteAfterDownloadRemovesOnlyWhatPassed()
{
    QFETCH(Kind, kind);
    RealFtpServer server(kind);
    START_REAL_FTP_SERVER(server);
    ServerDownload d(server);
    d.p.options.deleteAfterDownload = true;
    for (const QByteArray& name : { "a.dat", "b.dat", "c.dat" })
        d.put(name, randomBytes(2000));
    const QString gone = QDir(server.rootPath()).filePath(QStringLiteral("gone.dat"));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/gone.dat"), gone));
    QVERIFY(QDir(d.p.workPath).mkdir(QStringLiteral("b.dat")));

    d.run();

    QVERIFY(!server.hasFile(QStringLiteral("a.dat")));
    QVERIFY(server.hasFile(QStringLiteral("b.dat")));
    QVERIFY(!server.hasFile(QStringLiteral("c.dat")));
    QVERIFY(QFileInfo(gone).isSymLink());
    const QStringList deletes = server.commandsReceived().filter(QRegularExpression(QStringLiteral("^DELE ")));
    QCOMPARE(deletes, QStringList({ "DELE a.dat", "DELE c.dat" }));
    QCOMPARE(d.outcomes(), sorted({ outcome("a.dat", "2000", "pass"), outcome("b.dat", "Unknown File Size", "fail"),
                                    outcome("c.dat", "2000", "pass"),
                                    outcome("gone.dat", "Unknown File Size", "fail") }));
    QCOMPARE(d.recorded(), QList<QByteArray>({ "a.dat", "c.dat" }));
}

void DownloadRealServersTest::listModeReadsTheServersListing_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("patternField");
    // The request is "LIST" + pattern + the field in capitals. pyftpdlib takes
    // the whole argument as one path and does not glob: "d /.." is the
    // current folder. vsftpd reads "-la" as options and lists "." and ".." too.
    QTest::newRow("pyftpdlib") << Kind::Pyftpdlib << "d" << "/..";
    QTest::newRow("vsftpd") << Kind::Vsftpd << "-la" << "";
}

void DownloadRealServersTest::listModeReadsTheServersListing()
{
    QFETCH(Kind, kind);
    QFETCH(QString, pattern);
    QFETCH(QString, patternField);
    RealFtpServer server(kind);
    START_REAL_FTP_SERVER(server);
    ServerDownload d(server, pattern);
    d.p.form.ai_nlst->setChecked(false);
    d.p.form.Text7->setText(patternField);
    const QByteArray a = randomBytes(4000);
    const QByteArray b = randomBytes(1 << 16);
    d.put("a.dat", a);
    d.put("b.dat", b);

    d.run();

    QCOMPARE(d.retrieved(), QStringList({ "RETR a.dat", "RETR b.dat" }));
    QCOMPARE(d.local("a.dat"), a);
    QCOMPARE(d.local("b.dat"), b);
    QCOMPARE(d.outcomes(), QList<QByteArray>({ outcome("a.dat", "4000", "pass"), outcome("b.dat", "65536", "pass") }));
}

QTEST_MAIN(DownloadRealServersTest)
#include "tst_download_real_servers.moc"
