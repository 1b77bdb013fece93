// The program as a service runs it, started as a process of its own in a
// settings folder and with no display: against a real server a due file
// arrives byte for byte, standard output and the outcome log say so, and
// SIGTERM closes it as "eXit Now!" does, the settings saved; a
// settings folder it cannot use, or a switch that refuses, ends it at once
// with why.
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

// The program started in a settings folder holding that download site file
// (none for a mode of -1), the folder and file with the modes given, and no
// display to open a window on. Root may read and write any folder, so there
// it runs as nobody, whom the modes bind. The folder gets its own mode back
// at the end of the test.
auto start(QProcess& process, const QTemporaryDir& folder, int folderMode, const QByteArray& siteFile, int siteFileMode = 0666)
{
    const QByteArray path = QFile::encodeName(folder.path());
    if (siteFileMode >= 0 && writeFileBytes(folder.filePath(kDownloadSiteFile), siteFile))
        ::chmod(QFile::encodeName(folder.filePath(kDownloadSiteFile)).constData(), mode_t(siteFileMode));
    ::chmod(path.constData(), mode_t(folderMode));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(name);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder.path());
    if (const passwd* nobody = ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr) {
        process.setChildProcessModifier([uid = nobody->pw_uid, gid = nobody->pw_gid] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(127);
        });
    }
    process.start(kService, kDownloads);
    process.waitForStarted(kProcessBoundMs);
    return qScopeGuard([path] { ::chmod(path.constData(), 0700); });
}

}

class HeadlessTest : public QObject {
    Q_OBJECT

private slots:
    void fetchesThenClosesOnSigterm()
    {
        RealFtpServer server(RealFtpServer::Kind::Pyftpdlib);
        START_REAL_FTP_SERVER(server);
        server.putFile("a.dat", faultBytes("a.dat", 3000));
        // The site is due in the hour it was written for: a test that might
        // reach the schedule's first tick only after the hour has turned
        // waits for the next.
        if (const QTime now = QTime::currentTime(); now.minute() == 59 && now.second() >= 30)
            QTest::qWait((61 - now.second()) * 1000);
        const QByteArray site = siteDueNow(QString::number(server.port()), server.user(), server.password());
        QTemporaryDir folder;
        QProcess service;
        // Line ends as another editor might leave them: closing writes CR LF.
        const auto modes = start(service, folder, 0777, site + "\n");
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += service.readAllStandardOutput()).contains("download ended: ")
                                     || service.state() != QProcess::Running, kProcessBoundMs);
        QVERIFY2(said.contains("download ended: "), (said + service.readAllStandardError()).constData());
        QCOMPARE(fileBytes(folder.filePath("a.dat")), faultBytes("a.dat", 3000));
        const QByteArray logged = fileBytes(folder.filePath("dl_file_size.log"));
        QVERIFY2(logged.endsWith(" a.dat 3000 pass\r\n"), logged.constData());
        QCOMPARE(said, "download started: 127.0.0.1\ndownload file: " + logged.chopped(2) + "\ndownload ended: done\n");

        QVERIFY(::kill(pid_t(service.processId()), SIGTERM) == 0);
        // The closing bound in real milliseconds: at the test speed the
        // program's own is fifty times shorter.
        QVERIFY(service.waitForFinished(kClosingSocketsWaitMs));
        QVERIFY(service.exitStatus() == QProcess::NormalExit && service.exitCode() == 0);
        QCOMPARE(fileBytes(folder.filePath(kDownloadSiteFile)), site + "\r\n");
        QVERIFY(QFile::exists(folder.filePath("pather.log")));
    }

    // Ended at once, saying why: a settings folder or file the service cannot
    // use, or a switch that refuses.
    void endsAtOnce_data()
    {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("siteFileMode");  // -1: no site file
        QTest::addColumn<QString>("said");
        QTest::newRow("a settings folder it cannot read") << 0333 << -1 << "cannot read the settings folder";
        QTest::newRow("a settings folder it cannot write") << 0555 << -1 << "cannot write into the settings folder";
        QTest::newRow("a site file it cannot read") << 0777 << 0 << "cannot read the settings file";
        QTest::newRow("a site file it cannot write") << 0777 << 0444 << "cannot write the settings file";
        QTest::newRow("a port that is no number") << 0777 << 0666 << "Port must be Numeric";
    }

    void endsAtOnce()
    {
        QFETCH(int, folderMode);
        QFETCH(int, siteFileMode);
        QFETCH(QString, said);
        QTemporaryDir folder;
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        const auto modes = start(process, folder, folderMode, siteDueNow("21x", "bob", "abc") + "\r\n", siteFileMode);
        QVERIFY(process.waitForFinished(kProcessBoundMs));
        const QString output = QString::fromLocal8Bit(process.readAll());
        QVERIFY2(output.contains(said), qPrintable(output));
        QVERIFY(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 1);
        // Only a switch that refuses comes after start-up.
        QCOMPARE(QFile::exists(folder.filePath("pather.log")), said.startsWith("Port"));
    }
};

QTEST_MAIN(HeadlessTest)
#include "tst_headless.moc"
