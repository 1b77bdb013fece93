#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <deque>

class QSocketNotifier;

// The asynchronous TCP socket object the program is written against: a control
// connection that connects out, or a data socket that listens and turns into the
// connection it accepts.
//
// Every event is raised from a queued call, never inside the notifier that saw
// the bytes, so a handler that waits by yielding is entered again by the next
// event of the same socket. The visible State changes in the same queue, so a
// handler always sees the state that matches the events delivered so far: bytes
// that arrived before the peer closed are raised while State still reads 7.
class Winsock : public QObject {
    Q_OBJECT
public:
    enum StateValue {
        sckClosed = 0,
        sckListening = 2,
        sckResolvingHost = 4,
        sckHostResolved = 5,
        sckConnecting = 6,
        sckConnected = 7,
        sckClosing = 8,
        sckError = 9,
    };

    // Windows Sockets error numbers raised by the Error event.
    enum ErrorNumber {
        wsaAddressInUse = 10048,
        wsaConnectionAborted = 10053,
        wsaConnectionReset = 10054,
        wsaTimedOut = 10060,
        wsaConnectionRefused = 10061,
        wsaHostUnreachable = 10065,
        wsaHostNotFound = 11001,
    };

    explicit Winsock(QObject* parent = nullptr);
    ~Winsock() override;

    QString RemoteHost() const { return remoteHost; }
    void setRemoteHost(const QString& host) { remoteHost = host; }
    int RemotePort() const { return remotePort; }
    void setRemotePort(int port) { remotePort = port; }
    // The port asked for before Listen or Connect; while listening or
    // connected, the port actually bound.
    int LocalPort() const;
    void setLocalPort(int port) { requestedLocalPort = port; }
    // The local address of a connection in dotted IPv4 form; empty otherwise.
    QString LocalIP() const;
    int State() const { return state; }

    void Connect();
    void Listen();
    void Accept(int requestID);
    void SendData(const QByteArray& data);
    QByteArray GetData();
    void Close();

signals:
    void ConnectEvent();
    // The peer has closed the connection: every byte it sent has been raised
    // before, and State reads 8 (closing) until Close.
    void CloseEvent();
    void DataArrival(int bytesTotal);
    void ConnectionRequest(int requestID);
    void SendProgress(int bytesSent, int bytesRemaining);
    void SendComplete();
    void Error(int number);

private:
    void closeDescriptor();
    void startConnect(quint32 ipv4HostOrder);
    void onConnectFinished();
    void onListenerReadable();
    void onReadable();
    void onWritable();
    void flushOutgoing();
    void raiseSends();
    void watchConnection();

    // Queues fn to run in order with this socket's other events; dropped when
    // the socket has been closed or reopened in between.
    template <typename Fn>
    void raiseLater(Fn fn);
    void raiseError(int number);
    void raiseArrival();

    QString remoteHost;
    int remotePort = 0;
    int requestedLocalPort = 0;
    int state = sckClosed;
    quint64 generation = 0;

    int descriptor = -1;
    bool listening = false;
    bool connecting = false;
    // One pair of notifiers for the object's whole life, pointed at each new
    // descriptor in turn, so nothing is created or deleted per connection.
    QSocketNotifier* readNotifier;
    QSocketNotifier* writeNotifier;
    int lookupId = -1;

    QHash<int, int> acceptedRequests;  // requestID -> accepted descriptor
    int nextRequestID = 1;

    QByteArray pending;
    bool arrivalQueued = false;
    // The connection has ended (the peer closed it, or it failed): nothing more
    // is read from it, whatever the handlers still to run do.
    bool connectionEnded = false;

    QByteArray outgoing;
    std::deque<qint64> sendSizesLeft;  // bytes still to go for each SendData
    // Sends done and not yet raised as events, and what is left to send.
    qint64 sentNotRaised = 0;
    int completedNotRaised = 0;
    int remainingToSend = 0;
    bool sendsQueued = false;
    // The event-loop level of the call raising send events now; -1 for none.
    int raisingSendsAtLoopLevel = -1;
};
