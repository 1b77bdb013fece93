#include "support/UnpackedFtpServers.h"

#include <QDir>
#include <QFile>
#include <QMap>

#include <crypt.h>
#include <memory>
#include <pwd.h>
#include <unistd.h>

namespace {

constexpr auto kHome = "/var/lib/tolvane-test-ftp";
constexpr auto kVsftpdPamService = "tolvane-test-vsftpd";
// Real milliseconds for a helper program to finish.
constexpr int kHelperBoundMs = 10'000;

QString supportFile(const QString& name)
{
    return QStringLiteral(TOLVANE_TEST_SUPPORT_DIR "/") + name;
}

QString unpacked(const QString& path)
{
    return QStringLiteral(TOLVANE_FTP_SERVERS_DIR "/") + path;
}

QString notUnpacked(const QString& program)
{
    return QFile::exists(program) ? QString()
                                  : program + QStringLiteral(" is not there (scripts/install-deps.sh BUILD_DIR "
                                                             "unpacks it)");
}

QString writeFile(const QString& path, const QByteArray& bytes, QFileDevice::Permissions permissions)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()
        || !file.setPermissions(permissions))
        return QStringLiteral("cannot write ") + path;
    return {};
}

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// A configuration template of tests/support with its @NAME@ fields filled in.
QString writeFromTemplate(const QString& templateName, const QMap<QString, QString>& fields, const QString& path)
{
    QFile source(supportFile(templateName));
    if (!source.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read ") + source.fileName();
    QString text = QString::fromUtf8(source.readAll());
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        text.replace(QLatin1Char('@') + it.key() + QLatin1Char('@'), it.value());
    return writeFile(path, text.toUtf8(), kOwnerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

// The reason a helper failed, or empty when it ran to a zero exit.
QString runHelper(const QString& program, const QStringList& arguments)
{
    QProcess helper;
    helper.start(program, arguments);
    if (helper.waitForFinished(kHelperBoundMs) && helper.exitStatus() == QProcess::NormalExit
        && helper.exitCode() == 0)
        return {};
    helper.kill();
    helper.waitForFinished(kHelperBoundMs);
    return program + QStringLiteral(" failed: ") + helper.errorString() + QLatin1Char(' ')
        + QString::fromLocal8Bit(helper.readAllStandardError() + helper.readAllStandardOutput()).trimmed();
}

// The password as a password file of proftpd or pure-ftpd holds it.
QByteArray sha512Crypt(const QString& password)
{
    auto data = std::make_unique<crypt_data>();
    const char* hash = ::crypt_r(password.toUtf8().constData(), "$6$tolvane$", data.get());
    return hash ? QByteArray(hash) : QByteArray();
}

QStringList logLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// vsftpd: a system user checked through a PAM service of our own.

const QString kVsftpd = QStringLiteral("vsftpd/usr/sbin/vsftpd");

QString prepareVsftpd(const ServerPlace& place)
{
    if (QString missing = notUnpacked(unpacked(kVsftpd)); !missing.isEmpty())
        return missing;
    const QDir base(place.base);
    base.mkdir(QStringLiteral("empty"));
    return writeFromTemplate(QStringLiteral("vsftpd.conf.in"),
                             { { QStringLiteral("ROOT"), place.root },
                               { QStringLiteral("EMPTY"), base.filePath(QStringLiteral("empty")) },
                               { QStringLiteral("PAM_SERVICE"), QLatin1String(kVsftpdPamService) },
                               { QStringLiteral("LOG"), base.filePath(QStringLiteral("vsftpd.log")) } },
                             base.filePath(QStringLiteral("vsftpd.conf")));
}

ServerCommand vsftpdCommand(const ServerPlace& place, quint16 port)
{
    return { unpacked(kVsftpd),
             { QDir(place.base).filePath(QStringLiteral("vsftpd.conf")),
               QStringLiteral("-olisten_port=%1").arg(port) } };
}

// ... FTP command: Client "127.0.0.1", "USER tolvaneftp"
QStringList vsftpdCommandLog(const ServerPlace& place)
{
    QStringList commands;
    const QString marker = QStringLiteral("FTP command: Client \"");
    for (const QString& line : logLines(QDir(place.base).filePath(QStringLiteral("vsftpd.log")))) {
        const qsizetype at = line.indexOf(marker);
        const qsizetype open = at < 0 ? -1 : line.indexOf(QStringLiteral("\", \""), at + marker.size());
        if (open >= 0 && line.endsWith(QLatin1Char('"')))
            commands << line.mid(open + 4, line.size() - open - 5);
    }
    return commands;
}

// proftpd: the user of its own password file, whose home is the root.

const QString kProftpd = QStringLiteral("proftpd-core/usr/sbin/proftpd");
const QString kPortVariable = QStringLiteral("TOLVANE_FTP_PORT");

QString prepareProftpd(const ServerPlace& place)
{
    if (QString missing = notUnpacked(unpacked(kProftpd)); !missing.isEmpty())
        return missing;
    const FtpAccount& a = place.account;
    const QDir base(place.base);
    const QByteArray uid = QByteArray::number(a.uid), gid = QByteArray::number(a.gid);
    const QByteArray hash = sha512Crypt(a.password);
    if (hash.isEmpty())
        return QStringLiteral("crypt_r cannot make a SHA-512 hash");
    QString error = writeFile(base.filePath(QStringLiteral("passwd")),
                              a.user.toUtf8() + ':' + hash + ':' + uid + ':' + gid + "::" + place.root.toUtf8()
                                  + ":/bin/false\n",
                              kOwnerOnly);
    if (error.isEmpty())
        error = writeFile(base.filePath(QStringLiteral("group")), a.user.toUtf8() + ":x:" + gid + ":\n", kOwnerOnly);
    if (error.isEmpty())
        error = writeFromTemplate(QStringLiteral("proftpd.conf.in"),
                                  { { QStringLiteral("BASE"), place.base },
                                    { QStringLiteral("USER"), a.user },
                                    { QStringLiteral("PORT_VARIABLE"), kPortVariable } },
                                  base.filePath(QStringLiteral("proftpd.conf")));
    return error;
}

ServerCommand proftpdCommand(const ServerPlace& place, quint16 port)
{
    ServerCommand command { unpacked(kProftpd),
                            { QStringLiteral("-n"), QStringLiteral("-c"),
                              QDir(place.base).filePath(QStringLiteral("proftpd.conf")) } };
    command.environment.insert(kPortVariable, QString::number(port));
    return command;
}

// pure-ftpd: a virtual user of its own password database, chrooted into the
// root ("/./" ends a chrooted home). It logs only through syslog, so it has no
// command log here. The password is hashed with SHA-512 crypt and the
// database made from that line by pure-pw mkdb: pure-pw useradd would store an
// argon2id hash of 1023 passes, which takes pure-ftpd some 4 s of processor
// time to check at every login, and under the tests' time scale that reads as
// minutes, a stalled session.

const QString kPureFtpd = QStringLiteral("pure-ftpd/usr/sbin/pure-ftpd");
const QString kPurePw = QStringLiteral("pure-ftpd/usr/bin/pure-pw");

QString preparePureFtpd(const ServerPlace& place)
{
    for (const QString& program : { kPureFtpd, kPurePw }) {
        if (QString missing = notUnpacked(unpacked(program)); !missing.isEmpty())
            return missing;
    }
    const FtpAccount& a = place.account;
    const QDir base(place.base);
    const QString passwdFile = base.filePath(QStringLiteral("pureftpd.passwd"));
    const QByteArray line = a.user.toUtf8() + ':' + sha512Crypt(a.password) + ':' + QByteArray::number(a.uid) + ':'
        + QByteArray::number(a.gid) + "::" + place.root.toUtf8() + "/./::::::::::::\n";
    if (QString error = writeFile(passwdFile, line, kOwnerOnly); !error.isEmpty())
        return error;
    return runHelper(unpacked(kPurePw), { QStringLiteral("mkdb"), base.filePath(QStringLiteral("pureftpd.pdb")),
                                          QStringLiteral("-f"), passwdFile });
}

// -E: no anonymous login; -A: every user chrooted; -H: no name look-ups;
// -u 1: any user but root may log in.
ServerCommand pureFtpdCommand(const ServerPlace& place, quint16 port)
{
    return { unpacked(kPureFtpd),
             { QStringLiteral("-S"), QStringLiteral("127.0.0.1,%1").arg(port), QStringLiteral("-l"),
               QStringLiteral("puredb:") + QDir(place.base).filePath(QStringLiteral("pureftpd.pdb")),
               QStringLiteral("-E"), QStringLiteral("-A"), QStringLiteral("-H"), QStringLiteral("-u"),
               QStringLiteral("1") } };
}

QStringList noCommandLog(const ServerPlace&)
{
    return {};
}

}

bool prepareFtpAccount(FtpAccount& account, QString& error)
{
    if (::geteuid() != 0) {
        error = QStringLiteral("must run as root, to add its system user");
        return false;
    }
    // The account outlives the process; setting it up once per test process
    // spares the password files a rewrite for every server started.
    static bool ready = false;
    if (!ready) {
        error = runHelper(QStringLiteral("bash"),
                          { supportFile(QStringLiteral("prepare-ftp-account.sh")), account.user, account.password,
                            QLatin1String(kHome), QLatin1String(kVsftpdPamService) });
        ready = error.isEmpty();
    }
    const passwd* entry = ready ? ::getpwnam(account.user.toUtf8().constData()) : nullptr;
    if (!entry) {
        error = QStringLiteral("no user ") + account.user + QStringLiteral(": ") + error;
        return false;
    }
    account.uid = entry->pw_uid;
    account.gid = entry->pw_gid;
    return true;
}

const UnpackedFtpServer& unpackedFtpServer(RealFtpServer::Kind kind)
{
    static const UnpackedFtpServer vsftpd { prepareVsftpd, vsftpdCommand, vsftpdCommandLog };
    static const UnpackedFtpServer proftpd { prepareProftpd, proftpdCommand, commandLogLines };
    static const UnpackedFtpServer pureFtpd { preparePureFtpd, pureFtpdCommand, noCommandLog };
    switch (kind) {
    case RealFtpServer::Kind::Proftpd:
        return proftpd;
    case RealFtpServer::Kind::PureFtpd:
        return pureFtpd;
    default:
        return vsftpd;
    }
}

// proftpd writes PASS as "PASS (hidden)".
QStringList commandLogLines(const ServerPlace& place)
{
    QStringList commands = logLines(QDir(place.base).filePath(QStringLiteral("commands.log")));
    for (QString& command : commands) {
        if (command.startsWith(QLatin1String("PASS ")))
            command = QStringLiteral("PASS <password>");
    }
    return commands;
}
