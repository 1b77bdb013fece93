#pragma once

#include <QHostAddress>
#include <QTcpServer>

// A loopback port on which nothing listens.
inline quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}
