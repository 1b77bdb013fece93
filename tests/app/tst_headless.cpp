// The program as a service runs it, started as a process of its own in a
// settings folder and with no display: against a real server a due file
// arrives byte for byte, standard output and the outcome log say so, and
// SIGTERM or SIGINT closes it as "eXit Now!" does, the settings saved; a
// settings folder it cannot use, or a switch that refuses, ends it at once
// with why; --help and --version answer.
#include "config/SettingsFiles.h"
#include "platform/ClockTexts.h"
#include "schedule/StartUpShutdown.h"
#include "support/FaultChecks.h"
#include "support/RealFtpServer.h"

#include <QScopeGuard>

#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

namespace {

// Real milliseconds, far beyond what start-up or a job takes at the test speed.
constexpr int kProcessBoundMs = 60'000;
const QString kService = QStringLiteral(TOLVANE_HEADLESS_AT_TEST_SPEED);
const QStringList kDownloads { "--headless", "--download" };

// A first download site due in the current hour, active.
QByteArray siteDueNow(const QString& port, const QString& user, const QString& password)
{
    const QString now = timeDigitsAmPm(QTime::currentTime());  // "093005 AM"
    return siteLine({ "127.0.0.1", user, password, "/", port, "*.dat", "1", "1", QString::number(now.left(2).toInt()), now.right(2) }, true);
}

// The settings folder and its download site file (none for -1) with the modes
// given; the folder gets its own mode back at the end of the test.
auto settingsIn(const QTemporaryDir& folder, int folderMode, const QByteArray& siteFile, int siteFileMode)
{
    const QByteArray path = QFile::encodeName(folder.path());
    if (siteFileMode >= 0 && writeFileBytes(folder.filePath(kDownloadSiteFile), siteFile))
        ::chmod(QFile::encodeName(folder.filePath(kDownloadSiteFile)).constData(), mode_t(siteFileMode));
    ::chmod(path.constData(), mode_t(folderMode));
    return qScopeGuard([path] { ::chmod(path.constData(), 0700); });
}

// Started in the folder with no display to open a window on. Root may read
// and write any folder, so there it runs as nobody, whom the folder's modes
// bind.
void start(QProcess& process, const QString& program, const QStringList& arguments, const QString& folder)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(name);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    if (const passwd* nobody = ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr) {
        process.setChildProcessModifier([uid = nobody->pw_uid, gid = nobody->pw_gid] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(127);
        });
    }
    process.start(program, arguments);
    QVERIFY2(process.waitForStarted(kProcessBoundMs), qPrintable(process.errorString()));
}

}

class HeadlessTest : public QObject {
    Q_OBJECT

private slots:
    void fetchesAndCloses_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("whileJobWaits");
        QTest::newRow("SIGTERM once the job has ended") << SIGTERM << false;
        QTest::newRow("SIGINT while the job runs") << SIGINT << true;
    }

    void fetchesAndCloses()
    {
        QFETCH(int, signal);
        QFETCH(bool, whileJobWaits);
        RealFtpServer server(RealFtpServer::Kind::Pyftpdlib);
        // Slow enough that the job is surely still under way at the signal.
        server.setSendRate(whileJobWaits ? 100 : 0);
        START_REAL_FTP_SERVER(server);
        server.putFile("a.dat", faultBytes("a.dat", 3000));
        // The site is due in the hour it was written for: a test that might
        // reach the schedule's first tick only after the hour has turned
        // waits for the next.
        if (const QTime now = QTime::currentTime(); now.minute() == 59 && now.second() >= 30)
            QTest::qWait((61 - now.second()) * 1000);
        const QByteArray site = siteDueNow(QString::number(server.port()), server.user(), server.password());
        QTemporaryDir folder;
        // Line ends as another editor might leave them: closing writes CR LF.
        const auto settings = settingsIn(folder, 0777, site + "\n", 0666);

        QProcess service;
        start(service, kService, kDownloads, folder.path());
        QByteArray said;
        const QByteArray awaited = whileJobWaits ? "download started: " : "download ended: ";
        QTRY_VERIFY_WITH_TIMEOUT((said += service.readAllStandardOutput()).contains(awaited) || service.state() != QProcess::Running,
                                 kProcessBoundMs);
        QVERIFY2(said.contains(awaited), (said + service.readAllStandardError()).constData());
        if (!whileJobWaits) {
            QCOMPARE(fileBytes(folder.filePath("a.dat")), faultBytes("a.dat", 3000));
            const QByteArray logged = fileBytes(folder.filePath("dl_file_size.log"));
            QVERIFY2(logged.endsWith(" a.dat 3000 pass\r\n"), logged.constData());
            QCOMPARE(said, "download started: 127.0.0.1\ndownload file: " + logged.chopped(2) + "\ndownload ended: done\n");
        }

        QVERIFY(::kill(pid_t(service.processId()), signal) == 0);
        // The closing bound in real milliseconds: at the test speed the
        // program's own is fifty times shorter.
        QVERIFY(service.waitForFinished(kClosingSocketsWaitMs));
        QCOMPARE(service.exitStatus(), QProcess::NormalExit);
        QCOMPARE(service.exitCode(), 0);
        // Nothing went on once the settings were saved: the job was not left
        // to wind down.
        QCOMPARE(service.readAllStandardOutput(), QByteArray());
        QCOMPARE(fileBytes(folder.filePath(kDownloadSiteFile)), site + "\r\n");
        QVERIFY(QFile::exists(folder.filePath("pather.log")));
    }

    // Ended at once, saying why: --help and --version by the program itself,
    // which would open a window without them; a settings folder or file the
    // service cannot use, or a switch that refuses, by the service.
    void endsAtOnce_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("siteFileMode");  // -1: no site file
        QTest::addColumn<QString>("said");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("--help") << TOLVANE_PROGRAM << QStringList { "--help" } << 0700 << -1 << "--headless" << 0;
        QTest::newRow("--version") << TOLVANE_PROGRAM << QStringList { "--version" } << 0700 << -1 << "Tolvane " << 0;
        QTest::newRow("a settings folder it cannot read") << kService << kDownloads << 0333 << -1 << "cannot read the settings folder" << 1;
        QTest::newRow("a settings folder it cannot write")
            << kService << kDownloads << 0555 << -1 << "cannot write into the settings folder" << 1;
        QTest::newRow("a site file it cannot read") << kService << kDownloads << 0777 << 0 << "cannot read the settings file" << 1;
        QTest::newRow("a site file it cannot write") << kService << kDownloads << 0777 << 0444 << "cannot write the settings file" << 1;
        QTest::newRow("a port that is no number") << kService << kDownloads << 0777 << 0666 << "Port must be Numeric" << 1;
    }

    void endsAtOnce()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, folderMode);
        QFETCH(int, siteFileMode);
        QFETCH(QString, said);
        QFETCH(int, exitCode);
        QTemporaryDir folder;
        const auto settings = settingsIn(folder, folderMode, siteDueNow("21x", "bob", "abc") + "\r\n", siteFileMode);

        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        start(process, program, arguments, folder.path());
        if (!process.waitForFinished(kProcessBoundMs))
            process.kill();
        const QString output = QString::fromLocal8Bit(process.readAll());
        QVERIFY2(output.contains(said), qPrintable(output));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        // Only a switch that refuses comes after start-up.
        QCOMPARE(QFile::exists(folder.filePath("pather.log")), said.startsWith("Port"));
    }
};

QTEST_MAIN(HeadlessTest)
#include "tst_headless.moc"
