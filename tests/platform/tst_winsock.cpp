// The socket object the jobs are written against: its events, their order and
// their error numbers, on real loopback connections.
#include "platform/Winsock.h"
#include "platform/Yield.h"
#include "support/FileBytes.h"
#include "support/LoopbackPort.h"

#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <memory>
#include <numeric>
#include <sys/socket.h>

namespace {

// Program milliseconds after which a wait that should have ended counts as hung.
constexpr int kHangMs = 20000;

// A socket connected to a loopback server, the server's end of the
// connection, which keeps what it reads, and the socket's events.
struct Connection {
    Winsock socket;
    QTcpServer server;
    std::unique_ptr<QTcpSocket> peer;
    QByteArray received;
    QList<int> errors;
    int connectEvents = 0;

    Connection()
    {
        QObject::connect(&socket, &Winsock::Error, [this](int n) { errors.append(n); });
        QObject::connect(&socket, &Winsock::ConnectEvent, [this] { ++connectEvents; });
    }

    void connectTo(const QString& host, int port)
    {
        socket.setRemoteHost(host);
        socket.setRemotePort(port);
        socket.Connect();
    }

    bool open(const QString& host = QStringLiteral("127.0.0.1"))
    {
        if (!server.listen(QHostAddress::LocalHost))
            return false;
        connectTo(host, server.serverPort());
        if (!yieldUntil([&] { return socket.State() == Winsock::sckConnected && server.hasPendingConnections(); },
                        kHangMs))
            return false;
        peer.reset(server.nextPendingConnection());
        QObject::connect(peer.get(), &QTcpSocket::readyRead, [this] { received += peer->readAll(); });
        return true;
    }
};

}

class WinsockTest : public QObject {
    Q_OBJECT

private slots:
    // PORT carries an IPv4 address, so a name must connect over IPv4 too.
    void connectReportsDottedLocalAddress_data()
    {
        QTest::addColumn<QString>("host");
        QTest::newRow("dotted address") << QStringLiteral("127.0.0.1");
        QTest::newRow("host name with an IPv6 address as well") << QStringLiteral("localhost");
    }

    void connectReportsDottedLocalAddress()
    {
        QFETCH(QString, host);
        Connection c;
        QVERIFY(c.open(host));
        QCOMPARE(c.connectEvents, 1);
        QCOMPARE(c.socket.LocalIP(), QStringLiteral("127.0.0.1"));
    }

