// The data transfers of the scripted peer and the steps every answer is made
// of: replies, pauses, the data connection's connect, send, close and reset.
#include "support/ScriptedFtpPeer.h"
#include "support/ScriptedFtpPeerSession.h"

#include <QTimer>

#include <sys/socket.h>

namespace {

// The signal connections of one wait on a socket. They are all cut when the
// wait ends, so the next step's wait on the same socket starts clean.
struct Wait {
    QList<QMetaObject::Connection> links;
    bool ended = false;

    bool end()
    {
        if (ended)
            return false;
        ended = true;
        for (const QMetaObject::Connection& link : std::as_const(links))
            QObject::disconnect(link);
        return true;
    }
};

void writeNow(QTcpSocket* socket, const QByteArray& bytes)
{
    if (socket->state() != QAbstractSocket::ConnectedState)
        return;
    socket->write(bytes);
    socket->flush();
}

// Calls done once everything written to the socket has gone to the kernel, or
// once the socket can take no more.
void whenWritten(QTcpSocket* socket, const std::function<void()>& done)
{
    if (socket->bytesToWrite() == 0) {
        done();
        return;
    }
    auto wait = std::make_shared<Wait>();
    wait->links << QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [socket, wait, done] {
        if (socket->bytesToWrite() == 0 && wait->end())
            done();
    });
    wait->links << QObject::connect(socket, &QTcpSocket::disconnected, socket, [wait, done] {
        if (wait->end())
            done();
    });
    wait->links << QObject::connect(socket, &QTcpSocket::errorOccurred, socket, [wait, done] {
        if (wait->end())
            done();
    });
}

}

// NLST, LIST and RETR: the peer sends. Every field of the plan is set.
ScriptedFtpPeer::Steps ScriptedFtpPeer::sendingTransfer(Session& s, const Transfer& plan)
{
    const QByteArray& content = *plan.content;
    const Step preliminary = replyStep(s, { *plan.preliminary });
    const Step final = replyStep(s, { *plan.final });
    switch (plan.fault) {
    case DataFault::NeverConnect:
        return { preliminary };
    case DataFault::ResetHalfway:
        return { preliminary, connectStep(s), sendStep(s, content.left(content.size() / 2)), resetDataStep(s), final };
    case DataFault::FinalThenReset:
        return { preliminary, connectStep(s), sendStep(s, content.left(content.size() / 2)), final, resetDataStep(s) };
    case DataFault::CloseControlHalfway:
        return { preliminary, connectStep(s), sendStep(s, content.left(content.size() / 2)), closeControlStep(s) };
    case DataFault::None:
        break;
    }
    switch (dataOrder) {
    case DataOrder::PreliminaryFirst:
        break;
    case DataOrder::LateConnect:
        return { preliminary, pauseStep(s, kLateConnectMs), connectStep(s), sendStep(s, content), closeDataStep(s),
                 final };
    case DataOrder::ConnectFirst:
        return { connectStep(s), preliminary, sendStep(s, content), closeDataStep(s), final };
    case DataOrder::PreliminaryWithFinal:
        return { connectStep(s), sendStep(s, content), closeDataStep(s),
                 replyStep(s, { *plan.preliminary + *plan.final }) };
    case DataOrder::FinalBeforeLastBytes: {
        const qsizetype held = std::min<qsizetype>(kHeldBackBytes, content.size());
        return { preliminary, connectStep(s), sendStep(s, content.left(content.size() - held)), final,
                 pauseStep(s, kHeldBackPauseMs), sendStep(s, content.right(held)), closeDataStep(s) };
    }
    case DataOrder::FinalAfterClientCloses:
        return { preliminary, connectStep(s), sendStep(s, content), waitForClientCloseStep(s, nullptr), final };
    }
    return { preliminary, connectStep(s), sendStep(s, content), closeDataStep(s), final };
}

// STOR: the peer receives until the client closes. A client sends the file only
// after the preliminary reply, so only ConnectFirst changes the order here.
ScriptedFtpPeer::Steps ScriptedFtpPeer::receivingTransfer(Session& s, const QByteArray& name, const Transfer& plan)
{
    auto received = std::make_shared<QByteArray>();
    const Step store = [this, name, received](const Next& next) {
        files.insert(name, *received);
        next(true);
    };
    const Step preliminary = replyStep(s, { *plan.preliminary });
    const Step final = replyStep(s, { *plan.final });
    switch (plan.fault) {
    case DataFault::NeverConnect:
        return { preliminary };
    case DataFault::ResetHalfway:
        return { preliminary, connectStep(s), firstBytesStep(s, received), resetDataStep(s), store, final };
    case DataFault::FinalThenReset:
        return { preliminary, connectStep(s), firstBytesStep(s, received), store, final, resetDataStep(s) };
    case DataFault::CloseControlHalfway:
        return { preliminary, connectStep(s), firstBytesStep(s, received), closeControlStep(s) };
    case DataFault::None:
        break;
    }
    if (dataOrder == DataOrder::ConnectFirst)
        return { connectStep(s), preliminary, waitForClientCloseStep(s, received), store, final };
    return { preliminary, connectStep(s), waitForClientCloseStep(s, received), store, final };
}

// --- Steps --------------------------------------------------------------------

