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
#include "support/FileBytes.h"
#include "support/RealFtpServer.h"

#include <QProcess>
#include <QScopeGuard>
#include <QtTest>

#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Real milliseconds, far beyond what start-up or a job takes at the test speed.
constexpr int kProcessBoundMs = 60'000;
const QStringList kDownloadService { QStringLiteral("--headless"), QStringLiteral("--download") };

// A first download site due in the current hour, active, its names recorded.
SiteRecord siteDueNow(const QString& port, const QString& user, const QString& password)
{
    const QString now = timeDigitsAmPm(QTime::currentTime());  // "093005 AM"
    return { QStringLiteral("127.0.0.1"), user, password, QStringLiteral("/"), port, QStringLiteral("*.dat"),
             QStringLiteral("1"), QStringLiteral("1"), QString::number(now.left(2).toInt()), now.right(2) };
}

// The site is due in the hour it was written for: a test that might reach
// the schedule's first tick only after the hour has turned waits for the next.
void keepClearOfTheHoursEnd()
{
    const QTime now = QTime::currentTime();
    if (now.minute() == 59 && now.second() >= 30)
        QTest::qWait((61 - now.second()) * 1000);
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
        const uid_t uid = nobody->pw_uid;
        const gid_t gid = nobody->pw_gid;
        process.setChildProcessModifier([uid, gid] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(127);
        });
    }
    process.start(program, arguments);
    QVERIFY2(process.waitForStarted(kProcessBoundMs), qPrintable(process.errorString()));
}

// Standard output up to and with the first line that begins so; empty when
// none came within the bound.
QByteArrayList linesUntil(QProcess& process, const QByteArray& begin)
{
    QByteArrayList lines;
    QDeadlineTimer deadline(kProcessBoundMs);
    while (!deadline.hasExpired()) {
        while (process.canReadLine()) {
            lines << process.readLine().chopped(1);
            if (lines.last().startsWith(begin))
                return lines;
        }
        if (!process.waitForReadyRead(int(deadline.remainingTime())))
            break;
    }
    qWarning("no line \"%s\" in:\n%s\n%s", begin.constData(), lines.join('\n').constData(),
             process.readAllStandardError().constData());
    return {};
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
        if (whileJobWaits)
            server.setSendRate(100);
        START_REAL_FTP_SERVER(server);
        const QByteArray served = faultBytes("a.dat", 3000);
        server.putFile("a.dat", served);
        QTemporaryDir folder;
        QVERIFY(::chmod(QFile::encodeName(folder.path()).constData(), 0777) == 0);
        keepClearOfTheHoursEnd();
        const SiteRecord site = siteDueNow(QString::number(server.port()), server.user(), server.password());
        // Line ends as another editor might leave them: closing writes CR LF.
        const QString siteFile = folder.filePath(kDownloadSiteFile);
        QVERIFY(writeFileBytes(siteFile, siteLine(site, true) + "\n"));
        QVERIFY(::chmod(QFile::encodeName(siteFile).constData(), 0666) == 0);

        QProcess service;
        start(service, QStringLiteral(TOLVANE_HEADLESS_AT_TEST_SPEED), kDownloadService, folder.path());
        const QByteArrayList lines = linesUntil(service, whileJobWaits ? "download started: " : "download ended: ");
        QVERIFY(!lines.isEmpty());
        if (!whileJobWaits) {
            QCOMPARE(fileBytes(folder.filePath("a.dat")), served);
            const QByteArray logged = fileBytes(folder.filePath("dl_file_size.log"));
            QVERIFY2(logged.endsWith(" a.dat 3000 pass\r\n"), logged.constData());
            QCOMPARE(lines, QByteArrayList({ "download started: 127.0.0.1", "download file: " + logged.chopped(2),
                                             "download ended: done" }));
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
        QCOMPARE(fileBytes(siteFile), siteLine(site, true) + "\r\n");
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
        const QString service(TOLVANE_HEADLESS_AT_TEST_SPEED);
        QTest::newRow("--help") << TOLVANE_PROGRAM << QStringList { "--help" } << 0700 << -1 << "--headless" << 0;
        QTest::newRow("--version") << TOLVANE_PROGRAM << QStringList { "--version" } << 0700 << -1 << "Tolvane " << 0;
        QTest::newRow("a settings folder it cannot read")
            << service << kDownloadService << 0333 << -1 << "cannot read the settings folder" << 1;
        QTest::newRow("a settings folder it cannot write")
            << service << kDownloadService << 0555 << -1 << "cannot write into the settings folder" << 1;
        QTest::newRow("a site file it cannot read") << service << kDownloadService << 0777 << 0 << "cannot read the settings file" << 1;
        QTest::newRow("a site file it cannot write")
            << service << kDownloadService << 0777 << 0444 << "cannot write the settings file" << 1;
        QTest::newRow("a port that is no number") << service << kDownloadService << 0777 << 0666 << "Port must be Numeric" << 1;
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
        const QByteArray path = QFile::encodeName(folder.path());
        const auto restore = qScopeGuard([&path] { ::chmod(path.constData(), 0700); });
        const QString siteFile = folder.filePath(kDownloadSiteFile);
        if (siteFileMode >= 0) {
            QVERIFY(writeFileBytes(siteFile, siteLine(siteDueNow("21x", "bob", "abc"), true) + "\r\n"));
            QVERIFY(::chmod(QFile::encodeName(siteFile).constData(), mode_t(siteFileMode)) == 0);
        }
        QVERIFY(::chmod(path.constData(), mode_t(folderMode)) == 0);

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
