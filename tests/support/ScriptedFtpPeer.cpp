#include "support/ScriptedFtpPeer.h"
#include "support/ScriptedFtpPeerSession.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

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

