#pragma once

#include "support/RealFtpServer.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// What RealFtpServer needs to know of the three C servers, vsftpd, proftpd
// and pure-ftpd, unpacked from Debian 12's packages into the build folder by
// scripts/install-deps.sh: the account they act as, the files each needs
// beside the root it serves, how it starts on a port, and its command log.

// The system account tolvaneftp, shared by every fixture of these servers:
// tests running side by side all log in as it, each into its own root.
struct FtpAccount {
    QString user = QStringLiteral("tolvaneftp");
    QString password = QStringLiteral("Tolvane-ftp-test-1");
    uint uid = 0;
    uint gid = 0;
};

// Made once per process by prepare-ftp-account.sh (root only), its ids
// filled in. False, with the reason, when it could not be.
bool prepareFtpAccount(FtpAccount& account, QString& error);

// One server's own temporary folder, holding the root it serves.
struct ServerPlace {
    QString base;
    QString root;
    FtpAccount account;
};

// A server in the foreground on a port.
struct ServerCommand {
    QString program;
    QStringList arguments;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

struct UnpackedFtpServer {
    // Writes what the server needs whatever its port: its configuration, its
    // user's password file. The reason when it cannot, else empty.
    QString (*prepare)(const ServerPlace& place);
    ServerCommand (*command)(const ServerPlace& place, quint16 port);
    // The command lines of its log, PASS's argument masked as "<password>".
    QStringList (*commandLog)(const ServerPlace& place);
};

const UnpackedFtpServer& unpackedFtpServer(RealFtpServer::Kind kind);

// The lines of the command log "commands.log" beside the root, as proftpd and
// scripts/pyftpdlib-server.py write it.
QStringList commandLogLines(const ServerPlace& place);