ScriptedFtpPeer::Steps ScriptedFtpPeer::replySteps(Session& s, const Chunks& chunks)
{
    Steps steps;
    for (const Chunk& chunk : chunks)
        steps.push_back(replyStep(s, chunk));
    return steps;
}

ScriptedFtpPeer::Step ScriptedFtpPeer::replyStep(Session& s, const Chunk& chunk)
{
    return [&s, chunk](const Next& next) {
        if (chunk.pauseMs <= 0) {
            writeNow(s.control, chunk.bytes);
            next(true);
            return;
        }
        QTimer::singleShot(chunk.pauseMs, s.control, [&s, chunk, next] {
            writeNow(s.control, chunk.bytes);
            next(true);
        });
    };
}

ScriptedFtpPeer::Step ScriptedFtpPeer::pauseStep(Session& s, int ms)
{
    return [&s, ms](const Next& next) { QTimer::singleShot(ms, s.control, [next] { next(true); }); };
}

// Connects to the address of the last PORT; a client that is not listening
// there gets "425" and the transfer ends.
ScriptedFtpPeer::Step ScriptedFtpPeer::connectStep(Session& s)
{
    return [this, &s](const Next& next) {
        if (s.dataPort == 0) {
            writeNow(s.control, "425 Use PORT first.\r\n");
            next(false);
            return;
        }
        if (s.data)
            s.data->deleteLater();
        auto* data = new QTcpSocket(this);
        s.data = data;
        auto wait = std::make_shared<Wait>();
        wait->links << connect(data, &QTcpSocket::connected, data, [wait, next] {
            if (wait->end())
                next(true);
        });
        wait->links << connect(data, &QTcpSocket::errorOccurred, data, [&s, wait, next] {
            if (!wait->end())
                return;
            writeNow(s.control, "425 Failed to establish connection.\r\n");
            next(false);
        });
        data->connectToHost(s.dataHost, s.dataPort);
    };
}

ScriptedFtpPeer::Step ScriptedFtpPeer::sendStep(Session& s, const QByteArray& bytes)
{
    return [&s, bytes](const Next& next) {
        QTcpSocket* data = s.data;
        if (!data || data->state() != QAbstractSocket::ConnectedState || bytes.isEmpty()) {
            next(true);
            return;
        }
        data->write(bytes);
        whenWritten(data, [next] { next(true); });
    };
}

ScriptedFtpPeer::Step ScriptedFtpPeer::closeDataStep(Session& s)
{
    return [&s](const Next& next) {
        QTcpSocket* data = s.data;
        if (!data || data->state() == QAbstractSocket::UnconnectedState) {
            next(true);
            return;
        }
        auto wait = std::make_shared<Wait>();
        wait->links << connect(data, &QTcpSocket::disconnected, data, [wait, next] {
            if (wait->end())
                next(true);
        });
        data->disconnectFromHost();
        if (data->state() == QAbstractSocket::UnconnectedState && wait->end())
            next(true);
    };
}

// SO_LINGER with a zero timeout makes close send RST instead of FIN: the
// client sees a reset connection, not an end of file.
ScriptedFtpPeer::Step ScriptedFtpPeer::resetDataStep(Session& s)
{
    return [&s](const Next& next) {
        if (QTcpSocket* data = s.data; data && data->socketDescriptor() != -1) {
            const linger noLinger { 1, 0 };
            ::setsockopt(int(data->socketDescriptor()), SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
            data->abort();
        }
        next(true);
    };
}

ScriptedFtpPeer::Step ScriptedFtpPeer::closeControlStep(Session& s)
{
    return [&s](const Next& next) {
        if (s.data)
            s.data->abort();
        s.control->disconnectFromHost();
        next(false);
    };
}

// Takes what the client sends (into received, when given) until it closes.
ScriptedFtpPeer::Step ScriptedFtpPeer::waitForClientCloseStep(Session& s, const std::shared_ptr<QByteArray>& received)
{
    return [&s, received](const Next& next) {
        QTcpSocket* data = s.data;
        if (!data) {
            next(true);
            return;
        }
        auto take = [data, received] {
            const QByteArray bytes = data->readAll();
            if (received)
                received->append(bytes);
        };
        take();
        if (data->state() == QAbstractSocket::UnconnectedState) {
            next(true);
            return;
        }
        auto wait = std::make_shared<Wait>();
        wait->links << connect(data, &QTcpSocket::readyRead, data, take);
        wait->links << connect(data, &QTcpSocket::disconnected, data, [take, wait, next] {
            take();
            if (wait->end())
                next(true);
        });
    };
}

// Waits for the first bytes the client sends, or for its close.
ScriptedFtpPeer::Step ScriptedFtpPeer::firstBytesStep(Session& s, const std::shared_ptr<QByteArray>& received)
{
    return [&s, received](const Next& next) {
        QTcpSocket* data = s.data;
        if (!data) {
            next(true);
            return;
        }
        received->append(data->readAll());
        if (!received->isEmpty() || data->state() == QAbstractSocket::UnconnectedState) {
            next(true);
            return;
        }
        auto wait = std::make_shared<Wait>();
        auto take = [data, received, wait, next] {
            received->append(data->readAll());
            if ((!received->isEmpty() || data->state() == QAbstractSocket::UnconnectedState) && wait->end())
                next(true);
        };
        wait->links << connect(data, &QTcpSocket::readyRead, data, take);
        wait->links << connect(data, &QTcpSocket::disconnected, data, take);
    };
}
