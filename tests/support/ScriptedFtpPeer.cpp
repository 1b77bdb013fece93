#include "support/ScriptedFtpPeer.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <deque>

#include <sys/socket.h>

struct ScriptedFtpPeer::Answer {
    QByteArray verb;
    QByteArray argument;
    PeerScript script;
};

// One control connection: its data connection, the command line being read,
// and the answers waiting their turn, the first under way at its step with
// its data: what is still to send, or what was taken so far.
struct ScriptedFtpPeer::Session {
    QTcpSocket* control = nullptr;
    QPointer<QTcpSocket> data;
    QHostAddress dataHost;
    quint16 dataPort = 0;
    QByteArray unfinishedLine;
    std::deque<Answer> answers;
    qsizetype step = 0;
    QByteArray content;
    // The step under way is done once this holds; a wait is ended by the
    // data connection's signals, or by a timer.
    std::function<bool()> until;
    bool queued = false;
    bool silent = false;
};

namespace {

bool connected(QTcpSocket* socket)
{
    return socket && socket->state() == QAbstractSocket::ConnectedState;
}

void write(QTcpSocket* socket, const QByteArray& bytes)
{
    if (connected(socket)) {
        socket->write(bytes);
        socket->flush();
    }
}

}

ScriptedFtpPeer::ScriptedFtpPeer() : server(new QTcpServer(this))
{
    connect(server, &QTcpServer::newConnection, this, &ScriptedFtpPeer::accept);
    server->listen(QHostAddress::LocalHost, 0);
}

// The sockets' handlers refer to the sessions, which go before the sockets
// (children, deleted by QObject afterwards): they are cut first.
ScriptedFtpPeer::~ScriptedFtpPeer()
{
    server->close();
    for (QTcpSocket* socket : findChildren<QTcpSocket*>()) {
        socket->disconnect();
        socket->abort();
    }
}

void ScriptedFtpPeer::say(const PeerScript& script)
{
    sessions.back()->answers.push_back({ {}, {}, script });
    goOn(*sessions.back());
}

void ScriptedFtpPeer::accept()
{
    while (QTcpSocket* control = server->nextPendingConnection()) {
        // Each reply must leave when the script says, not when Nagle allows.
        control->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        Session& s = *sessions.emplace_back(std::make_unique<Session>());
        s.control = control;
        connect(control, &QTcpSocket::readyRead, this, [this, &s] { read(s); });
        connect(control, &QTcpSocket::disconnected, this, [&s] {
            if (s.data)
                s.data->abort();
        });
        s.answers.push_back({ {}, {}, { "220" } });
        goOn(s);
    }
}

void ScriptedFtpPeer::read(Session& s)
{
    s.unfinishedLine += s.control->readAll();
    for (qsizetype end; (end = s.unfinishedLine.indexOf('\n')) >= 0; s.unfinishedLine.remove(0, end + 1)) {
        QByteArray line = s.unfinishedLine.left(end);
        if (line.endsWith('\r'))
            line.chop(1);
        transcript << QString::fromLatin1(line);
        emit commandReceived(transcript.last());
        const qsizetype space = line.indexOf(' ');
        const QByteArray verb = (space < 0 ? line : line.left(space)).toUpper();
        const QByteArray argument = space < 0 ? QByteArray() : line.mid(space + 1);
        if (const QList<QByteArray> fields = argument.split(','); verb == "PORT" && fields.size() == 6) {
            s.dataHost = QHostAddress(QString::fromLatin1(fields.first(4).join('.')));
            s.dataPort = quint16(fields[4].toInt() * 256 + fields[5].toInt());
        }
        if (!s.silent)
            s.answers.push_back({ verb, argument, scriptFor(verb, argument) });
    }
    goOn(s);
}

PeerScript ScriptedFtpPeer::scriptFor(const QByteArray& verb, const QByteArray& argument)
{
    const QByteArray nth = verb + '#' + QByteArray::number(++heard[verb]);
    if (scripts.contains(nth) || scripts.contains(verb))
        return scripts.value(nth, scripts.value(verb));
    using namespace PeerSteps;
    if (verb == "NLST" || verb == "LIST" || (verb == "RETR" && files.contains(argument)))
        return { "150", openData, sendData, closeData, "226" };
    if (verb == "STOR")
        return { "150", openData, takeData, "226" };
    if (verb == "RETR" || (verb == "DELE" && files.remove(argument) == 0))
        return { "550" };
    static const QHash<QByteArray, const char*> success { { "USER", "331" }, { "PASS", "230" }, { "CWD", "250" },
        { "PWD", "257" }, { "TYPE", "200" }, { "PORT", "200" }, { "REST", "350" }, { "DELE", "250" } };
    return { success.value(verb, "502") };
}

