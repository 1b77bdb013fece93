#include "platform/Winsock.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QThread>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Received bytes are taken from the kernel in pieces of this size, and no more
// than the cap is held unread: past it the socket stops reading, so a peer that
// sends faster than the program takes is held back by TCP instead of filling
// memory.
constexpr qsizetype kReadPiece = 256 * 1024;
constexpr qsizetype kPendingCap = 8 * 1024 * 1024;
constexpr qsizetype kReadBudgetPerWakeUp = 2 * 1024 * 1024;
// Send events raised in one trip through the event loop, at most, and for at
// most this long.
constexpr int kSendsRaisedPerTrip = 32;
constexpr qint64 kSendsTripNs = 1'000'000;

int errorNumberFor(int err)
{
    switch (err) {
    case ECONNREFUSED: return Winsock::wsaConnectionRefused;
    case ETIMEDOUT: return Winsock::wsaTimedOut;
    case ECONNRESET: return Winsock::wsaConnectionReset;
    case ENETUNREACH:
    case EHOSTUNREACH: return Winsock::wsaHostUnreachable;
    case EADDRINUSE: return Winsock::wsaAddressInUse;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    default: return Winsock::wsaConnectionAborted;
    }
}

int localPortOf(int descriptor)
{
    sockaddr_in address {};
    socklen_t length = sizeof address;
    if (::getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

}

Winsock::Winsock(QObject* parent)
    : QObject(parent),
      readNotifier(new QSocketNotifier(QSocketNotifier::Read, this)),
      writeNotifier(new QSocketNotifier(QSocketNotifier::Write, this))
{
    readNotifier->setEnabled(false);
    writeNotifier->setEnabled(false);
    connect(readNotifier, &QSocketNotifier::activated, this, [this] {
        if (listening)
            onListenerReadable();
        else
            onReadable();
    });
    connect(writeNotifier, &QSocketNotifier::activated, this, [this] {
        if (connecting)
            onConnectFinished();
        else
            onWritable();
    });
}

Winsock::~Winsock()
{
    Close();
    for (int accepted : std::as_const(acceptedRequests))
        ::close(accepted);
}

template <typename Fn>
void Winsock::raiseLater(Fn fn)
{
    const quint64 raisedIn = generation;
    QMetaObject::invokeMethod(this, [this, raisedIn, fn = std::move(fn)]() mutable {
        if (raisedIn == generation)
            fn();
    }, Qt::QueuedConnection);
}

int Winsock::LocalPort() const
{
    if (descriptor >= 0)
        return localPortOf(descriptor);
    return requestedLocalPort;
}

QString Winsock::LocalIP() const
{
    if (descriptor < 0 || listening)
        return {};
    sockaddr_in address {};
    socklen_t length = sizeof address;
    if (::getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0
        || address.sin_family != AF_INET)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return QString::fromLatin1(text);
}

void Winsock::Connect()
{
    Close();
    state = sckResolvingHost;
    QHostAddress literal;
    if (literal.setAddress(remoteHost) && literal.protocol() == QAbstractSocket::IPv4Protocol) {
        startConnect(literal.toIPv4Address());
        return;
    }
    if (remoteHost.trimmed().isEmpty()) {
        raiseError(wsaHostNotFound);
        return;
    }
    const quint64 lookupFor = generation;
    lookupId = QHostInfo::lookupHost(remoteHost, this, [this, lookupFor](const QHostInfo& info) {
        if (lookupFor != generation)
            return;
        lookupId = -1;
        // PORT carries an IPv4 address, so the control connection must be IPv4.
        for (const QHostAddress& address : info.addresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                state = sckHostResolved;
                startConnect(address.toIPv4Address());
                return;
            }
        }
        raiseError(wsaHostNotFound);
    });
}

