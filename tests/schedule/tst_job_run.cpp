// The job procedures from one call to their return, against a scripted peer, a
// closed port and a host that does not exist: how each way of ending is shown
// and logged, and that the row is locked only while the job runs.
#include "schedule/ErrorLogs.h"
#include "support/FileBytes.h"
#include "support/JobUnderTest.h"
#include "support/ScriptedFtpPeer.h"

#include <QTcpServer>
#include <QtTest>

namespace {

// Sunday 6 December 2020.
const QDateTime kNow(QDate(2020, 12, 6), QTime(9, 5, 7));
const QByteArray kEarlierLogLine = "Invalid User/Pass 2020/12/05 at 09:00:00 AM\r\n";
const QString kScheduleDisplay = QStringLiteral("9AM Active");

enum class Ending { Finished, PortWithDecimals, LoginRefused, UnknownHost, ClosedPort };

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// A job whose site is on a scripted peer, unless the test points it elsewhere.
struct JobScene : JobUnderTest {
    ScriptedFtpPeer peer;
    SiteLogin login { peer.host(), peer.port(), "alice", "s3cret", "/in", "*.dat" };

    explicit JobScene(bool download) : JobUnderTest(download, kNow) {}

    Winsock& control() const { return download ? p.ftpclient1 : p.ftpclient1a; }
    Winsock& data() const { return download ? p.ftpclient2 : p.ftpclient3; }
    bool running() const { return download ? p.schedule.downloadJobRunning : p.schedule.uploadJobRunning; }

    // Whether the row of the download or the upload job is in use.
    bool enabled(bool downloadRow) const
    {
        return put.view.rowEnabled.value(downloadRow ? JobKind::Download : JobKind::Upload);
    }
};

}

Q_DECLARE_METATYPE(Ending)

class JobRunTest : public QObject {
    Q_OBJECT
private slots:
    void ordinalSuffix();
    void endingShownAndLogged_data();
    void endingShownAndLogged();
    void rowLockedOnlyWhileTheJobRuns_data();
    void rowLockedOnlyWhileTheJobRuns();
};

// The teens take "th" whatever their last digit.
void JobRunTest::ordinalSuffix()
{
    QStringList suffixes;
    for (const char* day : { "1", "2", "3", "4", "11", "12", "13", "21", "22", "23", "31" })
        suffixes << ::ordinalSuffix(QString::fromLatin1(day));
    QCOMPARE(suffixes, QStringList({ "st", "nd", "rd", "th", "th", "th", "th", "st", "nd", "rd", "st" }));
}

void JobRunTest::endingShownAndLogged_data()
{
    QTest::addColumn<bool>("download");
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("logged");
    for (const bool download : { true, false }) {
        const char* job = download ? "download" : "upload";
        auto row = [job](const char* name) -> QTestData& { return QTest::addRow("%s: %s", job, name); };
        row("a finished job leaves the display and the log alone")
            << download << Ending::Finished << kScheduleDisplay << "";
        // The port field takes any number, "21.0" included.
        row("a port written with decimals") << download << Ending::PortWithDecimals << kScheduleDisplay << "";
        row("refused login") << download << Ending::LoginRefused << "9AM Login Failed" << "Invalid User/Pass";
        row("unknown host") << download << Ending::UnknownHost << "9AMTimeout" << "Invalid IP/Host";
        row("closed port") << download << Ending::ClosedPort << "9AMTimeout" << "Timeout Error";
    }
}

void JobRunTest::endingShownAndLogged()
{
    QFETCH(bool, download);
    QFETCH(Ending, ending);
    QFETCH(QString, display);
    QFETCH(QString, logged);
    JobScene scene(download);
    switch (ending) {
    case Ending::Finished:
        break;
    case Ending::LoginRefused:
        scene.peer.replyTo("PASS", "530 Login incorrect.\r\n");
        break;
    case Ending::UnknownHost:
        scene.login.host = QStringLiteral("tolvane-test.invalid");
        break;
    case Ending::ClosedPort:
        scene.login.port = closedPort();
        break;
    }
    scene.pointSite(scene.login);
    if (ending == Ending::PortWithDecimals) {
        const QString port = QString::number(scene.login.port) + QStringLiteral(".0");
        (download ? scene.p.sites.downloadPorts : scene.p.sites.uploadPorts)[1] = port;
        (download ? scene.p.downloadFields : scene.p.uploadFields).port = port;
    }
    scene.peer.putFile("a.dat", "remote bytes");
    QVERIFY(writeFileBytes(scene.put.workFile("b.dat"), "local bytes"));
    QVERIFY(writeFileBytes(scene.errorLog(), kEarlierLogLine));
    scene.showScheduleDisplay(kScheduleDisplay);

    scene.run();

    QCOMPARE(scene.scheduleDisplay(), display);
    // Earlier lines stay as they were; a failed job adds one.
    const QByteArray added = logged.isEmpty() ? QByteArray() : logged.toLatin1() + " 2020/12/06 at 09:05:07 AM\r\n";
    QCOMPARE(fileBytes(scene.errorLog()), kEarlierLogLine + added);
    QCOMPARE(scene.lastRunLine(),
             download ? QStringLiteral("Last Download on Sun 6th Dec") : QStringLiteral("Last Upload on Sun 6th Dec"));
    QCOMPARE(scene.p.caption, QStringLiteral("Tolvane - Idle"));
    QCOMPARE(scene.control().State(), int(Winsock::sckClosed));
    QCOMPARE(scene.data().State(), int(Winsock::sckClosed));
    QVERIFY(!scene.running());
    if (ending == Ending::Finished || ending == Ending::PortWithDecimals) {
        if (download)
            QCOMPARE(fileBytes(scene.put.workFile("a.dat")), QByteArray("remote bytes"));
        else
            QCOMPARE(scene.peer.file("b.dat"), QByteArray("local bytes"));
    }
}

void JobRunTest::rowLockedOnlyWhileTheJobRuns_data()
{
    QTest::addColumn<bool>("download");
    QTest::addColumn<bool>("refused");
    QTest::newRow("download job") << true << false;
    QTest::newRow("download job with a refused login") << true << true;
    QTest::newRow("upload job with a refused login") << false << true;
}

void JobRunTest::rowLockedOnlyWhileTheJobRuns()
{
    QFETCH(bool, download);
    QFETCH(bool, refused);
    JobScene scene(download);
    scene.pointSite(scene.login);
    if (refused)
        scene.peer.replyTo("USER", "530 Not logged in.\r\n");
    bool ownRowDuring = true;
    bool otherRowDuring = false;
    bool runningDuring = false;
    QObject::connect(&scene.peer, &ScriptedFtpPeer::commandReceived, [&](const QString& line) {
        if (!line.startsWith(QLatin1String("USER")))
            return;
        ownRowDuring = scene.enabled(download);
        otherRowDuring = scene.enabled(!download);
        runningDuring = scene.running();
    });

    scene.run();

    QVERIFY(!ownRowDuring);
    QVERIFY(otherRowDuring);
    QVERIFY(runningDuring);
    QVERIFY(scene.enabled(download) && scene.enabled(!download));
}

QTEST_MAIN(JobRunTest)
#include "tst_job_run.moc"
