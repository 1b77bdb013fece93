#include "support/RealFtpServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

#include <csignal>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr auto kPyftpdlibUser = "tolvane";
constexpr auto kPyftpdlibPassword = "tolvane-secret";
// A system account, shared by every vsftpd fixture: tests running side by side
// all log in as it, each chrooted into its own root.
constexpr auto kVsftpdUser = "tolvaneftp";
constexpr auto kVsftpdPassword = "Tolvane-ftp-test-1";
constexpr auto kVsftpdHome = "/var/lib/tolvane-test-ftp";
constexpr auto kVsftpdPamService = "tolvane-test-vsftpd";

// Real milliseconds: a server that is not up by then will not come up.
constexpr int kStartBoundMs = 10'000;
constexpr int kStopBoundMs = 3'000;
// The port is chosen free and then handed to vsftpd, which another process may
// take in between. vsftpd then exits with code 2 and no word, as it does for a
// bad configuration, so any failed start is tried again on another port.
constexpr int kPortAttempts = 3;

QString supportFile(const QString& name)
{
    return QStringLiteral(TOLVANE_TEST_SUPPORT_DIR "/") + name;
}

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Debian's interpreter: its python3-pyftpdlib is not seen by another python3
// that may come first on PATH (pyenv, a virtual environment).
QString debianPython()
{
    const QString debian = QStringLiteral("/usr/bin/python3");
    return QFile::exists(debian) ? debian : QStringLiteral("python3");
}

QString vsftpdProgram()
{
    const QString found = QStandardPaths::findExecutable(QStringLiteral("vsftpd"),
                                                         { QStringLiteral("/usr/sbin"), QStringLiteral("/sbin") });
    return found.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("vsftpd")) : found;
}

QStringList logLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}

RealFtpServer::RealFtpServer(Kind kind) : serverKind(kind) {}

RealFtpServer::~RealFtpServer()
{
    stop();
}

bool RealFtpServer::mustStart()
{
    return qEnvironmentVariable("CI") == QLatin1String("true");
}

QString RealFtpServer::name() const
{
    return serverKind == Kind::Pyftpdlib ? QStringLiteral("pyftpdlib") : QStringLiteral("vsftpd");
}

QString RealFtpServer::user() const
{
    return QString::fromLatin1(serverKind == Kind::Pyftpdlib ? kPyftpdlibUser : kVsftpdUser);
}

QString RealFtpServer::password() const
{
    return QString::fromLatin1(serverKind == Kind::Pyftpdlib ? kPyftpdlibPassword : kVsftpdPassword);
}

QString RealFtpServer::rootPath() const
{
    return base.filePath(QStringLiteral("root"));
}

QString RealFtpServer::url(const QString& path) const
{
    return QStringLiteral("ftp://%1:%2@%3:%4%5").arg(user(), password(), host()).arg(listenPort).arg(path);
}

void RealFtpServer::putFile(const QString& name, const QByteArray& bytes) const
{
    const QString path = QDir(rootPath()).filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    file.close();
    // vsftpd acts as its user: let it replace and delete what the test put there.
    if (serverKind == Kind::Vsftpd) {
        if (const passwd* account = ::getpwnam(kVsftpdUser)) {
            for (QString at = path; at.startsWith(rootPath()) && at != rootPath(); at = QFileInfo(at).path())
                (void)::chown(QFile::encodeName(at).constData(), account->pw_uid, account->pw_gid);
        }
    }
}

bool RealFtpServer::hasFile(const QString& name) const
{
    return QFile::exists(QDir(rootPath()).filePath(name));
}