void Winsock::startConnect(quint32 ipv4HostOrder)
{
    if (remotePort < 1 || remotePort > 65535) {
        raiseError(10049);
        return;
    }
    descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        raiseError(errorNumberFor(errno));
        return;
    }
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(remotePort));
    address.sin_addr.s_addr = htonl(ipv4HostOrder);
    state = sckConnecting;
    if (::connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        onConnectFinished();
        return;
    }
    if (errno != EINPROGRESS) {
        raiseError(errorNumberFor(errno));
        return;
    }
    connecting = true;
    writeNotifier->setSocket(descriptor);
    writeNotifier->setEnabled(true);
}

void Winsock::onConnectFinished()
{
    connecting = false;
    writeNotifier->setEnabled(false);
    int err = 0;
    socklen_t length = sizeof err;
    ::getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &err, &length);
    if (err != 0) {
        raiseError(errorNumberFor(err));
        return;
    }
    watchConnection();
    raiseLater([this] {
        state = sckConnected;
        emit ConnectEvent();
    });
}

void Winsock::Listen()
{
    Close();
    for (int stale : std::as_const(acceptedRequests))
        ::close(stale);
    acceptedRequests.clear();

    descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        raiseError(errorNumberFor(errno));
        return;
    }
    const int reuse = 1;
    ::setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(requestedLocalPort));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(descriptor, 8) != 0) {
        raiseError(errorNumberFor(errno));
        return;
    }
    listening = true;
    state = sckListening;
    readNotifier->setSocket(descriptor);
    readNotifier->setEnabled(true);
}

