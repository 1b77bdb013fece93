#include "support/RealFtpServer.h"

#include "support/FileBytes.h"
#include "support/LoopbackPort.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QRegularExpression>

#include <csignal>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Real milliseconds: a server that is not up by then will not come up.
constexpr int kStartBoundMs = 10'000;
constexpr int kStopBoundMs = 3'000;
// The port is chosen free and then handed to the server, which another
// process may take in between. vsftpd then exits with code 2 and no word, as
// it does for a bad configuration, so any failed start is tried again on
// another port.
constexpr int kPortAttempts = 3;

}

RealFtpServer::RealFtpServer(Kind kind) : serverKind(kind)
{
    QDir(base.path()).mkdir(QStringLiteral("root"));
}

QList<RealFtpServer::Kind> RealFtpServer::kindsUnderTest()
{
    const QString chosen = qEnvironmentVariable("TOLVANE_REAL_SERVER");
    QList<Kind> kinds { Kind::Pyftpdlib, Kind::Vsftpd, Kind::Proftpd, Kind::PureFtpd };
    kinds.removeIf([&chosen](Kind kind) { return !chosen.isEmpty() && chosen != name(kind); });
    return kinds;
}

QString RealFtpServer::name(Kind kind)
{
    static const char* const names[] = { "pyftpdlib", "vsftpd", "proftpd", "pure-ftpd" };
    return QLatin1String(names[int(kind)]);
}

QString RealFtpServer::url(const QString& path) const
{
    return QStringLiteral("ftp://%1:%2@%3:%4%5").arg(user(), password(), host()).arg(listenPort).arg(path);
}

void RealFtpServer::putFile(const QByteArray& name, const QByteArray& bytes, const QDateTime& modified) const
{
    writeFileBytesNamed(rootPath(), name, bytes);
    const QByteArray path = QFile::encodeName(rootPath()) + '/' + name;
    if (modified.isValid()) {
        const timespec time { time_t(modified.toSecsSinceEpoch()), 0 };
        const timespec times[2] = { time, time };
        ::utimensat(AT_FDCWD, path.constData(), times, 0);
    }
    // The C servers act as their user, which must own what they replace or delete.
    if (const passwd* account = serverKind == Kind::Pyftpdlib ? nullptr : ::getpwnam("tolvaneftp"))
        (void)::chown(path.constData(), account->pw_uid, account->pw_gid);
}

QStringList RealFtpServer::commandsReceived() const
{
    // vsftpd logs its replies too, and a command as
    // ... FTP command: Client "127.0.0.1", "USER tolvaneftp"
    static const QRegularExpression vsftpdCommand(QStringLiteral(R"re(FTP command: Client "[^"]*", "(.*)"$)re"));
    QFile log(base.filePath(QStringLiteral("commands.log")));
    QStringList commands;
    for (QString line : log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()).split(QLatin1Char('\n')) : QStringList()) {
        if (serverKind == Kind::Vsftpd)
            line = vsftpdCommand.match(line).captured(1);
        // proftpd writes "PASS (hidden)".
        if (!line.isEmpty())
            commands << (line.startsWith(QLatin1String("PASS ")) ? QStringLiteral("PASS <password>") : line);
    }
    return commands;
}

bool RealFtpServer::start()
{
    for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
        process.setProgram(QStringLiteral("bash"));
        process.setArguments({ QStringLiteral(TOLVANE_TEST_SUPPORT_DIR "/ftp-server.sh"), name(), base.path(),
                               QString::number(closedPort()), user(), password(), QString::number(sendRate),
                               QStringLiteral(TOLVANE_FTP_SERVERS_DIR), QStringLiteral(TOLVANE_PYFTPDLIB_SERVER) });
        // A group of its own, so that stop() reaches the session processes
        // the server forks.
        process.setChildProcessModifier([] { ::setsid(); });
        process.start();
        // The script prints the port once the server greets there.
        QDeadlineTimer deadline(kStartBoundMs);
        while (!process.canReadLine() && process.state() != QProcess::NotRunning && !deadline.hasExpired())
            process.waitForReadyRead(int(deadline.remainingTime()));
        if ((listenPort = process.readLine().trimmed().toUShort()) != 0)
            return true;
        stop();
        reason = QStringLiteral("did not greet within %1 ms (exit code %2): ").arg(kStartBoundMs).arg(process.exitCode())
            + QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    }
    return false;
}

void RealFtpServer::kill()
{
    if (process.state() != QProcess::NotRunning && ::kill(-pid_t(process.processId()), SIGKILL) == 0)
        process.waitForFinished(kStopBoundMs);
}

void RealFtpServer::stop()
{
    if (process.state() != QProcess::NotRunning && ::kill(-pid_t(process.processId()), SIGTERM) == 0
        && !process.waitForFinished(kStopBoundMs))
        kill();
}
