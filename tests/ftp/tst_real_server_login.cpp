// Both jobs log in to real servers we did not write, pyftpdlib and vsftpd, and
// request the listing; the server's data connection must reach the job's own
// data socket. What the servers received is read from their own logs.
#include "app/Program.h"
#include "ftp/ControlSession.h"
#include "ftp/Job.h"
#include "platform/TimeScale.h"
#include "platform/Winsock.h"
#include "support/RealFtpServer.h"
#include "support/TemporaryCurrentFolder.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

// One program second lasts 20 ms, so the program's own bounds pass quickly.
constexpr double kTimeScale = 0.02;
// Real milliseconds. Bounds only catch hangs.
constexpr int kWaitMs = 10'000;

}

class RealServerLoginTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TimeScale::set(kTimeScale); }
    void logsInAndRequestsTheListing_data();
    void logsInAndRequestsTheListing();
};

void RealServerLoginTest::logsInAndRequestsTheListing_data()
{
    QTest::addColumn<RealFtpServer::Kind>("kind");
    QTest::addColumn<bool>("download");
    QTest::newRow("pyftpdlib download") << RealFtpServer::Kind::Pyftpdlib << true;
    QTest::newRow("pyftpdlib upload") << RealFtpServer::Kind::Pyftpdlib << false;
    QTest::newRow("vsftpd download") << RealFtpServer::Kind::Vsftpd << true;
    QTest::newRow("vsftpd upload") << RealFtpServer::Kind::Vsftpd << false;
}

void RealServerLoginTest::logsInAndRequestsTheListing()
{
    QFETCH(RealFtpServer::Kind, kind);
    QFETCH(bool, download);
    RealFtpServer server(kind);
    START_REAL_FTP_SERVER(server);
    server.putFile(QStringLiteral("a.dat"), "listed\r\n");

    TemporaryCurrentFolder folder;
    Program program;
    Job job = download ? downloadJob(program) : uploadJob(program);
    job.site.hosts[1] = server.host();
    job.site.ports[1] = QString::number(server.port());
    job.site.users[1] = server.user();
    job.site.passwords[1] = server.password();
    job.site.paths[1] = QStringLiteral("/");
    job.site.patterns[1] = QStringLiteral("*.dat");
    job.site.index = 1;
    // Seen right after the program's own handler has taken the connection.
    // pyftpdlib connects on PORT, vsftpd on the listing request.
    bool dataAccepted = false;
    QObject::connect(&job.data, &Winsock::ConnectionRequest, &program.form,
                     [&] { dataAccepted = dataAccepted || job.data.State() == Winsock::sckConnected; });

    startControlSession(job);
    const QString listingRequest = QStringLiteral("NLST *.dat");
    QTRY_VERIFY_WITH_TIMEOUT(dataAccepted && server.commandsReceived().contains(listingRequest), kWaitMs);

    QVERIFY(!job.failed);
    QCOMPARE(job.errorNumber, 0);
    QVERIFY(job.state >= 7);
    const QStringList login = server.commandsReceived().mid(0, 7);
    QCOMPARE(login.size(), 7);
    QCOMPARE(login.mid(0, 5), QStringList({ "USER " + server.user(), "PASS <password>", "CWD /", "PWD", "TYPE A" }));
    QVERIFY2(QRegularExpression(QStringLiteral("^PORT 127,0,0,1,\\d+,\\d+$")).match(login[5]).hasMatch(),
             qPrintable(login[5]));
    QCOMPARE(login[6], listingRequest);
}

QTEST_MAIN(RealServerLoginTest)
#include "tst_real_server_login.moc"