void Winsock::onListenerReadable()
{
    const int accepted = ::accept4(descriptor, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (accepted < 0)
        return;
    const int requestID = nextRequestID++;
    acceptedRequests.insert(requestID, accepted);
    raiseLater([this, requestID] { emit ConnectionRequest(requestID); });
}

void Winsock::Accept(int requestID)
{
    const auto found = acceptedRequests.constFind(requestID);
    if (found == acceptedRequests.cend())
        return;
    const int accepted = found.value();
    acceptedRequests.erase(found);
    if (state != sckClosed)
        Close();
    descriptor = accepted;
    state = sckConnected;
    watchConnection();
}

void Winsock::watchConnection()
{
    readNotifier->setSocket(descriptor);
    readNotifier->setEnabled(true);
    writeNotifier->setSocket(descriptor);
}

void Winsock::onReadable()
{
    qsizetype budget = kReadBudgetPerWakeUp;
    while (budget > 0 && pending.size() < kPendingCap) {
        const qsizetype before = pending.size();
        pending.resize(before + kReadPiece);
        const ssize_t got = ::recv(descriptor, pending.data() + before, kReadPiece, 0);
        pending.resize(before + std::max<ssize_t>(got, 0));
        if (got > 0) {
            budget -= got;
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        const int err = got == 0 ? 0 : errno;
        raiseArrival();
        if (err == 0) {
            connectionEnded = true;
            readNotifier->setEnabled(false);
            writeNotifier->setEnabled(false);
            // A reset reported already keeps its error state.
            raiseLater([this] {
                if (state == sckError)
                    return;
                state = sckClosing;
                emit CloseEvent();
            });
        } else {
            raiseError(errorNumberFor(err));
        }
        return;
    }
    if (pending.size() >= kPendingCap)
        readNotifier->setEnabled(false);
    raiseArrival();
}

void Winsock::raiseArrival()
{
    if (arrivalQueued || pending.isEmpty())
        return;
    arrivalQueued = true;
    raiseLater([this] {
        arrivalQueued = false;
        if (!pending.isEmpty())
            emit DataArrival(int(pending.size()));
    });
}

QByteArray Winsock::GetData()
{
    QByteArray taken = std::exchange(pending, QByteArray());
    if (descriptor >= 0 && !listening && !connectionEnded && state == sckConnected)
        readNotifier->setEnabled(true);
    return taken;
}

void Winsock::SendData(const QByteArray& data)
{
    if (state != sckConnected || descriptor < 0)
        return;
    // Sharing the caller's bytes rather than copying them: an upload hands
    // over one chunk at a time, and the queue is empty each time.
    if (outgoing.isEmpty())
        outgoing = data;
    else
        outgoing.append(data);
    sendSizesLeft.push_back(data.size());
    flushOutgoing();
}

void Winsock::flushOutgoing()
{
    qint64 written = 0;
    while (!outgoing.isEmpty()) {
        const ssize_t sent = ::send(descriptor, outgoing.constData(), size_t(outgoing.size()), MSG_NOSIGNAL);
        if (sent > 0) {
            if (sent == outgoing.size())
                outgoing.clear();
            else
                outgoing.remove(0, sent);
            written += sent;
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        const int err = sent < 0 ? errno : ECONNABORTED;
        outgoing.clear();
        sendSizesLeft.clear();
        writeNotifier->setEnabled(false);
        raiseError(err == EPIPE ? int(wsaConnectionAborted) : errorNumberFor(err));
        return;
    }
    writeNotifier->setEnabled(!outgoing.isEmpty());

    int completed = 0;
    qint64 left = written;
    while (!sendSizesLeft.empty()) {
        qint64& front = sendSizesLeft.front();
        if (front > left) {
            front -= left;
            break;
        }
        left -= front;
        sendSizesLeft.pop_front();
        ++completed;
    }
    if (written == 0 && completed == 0)
        return;
    sentNotRaised += written;
    completedNotRaised += completed;
    remainingToSend = int(outgoing.size());
    // A send made by a handler of the sends raised now is raised by that same
    // call once the handler has returned; any other goes through the loop.
    if (raisingSendsAtLoopLevel == QThread::currentThread()->loopLevel() || sendsQueued)
        return;
    sendsQueued = true;
    raiseLater([this] { raiseSends(); });
}

void Winsock::raiseSends()
{
    sendsQueued = false;
    const quint64 raisedIn = generation;
    const int outerLevel = std::exchange(raisingSendsAtLoopLevel, QThread::currentThread()->loopLevel());
    QElapsedTimer trip;
    trip.start();
    for (int round = 1; sentNotRaised > 0 || completedNotRaised > 0; ++round) {
        // An upload sends its next chunk from the completion of the last. When
        // the kernel takes the chunk at once, its completion is raised here,
        // after the handler has returned, without another trip through the
        // event loop; after a bound the loop gets its turn, so that control
        // replies and timers are never kept waiting.
        if (round > kSendsRaisedPerTrip || trip.nsecsElapsed() > kSendsTripNs) {
            sendsQueued = true;
            raiseLater([this] { raiseSends(); });
            break;
        }
        const qint64 written = std::exchange(sentNotRaised, 0);
        const int completed = std::exchange(completedNotRaised, 0);
        if (written > 0)
            emit SendProgress(int(written), remainingToSend);
        for (int i = 0; i < completed && raisedIn == generation; ++i)
            emit SendComplete();
        if (raisedIn != generation)
            break;
    }
    raisingSendsAtLoopLevel = outerLevel;
}

void Winsock::onWritable()
{
    flushOutgoing();
}

void Winsock::raiseError(int number)
{
    connectionEnded = true;
    readNotifier->setEnabled(false);
    writeNotifier->setEnabled(false);
    connecting = false;
    raiseLater([this, number] {
        state = sckError;
        emit Error(number);
    });
}

void Winsock::Close()
{
    ++generation;
    if (lookupId != -1) {
        QHostInfo::abortHostLookup(lookupId);
        lookupId = -1;
    }
    closeDescriptor();
    pending.clear();
    arrivalQueued = false;
    connectionEnded = false;
    outgoing.clear();
    sendSizesLeft.clear();
    sentNotRaised = 0;
    completedNotRaised = 0;
    sendsQueued = false;
    state = sckClosed;
}

void Winsock::closeDescriptor()
{
    readNotifier->setEnabled(false);
    writeNotifier->setEnabled(false);
    connecting = false;
    listening = false;
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}
