#include "support/ScriptedFtpPeer.h"

#include <QHostAddress>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <sys/socket.h>

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

namespace {

QByteArray verbOf(const QByteArray& line)
{
    const qsizetype space = line.indexOf(' ');
    return (space < 0 ? line : line.left(space)).toUpper();
}

// The wildcard of a listing request: its first word, unless that is an option
// such as "-la". Download jobs in LIST form send the pattern and a second word.
QString listingPattern(const QByteArray& argument)
{
    for (const QByteArray& word : argument.split(' ')) {
        if (!word.isEmpty())
            return word.startsWith('-') ? QString() : QString::fromLatin1(word);
    }
    return {};
}

std::optional<std::pair<QHostAddress, quint16>> portAddress(const QByteArray& argument)
{
    const QList<QByteArray> fields = argument.trimmed().split(',');
    if (fields.size() != 6)
        return std::nullopt;
    int numbers[6];
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        numbers[i] = fields[i].trimmed().toInt(&ok);
        if (!ok || numbers[i] < 0 || numbers[i] > 255)
            return std::nullopt;
    }
    const QHostAddress host(QStringLiteral("%1.%2.%3.%4").arg(numbers[0]).arg(numbers[1]).arg(numbers[2]).arg(numbers[3]));
    return std::pair(host, quint16(numbers[4] * 256 + numbers[5]));
}

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

ScriptedFtpPeer::ScriptedFtpPeer(QObject* parent)
    : QObject(parent), server(new QTcpServer(this)), greeting({ { "220 Scripted FTP peer ready.\r\n" } })
{
    connect(server, &QTcpServer::newConnection, this, &ScriptedFtpPeer::acceptConnections);
    server->listen(QHostAddress::LocalHost, 0);
}

ScriptedFtpPeer::~ScriptedFtpPeer()
{
    // The sockets' handlers refer to the sessions, which go before the sockets
    // (children, deleted by QObject afterwards): cut them first.
    server->close();
    for (QTcpSocket* socket : findChildren<QTcpSocket*>()) {
        socket->disconnect();
        socket->abort();
    }
}

quint16 ScriptedFtpPeer::port() const
{
    return server->serverPort();
}

void ScriptedFtpPeer::putFile(const QByteArray& name, const QByteArray& bytes)
{
    files.insert(name, bytes);
}

void ScriptedFtpPeer::setGreeting(const Chunks& chunks)
{
    greeting = chunks;
}

void ScriptedFtpPeer::replyTo(const QByteArray& verb, const Chunks& chunks)
{
    scriptedReplies[verb.toUpper()].push_back(chunks);
}

void ScriptedFtpPeer::replyTo(const QByteArray& verb, const QByteArray& bytes)
{
    replyTo(verb, Chunks { { bytes } });
}

void ScriptedFtpPeer::planTransfer(const QByteArray& verb, const Transfer& transfer)
{
    plannedTransfers[verb.toUpper()].push_back(transfer);
}

void ScriptedFtpPeer::stopAnsweringAt(const QByteArray& verb)
{
    stopVerb = verb.toUpper();
}

void ScriptedFtpPeer::sendRaw(const Chunks& chunks)
{
    if (sessions.empty())
        return;
    Session& s = *sessions.back();
    enqueue(s, [this, &s, chunks] { return replySteps(s, chunks); });
}

void ScriptedFtpPeer::sendRaw(const QByteArray& bytes)
{
    sendRaw(Chunks { { bytes } });
}

bool ScriptedFtpPeer::waitForCommand(const QByteArray& verb, int occurrence, int boundMs)
{
    const QByteArray wanted = verb.toUpper();
    return QTest::qWaitFor([&] {
        int seen = 0;
        for (const QString& line : std::as_const(commands))
            seen += verbOf(line.toLatin1()) == wanted ? 1 : 0;
        return seen >= occurrence;
    }, boundMs);
}

bool ScriptedFtpPeer::waitForCommandCount(int count, int boundMs)
{
    return QTest::qWaitFor([&] { return commands.size() >= count; }, boundMs);
}

// --- Connections and the order of work ------------------------------------

void ScriptedFtpPeer::acceptConnections()
{
    while (QTcpSocket* control = server->nextPendingConnection()) {
        // Each chunk must leave when the script says, not when Nagle allows.
        control->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        sessions.push_back(std::make_unique<Session>());
        Session& s = *sessions.back();
        s.control = control;
        connect(control, &QTcpSocket::readyRead, this, [this, &s] { readCommands(s); });
        connect(control, &QTcpSocket::disconnected, this, [&s] {
            s.closed = true;
            s.work.clear();
            if (s.data)
                s.data->abort();
        });
        enqueue(s, [this, &s] { return replySteps(s, greeting); });
    }
}