QByteArray ScriptedFtpPeer::contentFor(const Answer& a) const
{
    if (a.verb == "RETR")
        return files.value(a.argument);
    QByteArray listing;
    for (auto it = files.cbegin(); it != files.cend() && (a.verb == "NLST" || a.verb == "LIST"); ++it) {
        if (a.verb == "LIST")
            listing += "-rw-r--r--    1 ftp      ftp      " + QByteArray::number(it->size()).rightJustified(10)
                + " Jan 01 00:00 ";
        listing += it.key() + "\r\n";
    }
    return listing;
}

QByteArray ScriptedFtpPeer::replyLines(const Answer& a, const QByteArray& lines) const
{
    QByteArray text;
    for (const QByteArray& line : lines.split('\n')) {
        const bool announced = line == "150" && a.verb == "RETR";
        text += announced ? "150 Opening data connection for " + a.argument + " ("
                + QByteArray::number(files.value(a.argument).size()) + " bytes)"
                          : line + (line.size() == 3 ? " Okay." : "");
        text += "\r\n";
    }
    return text;
}

// One answer at a time, in the order the commands came, as a server does, and
// one step at a time: each goes on once the step before is done (its wait, if
// any, holds), from the event loop when it was under way.
void ScriptedFtpPeer::goOn(Session& s)
{
    if (s.queued || (s.until && !s.until()))
        return;
    s.until = {};
    for (; !s.answers.empty() && s.step == s.answers.front().script.size(); s.step = 0)
        s.answers.pop_front();
    if (!connected(s.control) || s.answers.empty())
        return;
    const Answer& a = s.answers.front();
    if (s.step == 0)
        s.content = contentFor(a);
    s.until = perform(s, a, a.script[s.step++]);
    poke(s);
}

void ScriptedFtpPeer::poke(Session& s)
{
    if (!std::exchange(s.queued, true))
        QMetaObject::invokeMethod(this, [this, &s] { s.queued = false; goOn(s); }, Qt::QueuedConnection);
}

std::function<bool()> ScriptedFtpPeer::perform(Session& s, const Answer& a, const PeerStep& step)
{
    QTcpSocket* data = s.data;
    const bool lesser = step.n == 1;
    switch (step.act) {
    case PeerStep::Reply:
        write(s.control, replyLines(a, step.bytes));
        break;
    case PeerStep::Raw:
        write(s.control, step.bytes);
        break;
    case PeerStep::Delay:
        QTimer::singleShot(step.n, s.control, [this, &s] { s.until = {}; poke(s); });
        return [] { return false; };
    case PeerStep::Open: {
        if (data)
            data->deleteLater();
        s.data = data = new QTcpSocket(this);
        const auto wake = [this, &s] { poke(s); };
        connect(data, &QTcpSocket::readyRead, this, wake);
        connect(data, &QTcpSocket::bytesWritten, this, wake);
        connect(data, &QTcpSocket::stateChanged, this, wake);
        connect(data, &QTcpSocket::errorOccurred, this, wake);
        data->connectToHost(s.dataHost, s.dataPort);
        return [&s, data] {
            if (data->state() != QAbstractSocket::UnconnectedState)
                return data->state() == QAbstractSocket::ConnectedState;
            write(s.control, "425 No data connection.\r\n");
            s.step = s.answers.front().script.size();
            return true;
        };
    }
    case PeerStep::Send:
        if (connected(data) && !s.content.isEmpty()) {
            const qsizetype size = lesser ? s.content.size() / 2 : s.content.size();
            data->write(s.content.first(size));
            s.content.remove(0, size);
            return [data] { return data->bytesToWrite() == 0 || !connected(data); };
        }
        break;
    case PeerStep::Close:
        if (lesser && connected(data))
            ::shutdown(int(data->socketDescriptor()), SHUT_WR);
        if (lesser || !data)
            break;
        data->disconnectFromHost();
        return [data] { return data->state() == QAbstractSocket::UnconnectedState; };
    case PeerStep::Reset:
        if (connected(data)) {
            const linger noLinger { 1, 0 };
            ::setsockopt(int(data->socketDescriptor()), SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
            data->abort();
        }
        break;
    case PeerStep::Take:
        if (data) {
            return [this, &s, data, lesser, stored = a.verb == "STOR" ? a.argument : QByteArray()] {
                s.content += data->readAll();
                if (connected(data) && !(lesser && !s.content.isEmpty()))
                    return false;
                if (!stored.isEmpty())
                    files.insert(stored, s.content);
                return true;
            };
        }
        break;
    case PeerStep::Hush:
        s.silent = true;
        s.answers.clear();
        s.step = 0;
        break;
    case PeerStep::HangUp:
        if (data)
            data->abort();
        s.control->disconnectFromHost();
        break;
    }
    return {};
}
