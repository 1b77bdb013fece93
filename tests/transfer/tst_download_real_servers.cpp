// Whole download jobs against two FTP servers we did not write, pyftpdlib and
// vsftpd, on loopback, beyond the round trips of the job suite: names with
// blanks and 8-bit bytes, a mebibyte, the dated local name, a second job that
// fetches only what is new, and the servers' own LIST formats.
#include "platform/TextFiles.h"
#include "support/FileBytes.h"
#include "support/JobUnderTest.h"
#include "support/RealFtpServer.h"

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

QByteArray outcome(const QByteArray& name, qsizetype size)
{
    return kOutcomeLead + name + ' ' + QByteArray::number(size) + " pass";
}

QList<QByteArray> sorted(QList<QByteArray> list)
{
    std::sort(list.begin(), list.end());
    return list;
}

// A download job of site 1 pointed at the server's root. File names are the
// bytes the server lists (UTF-8 on both).
struct ServerDownload : JobUnderTest {
    const RealFtpServer& server;

    // pyftpdlib does not glob in NLST; an empty pattern lists everything on
    // both servers.
    explicit ServerDownload(const RealFtpServer& server, const QString& pattern = {})
        : JobUnderTest(true, kNow), server(server)
    {
        pointSite({ server.host(), server.port(), server.user(), server.password(), QStringLiteral("/"), pattern });
    }

    void putOnServer(const QByteArray& name, const QByteArray& bytes) const
    {
        server.putFile(QString::fromUtf8(name), bytes);
    }
    QByteArray local(const QByteArray& name) const { return fileBytesNamed(p.workPath, name); }
    QList<QByteArray> log(const QString& name) const
    {
        return sorted(readLines(put.logFile(name)).value_or(QList<QByteArray> {}));
    }
    QStringList retrieved(qsizetype fromCommand = 0) const
    {
        return server.commandsReceived().mid(fromCommand).filter(QRegularExpression(QStringLiteral("^RETR ")));
    }
};

}

class DownloadRealServersTest : public QObject {
    Q_OBJECT
private slots:
    void filesArriveWholeUnderDatedNames_data();
    void filesArriveWholeUnderDatedNames();
    void listModeReadsTheServersListing_data();
    void listModeReadsTheServersListing();
};

void DownloadRealServersTest::filesArriveWholeUnderDatedNames_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("pyftpdlib") << Kind::Pyftpdlib;
    QTest::newRow("vsftpd") << Kind::Vsftpd;
}

// Under "Download Timestamp" each local name carries the date, while the
// records keep the server's name: it is what a second job on the same
// program compares, and that job fetches only the file new on the server.
void DownloadRealServersTest::filesArriveWholeUnderDatedNames()
{
    QFETCH(Kind, kind);
    RealFtpServer server(kind);
    START_REAL_FTP_SERVER(server);
    ServerDownload d(server);
    d.p.form.ai_dstamp->setChecked(true);
    const QList<std::pair<QByteArray, QByteArray>> files {
        { "empty.dat", {} },
        { "one.dat", "\xff" },
        { "four.dat", randomBytes(4000) },
        { "mebi.dat", randomBytes(1 << 20) },
        { "a b \xc3\xa9.dat", randomBytes(1000) },
    };
    QList<QByteArray> names;
    QStringList localNames;
    QList<QByteArray> outcomes;
    for (const auto& [name, bytes] : files) {
        d.putOnServer(name, bytes);
        names << name;
        localNames << QString::fromLatin1("20021015_" + name);
        outcomes << outcome(name, bytes.size());
    }

    d.run();

    for (const auto& [name, bytes] : files)
        QVERIFY2(d.local("20021015_" + name) == bytes, name.constData());
    localNames.sort();
    QCOMPARE(folderEntries(d.p.workPath), localNames);
    QCOMPARE(d.log(QStringLiteral("dl_file_size.log")), sorted(outcomes));
    QCOMPARE(d.log(QStringLiteral("filename2.log")), sorted(names));

    const qsizetype firstJobCommands = server.commandsReceived().size();
    d.putOnServer("new.dat", "new");
    d.run();

    QCOMPARE(d.retrieved(firstJobCommands), QStringList { "RETR new.dat" });
    QCOMPARE(d.local("20021015_new.dat"), QByteArray("new"));
    QCOMPARE(d.log(QStringLiteral("dl_file_size.log")), sorted(outcomes << outcome("new.dat", 3)));
    QCOMPARE(d.log(QStringLiteral("filename2.log")), sorted(names << "new.dat"));
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
    d.putOnServer("a.dat", a);
    d.putOnServer("b.dat", b);

    d.run();

    QCOMPARE(d.retrieved(), QStringList({ "RETR a.dat", "RETR b.dat" }));
    QCOMPARE(d.local("a.dat"), a);
    QCOMPARE(d.local("b.dat"), b);
    QCOMPARE(d.log(QStringLiteral("dl_file_size.log")), QList<QByteArray>({ outcome("a.dat", 4000), outcome("b.dat", 65536) }));
}

QTEST_MAIN(DownloadRealServersTest)
#include "tst_download_real_servers.moc"