void ScriptedFtpPeer::readCommands(Session& s)
{
    s.unfinishedLine += s.control->readAll();
    for (qsizetype end = s.unfinishedLine.indexOf('\n'); end >= 0; end = s.unfinishedLine.indexOf('\n')) {
        QByteArray line = s.unfinishedLine.left(end);
        s.unfinishedLine.remove(0, end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        commands << QString::fromLatin1(line);
        emit commandReceived(commands.last());
        enqueue(s, [this, &s, line] { return answer(s, line); });
    }
}

void ScriptedFtpPeer::enqueue(Session& s, std::function<Steps()> work)
{
    s.work.push_back(std::move(work));
    workOn(s);
}

// One piece of work (the greeting, one command's answer, a raw send) at a time,
// in the order they came: a server answers commands in turn.
void ScriptedFtpPeer::workOn(Session& s)
{
    if (s.busy || s.closed || s.work.empty())
        return;
    s.busy = true;
    const std::function<Steps()> work = std::move(s.work.front());
    s.work.pop_front();
    runSteps(s, std::make_shared<Steps>(work()));
}

void ScriptedFtpPeer::runSteps(Session& s, const std::shared_ptr<Steps>& steps)
{
    if (s.closed)
        return;
    if (steps->empty()) {
        s.busy = false;
        workOn(s);
        return;
    }
    const Step step = std::move(steps->front());
    steps->pop_front();
    step([this, &s, steps](bool goOn) {
        if (!goOn)
            steps->clear();
        // Go on from the event loop, never from inside a socket's signal.
        QMetaObject::invokeMethod(this, [this, &s, steps] { runSteps(s, steps); }, Qt::QueuedConnection);
    });
}

// --- Answers ----------------------------------------------------------------

ScriptedFtpPeer::Steps ScriptedFtpPeer::answer(Session& s, const QByteArray& line)
{
    const QByteArray verb = verbOf(line);
    const QByteArray argument = line.indexOf(' ') < 0 ? QByteArray() : line.mid(line.indexOf(' ') + 1);
    if (verb == "PORT") {
        const auto address = portAddress(argument);
        s.dataHost = address ? address->first : QHostAddress();
        s.dataPort = address ? address->second : 0;
    }
    if (s.silent)
        return {};
    if (!stopVerb.isEmpty() && verb == stopVerb) {
        stopVerb.clear();
        s.silent = true;
        return {};
    }
    const auto scripted = scriptedReplies.find(verb);
    if (scripted != scriptedReplies.end() && !scripted->empty()) {
        const Chunks chunks = scripted->front();
        scripted->pop_front();
        return replySteps(s, chunks);
    }
    return defaultAnswer(s, verb, argument);
}

ScriptedFtpPeer::Steps ScriptedFtpPeer::defaultAnswer(Session& s, const QByteArray& verb,
                                                      const QByteArray& argument)
{
    auto reply = [&](const QByteArray& bytes) { return Steps { replyStep(s, { bytes }) }; };
    if (verb == "USER")
        return reply("331 Please specify the password.\r\n");
    if (verb == "PASS")
        return reply("230 Login successful.\r\n");
    if (verb == "CWD") {
        s.cwd = argument.startsWith('/') ? argument : s.cwd + (s.cwd.endsWith('/') ? "" : "/") + argument;
        return reply("250 Directory successfully changed.\r\n");
    }
    if (verb == "PWD")
        return reply("257 \"" + s.cwd + "\" is the current directory\r\n");
    if (verb == "TYPE")
        return reply("200 Type set to " + argument + ".\r\n");
    if (verb == "PORT")
        return reply(s.dataPort ? "200 PORT command successful.\r\n" : "501 Illegal PORT command.\r\n");
    if (verb == "REST")
        return reply("350 Restart position accepted (" + argument + ").\r\n");
    if (verb == "NLST" || verb == "LIST") {
        Transfer plan = takePlan(verb);
        plan.content = plan.content.value_or(listing(verb, argument));
        plan.preliminary = plan.preliminary.value_or("150 Here comes the directory listing.\r\n");
        plan.final = plan.final.value_or(finalReply(plan, "226 Directory send OK.\r\n"));
        return sendingTransfer(s, plan);
    }
    if (verb == "RETR") {
        if (!files.contains(argument))
            return reply("550 Failed to open file.\r\n");
        Transfer plan = takePlan(verb);
        plan.content = plan.content.value_or(files[argument]);
        plan.preliminary = plan.preliminary.value_or("150 Opening BINARY mode data connection for " + argument
                                                     + " (" + QByteArray::number(files[argument].size())
                                                     + " bytes)\r\n");
        plan.final = plan.final.value_or(finalReply(plan, "226 Transfer complete.\r\n"));
        return sendingTransfer(s, plan);
    }
    if (verb == "STOR") {
        Transfer plan = takePlan(verb);
        plan.preliminary = plan.preliminary.value_or("150 Ok to send data.\r\n");
        plan.final = plan.final.value_or(finalReply(plan, "226 Transfer complete.\r\n"));
        return receivingTransfer(s, argument, plan);
    }
    if (verb == "DELE") {
        if (files.remove(argument) == 0)
            return reply("550 Delete operation failed.\r\n");
        return reply("250 Delete operation successful.\r\n");
    }
    if (verb == "QUIT")
        return { replyStep(s, { "221 Goodbye.\r\n" }), closeControlStep(s) };
    if (verb == "NOOP")
        return reply("200 NOOP ok.\r\n");
    return reply("502 Command not implemented.\r\n");
}

ScriptedFtpPeer::Transfer ScriptedFtpPeer::takePlan(const QByteArray& verb)
{
    const auto planned = plannedTransfers.find(verb);
    if (planned == plannedTransfers.end() || planned->empty())
        return {};
    const Transfer plan = planned->front();
    planned->pop_front();
    return plan;
}

QByteArray ScriptedFtpPeer::finalReply(const Transfer& plan, const QByteArray& success)
{
    const bool reset = plan.fault == DataFault::ResetHalfway || plan.fault == DataFault::FinalThenReset;
    return reset ? QByteArray("426 Connection closed; transfer aborted.\r\n") : success;
}

QByteArray ScriptedFtpPeer::listing(const QByteArray& verb, const QByteArray& argument) const
{
    const QString pattern = listingPattern(argument);
    const QRegularExpression match(
        pattern.isEmpty() ? QStringLiteral(".*") : QRegularExpression::wildcardToRegularExpression(pattern));
    QByteArray text;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (!match.match(QString::fromLatin1(it.key())).hasMatch())
            continue;
        if (verb == "LIST")
            text += "-rw-r--r--    1 ftp      ftp      " + QByteArray::number(it.value().size()).rightJustified(10)
                + " Jan 01 00:00 ";
        text += it.key() + "\r\n";
    }
    return text;
}