    void connectFailureRaisesItsErrorNumber_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("number");
        QTest::newRow("refused on a closed loopback port") << "127.0.0.1" << int(closedPort()) << 10061;
        QTest::newRow("host name that cannot exist") << "no-such-host.invalid" << 21 << 11001;
        QTest::newRow("empty host name") << QString() << 21 << 11001;
    }

    void connectFailureRaisesItsErrorNumber()
    {
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(int, number);
        Connection c;
        c.connectTo(host, port);
        QVERIFY(yieldUntil([&] { return !c.errors.isEmpty(); }, kHangMs));
        QTest::qWait(50);
        QCOMPARE(c.errors, QList<int> { number });
        QCOMPARE(c.connectEvents, 0);
        QVERIFY(c.socket.State() != Winsock::sckConnected);
    }

    void dataArrivalHandlerThatWaitsSeesItsNextArrival()
    {
        Connection c;
        QVERIFY(c.open());
        QByteArray arrived;
        int depth = 0;
        int deepest = 0;
        bool nestedArrivalSeen = false;
        connect(&c.socket, &Winsock::DataArrival, this, [&] {
            deepest = std::max(deepest, ++depth);
            arrived += c.socket.GetData();
            if (arrived == "150 Opening\r\n") {
                c.peer->write("226 Done\r\n");
                nestedArrivalSeen = yieldUntil([&] { return arrived.endsWith("226 Done\r\n"); }, kHangMs);
            }
            --depth;
        });
        c.peer->write("150 Opening\r\n");
        QVERIFY(yieldUntil([&] { return nestedArrivalSeen && depth == 0; }, kHangMs));
        QCOMPARE(deepest, 2);
    }

    // The bytes before a graceful close must be raised while State still reads
    // connected: the download handler reads data only from a connected socket.
    // Bytes left unread hold the sender back and are all there when taken
    // later. The close itself is raised once, after every byte, with State
    // closing: a server that waits for the client to close before its final
    // reply depends on it.
    void gracefulCloseDeliversEveryByteWhileConnected_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("takenOnArrival");
        QTest::newRow("taken at each arrival") << 300000 << true;
        QTest::newRow("taken late, more than the socket holds unread") << 20 * 1024 * 1024 << false;
    }

    void gracefulCloseDeliversEveryByteWhileConnected()
    {
        QFETCH(int, size);
        QFETCH(bool, takenOnArrival);
        Connection c;
        QVERIFY(c.open());
        QByteArray arrived;
        QList<int> statesAtArrival;
        connect(&c.socket, &Winsock::DataArrival, this, [&] {
            statesAtArrival.append(c.socket.State());
            if (takenOnArrival)
                arrived += c.socket.GetData();
        });
        QList<int> statesAtClose;
        qsizetype bytesTakenAtClose = -1;
        connect(&c.socket, &Winsock::CloseEvent, this, [&] {
            statesAtClose.append(c.socket.State());
            bytesTakenAtClose = arrived.size();
        });
        QTimer lateTaker;
        connect(&lateTaker, &QTimer::timeout, this, [&] { arrived += c.socket.GetData(); });
        if (!takenOnArrival)
            lateTaker.start(20);

        const QByteArray sent = faultBytes("sent", size);
        c.peer->write(sent);
        c.peer->disconnectFromHost();
        QVERIFY(yieldUntil([&] { return !statesAtClose.isEmpty(); }, kHangMs));
        lateTaker.stop();
        QTest::qWait(50);
        arrived += c.socket.GetData();
        QVERIFY(arrived == sent);
        QVERIFY(!statesAtArrival.isEmpty());
        QCOMPARE(statesAtArrival, QList<int>(statesAtArrival.size(), Winsock::sckConnected));
        QCOMPARE(statesAtClose, QList<int> { Winsock::sckClosing });
        if (takenOnArrival)
            QCOMPARE(bytesTakenAtClose, sent.size());
        QCOMPARE(c.errors, QList<int>());
    }

    void peerResetRaisesConnectionReset()
    {
        Connection c;
        QVERIFY(c.open());
        int closes = 0;
        connect(&c.socket, &Winsock::CloseEvent, this, [&] { ++closes; });
        const linger abortive { 1, 0 };
        QCOMPARE(::setsockopt(int(c.peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive), 0);
        c.peer->abort();
        QVERIFY(yieldUntil([&] { return !c.errors.isEmpty(); }, kHangMs));
        QCOMPARE(c.errors, QList<int> { 10054 });
        QVERIFY(c.socket.State() != Winsock::sckConnected);
        QCOMPARE(closes, 0);
    }

    // The storing loop sends the next chunk only from SendComplete and counts
    // its bytes from SendProgress.
    void sendCompleteOncePerSendAndProgressSumsToBytesSent_data()
    {
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<bool>("chained");
        QTest::newRow("several sends in a row") << QList<int> { 2000, 2000, 500 } << false;
        QTest::newRow("a send too large to go out at once") << QList<int> { 100, 16 * 1024 * 1024, 100 } << false;
        QTest::newRow("each chunk sent from the previous SendComplete") << QList<int>(200, 2000) << true;
    }

    void sendCompleteOncePerSendAndProgressSumsToBytesSent()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(bool, chained);
        Connection c;
        QVERIFY(c.open());
        QByteArray expected;
        qsizetype nextChunk = 0;
        auto sendNext = [&] {
            const QByteArray chunk = faultBytes(QByteArray::number(nextChunk), sizes.at(nextChunk));
            ++nextChunk;
            expected += chunk;
            c.socket.SendData(chunk);
        };
        qint64 progressSum = 0;
        int completes = 0;
        bool completeBeforeItsBytes = false;
        connect(&c.socket, &Winsock::SendProgress, this, [&](int bytesSent) { progressSum += bytesSent; });
        connect(&c.socket, &Winsock::SendComplete, this, [&] {
            ++completes;
            completeBeforeItsBytes |= progressSum < std::accumulate(sizes.begin(), sizes.begin() + completes, qint64(0));
            if (chained && nextChunk < sizes.size())
                sendNext();
        });
        do
            sendNext();
        while (!chained && nextChunk < sizes.size());
        const qint64 total = std::accumulate(sizes.begin(), sizes.end(), qint64(0));
        QVERIFY(yieldUntil([&] { return c.received.size() >= total && completes >= sizes.size(); }, kHangMs));
        QTest::qWait(50);
        QCOMPARE(completes, int(sizes.size()));
        QCOMPARE(progressSum, total);
        QVERIFY(!completeBeforeItsBytes);
        QVERIFY(c.received == expected);
    }
};

QTEST_GUILESS_MAIN(WinsockTest)
#include "tst_winsock.moc"
