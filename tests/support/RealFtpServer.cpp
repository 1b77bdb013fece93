#include "support/RealFtpServer.h"

#include "support/FileBytes.h"
#include "support/UnpackedFtpServers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr auto kPyftpdlibUser = "tolvane";
constexpr auto kPyftpdlibPassword = "tolvane-secret";

// Real milliseconds: a server that is not up by then will not come up.
constexpr int kStartBoundMs = 10'000;
constexpr int kStopBoundMs = 3'000;
// The port is chosen free and then handed to the server, which another
// process may take in between. vsftpd then exits with code 2 and no word, as
// it does for a bad configuration, so any failed start is tried again on
// another port.
constexpr int kPortAttempts = 3;

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

bool actsAsAccount(RealFtpServer::Kind kind)
{
    return kind != RealFtpServer::Kind::Pyftpdlib;
}

// The C servers act as the account, which must own what they replace or delete.
void giveToAccount(const QByteArray& path)
{
    FtpAccount account;
    QString ignored;
    if (prepareFtpAccount(account, ignored))
        (void)::chown(path.constData(), account.uid, account.gid);
}

}

RealFtpServer::RealFtpServer(Kind kind) : serverKind(kind) {}

RealFtpServer::~RealFtpServer()
{
    stop();
}

QList<RealFtpServer::Kind> RealFtpServer::kindsUnderTest()
{
    const QString chosen = qEnvironmentVariable("TOLVANE_REAL_SERVER");
    QList<Kind> kinds;
    for (const Kind kind : { Kind::Pyftpdlib, Kind::Vsftpd, Kind::Proftpd, Kind::PureFtpd }) {
        if (chosen.isEmpty() || chosen == name(kind))
            kinds << kind;
    }
    return kinds;
}

bool RealFtpServer::mustStart()
{
    return qEnvironmentVariable("CI") == QLatin1String("true");
}

QString RealFtpServer::name(Kind kind)
{
    switch (kind) {
    case Kind::Pyftpdlib:
        return QStringLiteral("pyftpdlib");
    case Kind::Vsftpd:
        return QStringLiteral("vsftpd");
    case Kind::Proftpd:
        return QStringLiteral("proftpd");
    case Kind::PureFtpd:
        return QStringLiteral("pure-ftpd");
    }
    return {};
}

QString RealFtpServer::user() const
{
    return actsAsAccount(serverKind) ? FtpAccount().user : QLatin1String(kPyftpdlibUser);
}

QString RealFtpServer::password() const
{
    return actsAsAccount(serverKind) ? FtpAccount().password : QLatin1String(kPyftpdlibPassword);
}

QString RealFtpServer::rootPath() const
{
    return base.filePath(QStringLiteral("root"));
}

QString RealFtpServer::url(const QString& path) const
{
    return QStringLiteral("ftp://%1:%2@%3:%4%5").arg(user(), password(), host()).arg(listenPort).arg(path);
}

void RealFtpServer::putFile(const QByteArray& name, const QByteArray& bytes, const QDateTime& modified) const
{
    const QByteArray path = QFile::encodeName(rootPath()) + '/' + name;
    const QString folder = QFileInfo(QFile::decodeName(path)).path();
    QDir().mkpath(folder);
    writeFileBytesNamed(rootPath(), name, bytes);
    if (modified.isValid()) {
        const timespec times[2] = { { time_t(modified.toSecsSinceEpoch()), 0 }, { time_t(modified.toSecsSinceEpoch()), 0 } };
        ::utimensat(AT_FDCWD, path.constData(), times, 0);
    }
    if (!actsAsAccount(serverKind))
        return;
    giveToAccount(path);
    for (QString at = folder; at.startsWith(rootPath()) && at != rootPath(); at = QFileInfo(at).path())
        giveToAccount(QFile::encodeName(at));
}

bool RealFtpServer::hasFile(const QByteArray& name) const
{
    return ::access((QFile::encodeName(rootPath()) + '/' + name).constData(), F_OK) == 0;
}

QByteArray RealFtpServer::fileBytes(const QByteArray& name) const
{
    return fileBytesNamed(rootPath(), name);
}

QStringList RealFtpServer::commandsReceived() const
{
    const ServerPlace place { base.path(), rootPath(), {} };
    return actsAsAccount(serverKind) ? unpackedFtpServer(serverKind).commandLog(place) : commandLogLines(place);
}

bool RealFtpServer::start()
{
    if (!base.isValid())
        return fail(QStringLiteral("no temporary folder: ") + base.errorString());
    // The C servers' user must reach the root inside.
    QFile::setPermissions(base.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                           | QFileDevice::ReadGroup | QFileDevice::ExeGroup
                                           | QFileDevice::ReadOther | QFileDevice::ExeOther);
    QDir(base.path()).mkdir(QStringLiteral("root"));
    return actsAsAccount(serverKind) ? startUnpackedServer() : startPyftpdlib();
}

bool RealFtpServer::startPyftpdlib()
{
    const QStringList arguments { QStringLiteral(TOLVANE_PYFTPDLIB_SERVER),
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

bool RealFtpServer::startUnpackedServer()
{
    ServerPlace place { base.path(), rootPath(), {} };
    QString error;
    if (!prepareFtpAccount(place.account, error))
        return fail(error);
    if (::chown(QFile::encodeName(rootPath()).constData(), place.account.uid, place.account.gid) != 0)
        return fail(QStringLiteral("cannot give the root folder to ") + place.account.user);
    const UnpackedFtpServer& server = unpackedFtpServer(serverKind);
    if (error = server.prepare(place); !error.isEmpty())
        return fail(error);
    for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
        listenPort = freeLoopbackPort();
        const ServerCommand command = server.command(place, listenPort);
        process.setProcessEnvironment(command.environment);
        if (!launch(command.program, command.arguments))
            return false;
        if (waitForGreeting())
            return true;
        stop();
    }
    return false;
}

bool RealFtpServer::launch(const QString& program, const QStringList& arguments)
{
    // A group of its own, so stop() reaches the session processes the server
    // forks; and the server dies with the test even when the test crashes.
    process.setProgram(QStringLiteral("bash"));
    process.setArguments(QStringList { QStringLiteral(TOLVANE_TEST_SUPPORT_DIR "/die-with-test.sh"), program }
                         + arguments);
    process.setChildProcessModifier([] { ::setsid(); });
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
