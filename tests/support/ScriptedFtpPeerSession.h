#pragma once

#include "support/ScriptedFtpPeer.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>

// One control connection of the peer: its data connection, the command line
// being read and the work waiting to be done, one piece at a time.
struct ScriptedFtpPeer::Session {
    QTcpSocket* control = nullptr;
    QPointer<QTcpSocket> data;
    QByteArray unfinishedLine;
    std::deque<std::function<Steps()>> work;
    bool busy = false;
    bool silent = false;
    bool closed = false;
    QHostAddress dataHost;
    quint16 dataPort = 0;
    QByteArray cwd = "/";
};