// --- Data transfers ----------------------------------------------------------

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
        return { preliminary, connectStep(s), sendStep(s, content), takeDataStep(s, nullptr, DataTaken::UntilClose),
                 final };
    case DataOrder::ServerClosesFirst:
        return { preliminary, connectStep(s), sendStep(s, content), closeDataSendingSideStep(s),
                 takeDataStep(s, nullptr, DataTaken::UntilClose), final };
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
    const Step firstBytes = takeDataStep(s, received, DataTaken::UntilFirstBytes);
    const Step wholeFile = takeDataStep(s, received, DataTaken::UntilClose);
    switch (plan.fault) {
    case DataFault::NeverConnect:
        return { preliminary };
    case DataFault::ResetHalfway:
        return { preliminary, connectStep(s), firstBytes, resetDataStep(s), store, final };
    case DataFault::FinalThenReset:
        return { preliminary, connectStep(s), firstBytes, store, final, resetDataStep(s) };
    case DataFault::CloseControlHalfway:
        return { preliminary, connectStep(s), firstBytes, closeControlStep(s) };
    case DataFault::None:
        break;
    }
    if (dataOrder == DataOrder::ConnectFirst)
        return { connectStep(s), preliminary, wholeFile, store, final };
    return { preliminary, connectStep(s), wholeFile, store, final };
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

// The peer's end only (FIN): the client reads the end of the data, and the
// connection lingers until the client closes its end too.
ScriptedFtpPeer::Step ScriptedFtpPeer::closeDataSendingSideStep(Session& s)
{
    return [&s](const Next& next) {
        if (QTcpSocket* data = s.data; data && data->socketDescriptor() != -1)
            ::shutdown(int(data->socketDescriptor()), SHUT_WR);
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

// Takes what the client sends on the data connection (into received, when
// given) until it closes the connection or, for UntilFirstBytes, until the
// first bytes are in.
ScriptedFtpPeer::Step ScriptedFtpPeer::takeDataStep(Session& s, const std::shared_ptr<QByteArray>& received,
                                                    DataTaken until)
{
    return [&s, received, until](const Next& next) {
        QTcpSocket* data = s.data;
        if (!data) {
            next(true);
            return;
        }
        auto takenAll = [data, received, until] {
            const QByteArray bytes = data->readAll();
            if (received)
                received->append(bytes);
            return data->state() == QAbstractSocket::UnconnectedState
                || (until == DataTaken::UntilFirstBytes && received && !received->isEmpty());
        };
        if (takenAll()) {
            next(true);
            return;
        }
        auto wait = std::make_shared<Wait>();
        auto take = [takenAll, wait, next] {
            if (takenAll() && wait->end())
                next(true);
        };
        wait->links << connect(data, &QTcpSocket::readyRead, data, take);
        wait->links << connect(data, &QTcpSocket::disconnected, data, take);
    };
}