QByteArray RealFtpServer::fileBytes(const QString& name) const
{
    QFile file(QDir(rootPath()).filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList RealFtpServer::commandsReceived() const
{
    if (serverKind == Kind::Pyftpdlib)
        return logLines(base.filePath(QStringLiteral("commands.log")));
    // vsftpd: ... FTP command: Client "127.0.0.1", "USER tolvaneftp"
    QStringList commands;
    const QString marker = QStringLiteral("FTP command: Client \"");
    for (const QString& line : logLines(base.filePath(QStringLiteral("vsftpd.log")))) {
        const qsizetype at = line.indexOf(marker);
        const qsizetype open = at < 0 ? -1 : line.indexOf(QStringLiteral("\", \""), at + marker.size());
        if (open >= 0 && line.endsWith(QLatin1Char('"')))
            commands << line.mid(open + 4, line.size() - open - 5);
    }
    return commands;
}

bool RealFtpServer::start()
{
    if (!base.isValid())
        return fail(QStringLiteral("no temporary folder: ") + base.errorString());
    QFile::setPermissions(base.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                           | QFileDevice::ReadGroup | QFileDevice::ExeGroup
                                           | QFileDevice::ReadOther | QFileDevice::ExeOther);
    QDir(base.path()).mkdir(QStringLiteral("root"));
    return serverKind == Kind::Pyftpdlib ? startPyftpdlib() : startVsftpd();
}

bool RealFtpServer::startPyftpdlib()
{
    const QStringList arguments { supportFile(QStringLiteral("pyftpdlib_server.py")),
                                  QStringLiteral("--root"), rootPath(),
                                  QStringLiteral("--user"), user(),
                                  QStringLiteral("--password"), password(),
                                  QStringLiteral("--command-log"), base.filePath(QStringLiteral("commands.log")),
                                  QStringLiteral("--send-rate"), QString::number(sendRate) };
    if (!launch(debianPython(), arguments))
        return false;
    // The script writes its port once it listens.
    QDeadlineTimer deadline(kStartBoundMs);
    while (!process.canReadLine()) {
        if (process.state() == QProcess::NotRunning || deadline.hasExpired())
            return fail(QStringLiteral("did not report its port (is python3-pyftpdlib installed?): ")
                        + QString::fromLocal8Bit(process.readAllStandardError()));
        process.waitForReadyRead(int(deadline.remainingTime()));
    }
    listenPort = process.readLine().trimmed().toUShort();
    if (listenPort == 0)
        return fail(QStringLiteral("reported no port"));
    return waitForGreeting();
}

bool RealFtpServer::startVsftpd()
{
    if (::geteuid() != 0)
        return fail(QStringLiteral("must run as root, to add its user and PAM service"));
    const QString program = vsftpdProgram();
    if (program.isEmpty())
        return fail(QStringLiteral("not installed (scripts/install-deps.sh installs it)"));
    if (!prepareVsftpd())
        return false;

    QFile templateFile(supportFile(QStringLiteral("vsftpd.conf.in")));
    if (!templateFile.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("no vsftpd.conf.in in ") + QStringLiteral(TOLVANE_TEST_SUPPORT_DIR));
    const QString configTemplate = QString::fromUtf8(templateFile.readAll());
    const QString configPath = base.filePath(QStringLiteral("vsftpd.conf"));
    for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
        listenPort = freeLoopbackPort();
        QString config = configTemplate;
        config.replace(QLatin1String("@PORT@"), QString::number(listenPort))
            .replace(QLatin1String("@ROOT@"), rootPath())
            .replace(QLatin1String("@EMPTY@"), base.filePath(QStringLiteral("empty")))
            .replace(QLatin1String("@PAM_SERVICE@"), QLatin1String(kVsftpdPamService))
            .replace(QLatin1String("@LOG@"), base.filePath(QStringLiteral("vsftpd.log")));
        QFile configFile(configPath);
        if (!configFile.open(QIODevice::WriteOnly | QIODevice::Truncate) || configFile.write(config.toUtf8()) < 0)
            return fail(QStringLiteral("cannot write ") + configPath);
        configFile.close();
        if (!launch(program, { configPath }))
            return false;
        if (waitForGreeting())
            return true;
        stop();
    }
    return false;
}

// The folders vsftpd needs: the root its user owns, and the empty
// secure_chroot_dir; before them, once, the user and the PAM service.
bool RealFtpServer::prepareVsftpd()
{
    // The account outlives the process; setting it up once per test process
    // spares the password files a rewrite for every server started.
    static bool accountReady = false;
    if (!accountReady && !runPrepareScript())
        return false;
    accountReady = true;
    QDir(base.path()).mkdir(QStringLiteral("empty"));
    const passwd* account = ::getpwnam(kVsftpdUser);
    if (!account || ::chown(QFile::encodeName(rootPath()).constData(), account->pw_uid, account->pw_gid) != 0)
        return fail(QStringLiteral("cannot give the root folder to ") + QLatin1String(kVsftpdUser));
    return true;
}

bool RealFtpServer::runPrepareScript()
{
    QProcess prepare;
    prepare.start(QStringLiteral("bash"), { supportFile(QStringLiteral("prepare-vsftpd.sh")),
                                            QLatin1String(kVsftpdUser), QLatin1String(kVsftpdPassword),
                                            QLatin1String(kVsftpdHome), QLatin1String(kVsftpdPamService) });
    if (!prepare.waitForFinished(kStartBoundMs) || prepare.exitStatus() != QProcess::NormalExit
        || prepare.exitCode() != 0) {
        prepare.kill();
        return fail(QStringLiteral("prepare-vsftpd.sh failed: ") + prepare.errorString() + QLatin1Char(' ')
                    + QString::fromLocal8Bit(prepare.readAllStandardError()));
    }
    return true;
}

bool RealFtpServer::launch(const QString& program, const QStringList& arguments)
{
    process.setProgram(program);
    process.setArguments(arguments);
    // A group of its own, so stop() reaches the session processes vsftpd forks;
    // and the server dies with the test even when the test crashes.
    process.setChildProcessModifier([] {
        ::setsid();
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    process.start();
    if (!process.waitForStarted(kStartBoundMs))
        return fail(program + QStringLiteral(" did not start: ") + process.errorString());
    return true;
}

bool RealFtpServer::waitForGreeting()
{
    QDeadlineTimer deadline(kStartBoundMs);
    while (!deadline.hasExpired()) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, listenPort);
        if (probe.waitForConnected(500)) {
            QByteArray greeting;
            while (!greeting.contains('\n') && probe.waitForReadyRead(1000))
                greeting += probe.readAll();
            if (greeting.startsWith("220"))
                return true;
        }
        // Also how QProcess learns that the server has exited (vsftpd does so
        // on a bad configuration, silently, with code 2).
        if (process.state() == QProcess::NotRunning || process.waitForFinished(50)) {
            const QString output = QString::fromLocal8Bit(process.readAllStandardOutput()
                                                          + process.readAllStandardError()).trimmed();
            return fail(QStringLiteral("exited with code %1").arg(process.exitCode())
                        + (output.isEmpty() ? QString() : QStringLiteral(": ") + output));
        }
    }
    return fail(QStringLiteral("did not greet on port %1 within %2 ms").arg(listenPort).arg(kStartBoundMs));
}

bool RealFtpServer::fail(const QString& why)
{
    reason = why.trimmed();
    return false;
}

void RealFtpServer::kill()
{
    if (process.state() == QProcess::NotRunning)
        return;
    ::kill(-pid_t(process.processId()), SIGKILL);
    process.waitForFinished(kStopBoundMs);
}

void RealFtpServer::stop()
{
    if (process.state() == QProcess::NotRunning)
        return;
    const pid_t group = pid_t(process.processId());
    ::kill(-group, SIGTERM);
    if (!process.waitForFinished(kStopBoundMs)) {
        ::kill(-group, SIGKILL);
        process.waitForFinished(kStopBoundMs);
    }
}
