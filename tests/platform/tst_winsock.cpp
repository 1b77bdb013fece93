// The socket object the jobs are written against: its events, their order and
// their error numbers, on real loopback connections. Every event is raised
// from a queued call, never inside the notifier that saw it, once, and none
// after the program has closed the socket.
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
// connection, which keeps what it reads, and the socket's events but its data
// and send events, in order ("connect", "close" or the error number).
struct Connection {
    Winsock socket;
    QTcpServer server;
    std::unique_ptr<QTcpSocket> peer;
    QByteArray received;
    QStringList events;

    Connection()
    {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&socket, &Winsock::Error, [this](int n) { events << QString::number(n); });
        QObject::connect(&socket, &Winsock::ConnectEvent, [this] { events << "connect"; });
        QObject::connect(&socket, &Winsock::CloseEvent, [this] { events << "close"; });
    }

    void connectTo(const QString& host, int port)
    {
        socket.setRemoteHost(host);
        socket.setRemotePort(port);
        socket.Connect();
    }

    // Connected, with the ConnectEvent taken out of the events.
    bool open()
    {
        connectTo(QStringLiteral("127.0.0.1"), server.serverPort());
        if (!yieldUntil([&] { return !events.isEmpty() && server.hasPendingConnections(); }, kHangMs))
            return false;
        peer.reset(server.nextPendingConnection());
        QObject::connect(peer.get(), &QTcpSocket::readyRead, [this] { received += peer->readAll(); });
        return std::exchange(events, {}) == QStringList { "connect" };
    }

    // The events raised until the first, and any that follow it shortly.
    QStringList eventsOnceRaised()
    {
        yieldUntil([&] { return !events.isEmpty(); }, kHangMs);
        QTest::qWait(50);
        return events;
    }
};

}

class WinsockTest : public QObject {
    Q_OBJECT

private slots:
    // PORT carries an IPv4 address, so a name must connect over IPv4 too (a
    // dotted address connects in every other case). A connection that fails
    // raises its error number once, and no ConnectEvent.
    void connectRaisesOneEvent()
    {
        for (const auto& [host, port, event] : {
                 // A host name with an IPv6 address as well.
                 std::tuple("localhost", 0, "connect"),
                 // Refused on a closed loopback port.
                 { "127.0.0.1", int(closedPort()), "10061" } }) {
            Connection c;
            c.connectTo(host, port ? port : c.server.serverPort());
            QCOMPARE(c.eventsOnceRaised(), QStringList { event });
            QVERIFY(port || c.socket.LocalIP() == QStringLiteral("127.0.0.1"));
        }
    }

    void dataArrivalHandlerThatWaitsSeesItsNextArrival()
    {
        Connection c;
        QVERIFY(c.open());
        QByteArray arrived;
        int depth = 0, deepest = 0;
        connect(&c.socket, &Winsock::DataArrival, this, [&] {
            deepest = std::max(deepest, ++depth);
            arrived += c.socket.GetData();
            if (arrived == "150 Opening\r\n") {
                c.peer->write("226 Done\r\n");
                yieldUntil([&] { return arrived.endsWith("226 Done\r\n"); }, kHangMs);
            }
            --depth;
        });
        c.peer->write("150 Opening\r\n");
        QVERIFY(yieldUntil([&] { return arrived.endsWith("226 Done\r\n") && depth == 0; }, kHangMs));
        QCOMPARE(deepest, 2);
    }

    // The bytes before a graceful close must be raised while State still reads
    // connected: the download handler reads data only from a connected socket.
    // Bytes left unread hold the sender back and are all there when taken
    // later. The close itself is raised once, after every byte, with State
    // closing: a server that waits for the client to close before its final
    // reply depends on it.
    void gracefulCloseDeliversEveryByteWhileConnected()
    {
        for (const bool takenOnArrival : { true, false }) {
            Connection c;
            QVERIFY(c.open());
            // Taken late, more than the socket holds unread.
            const QByteArray sent = faultBytes("sent", takenOnArrival ? 300'000 : 20 * 1024 * 1024);
            QByteArray arrived;
            QSet<int> statesAtArrival;
            int stateAtClose = -1;
            connect(&c.socket, &Winsock::DataArrival, this, [&] {
                statesAtArrival << c.socket.State();
                arrived += takenOnArrival ? c.socket.GetData() : QByteArray();
            });
            connect(&c.socket, &Winsock::CloseEvent, this, [&] {
                stateAtClose = c.socket.State();
                QVERIFY(!takenOnArrival || arrived == sent);
            });
            QTimer lateTaker;
            connect(&lateTaker, &QTimer::timeout, this, [&] { arrived += c.socket.GetData(); });
            if (!takenOnArrival)
                lateTaker.start(20);

            c.peer->write(sent);
            c.peer->disconnectFromHost();
            QCOMPARE(c.eventsOnceRaised(), QStringList { "close" });
            arrived += c.socket.GetData();
            QVERIFY(arrived == sent);
            QCOMPARE(statesAtArrival, QSet<int> { Winsock::sckConnected });
            QCOMPARE(stateAtClose, int(Winsock::sckClosing));
        }
    }

    // A reset is an error, not a close.
    void peerResetRaisesConnectionReset()
    {
        Connection c;
        QVERIFY(c.open());
        const linger abortive { 1, 0 };
        QCOMPARE(::setsockopt(int(c.peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive), 0);
        c.peer->abort();
        QCOMPARE(c.eventsOnceRaised(), QStringList { "10054" });
        QVERIFY(c.socket.State() != Winsock::sckConnected);
    }

    // The peer's last bytes and its close are read at one wake-up; the handler
    // of the bytes closes the socket, and the close already read is not raised.
    void closeRaisesNoLateEvents()
    {
        Connection c;
        QVERIFY(c.open());
        connect(&c.socket, &Winsock::DataArrival, this, [&] {
            c.events << "data";
            c.socket.Close();
        });
        c.peer->write("226 Done\r\n");
        c.peer->disconnectFromHost();
        QVERIFY(c.peer->state() == QAbstractSocket::UnconnectedState || c.peer->waitForDisconnected(kHangMs));
        QCOMPARE(c.eventsOnceRaised(), QStringList { "data" });
    }

    // The storing loop sends the next chunk only from SendComplete, entered
    // once per send and never inside itself, and counts its bytes from
    // SendProgress. Here the first three sends go out in a row, one too large
    // to go out at once, and every later one from the SendComplete before it.
    void sendCompleteOncePerSendAndProgressSumsToBytesSent()
    {
        constexpr int kInARow = 3;
        const QList<int> sizes = QList<int> { 2000, 16 * 1024 * 1024, 100 } + QList<int>(200, 2000);
        Connection c;
        QVERIFY(c.open());
        QByteArray expected;
        qsizetype nextChunk = 0;
        auto sendNext = [&] {
            expected += faultBytes(QByteArray::number(nextChunk), sizes.at(nextChunk));
            c.socket.SendData(expected.right(sizes.at(nextChunk++)));
        };
        qint64 progressSum = 0;
        int completes = 0, depth = 0, deepest = 0;
        bool completeBeforeItsBytes = false;
        connect(&c.socket, &Winsock::SendProgress, this, [&](int bytesSent) { progressSum += bytesSent; });
        connect(&c.socket, &Winsock::SendComplete, this, [&] {
            deepest = std::max(deepest, ++depth);
            completeBeforeItsBytes |= progressSum < std::accumulate(sizes.begin(), sizes.begin() + ++completes, 0LL);
            if (completes >= kInARow && nextChunk < sizes.size())
                sendNext();
            --depth;
        });
        while (nextChunk < kInARow)
            sendNext();
        QVERIFY(yieldUntil([&] { return completes >= sizes.size() && c.received.size() >= expected.size(); }, kHangMs));
        QTest::qWait(50);
        QCOMPARE(completes, int(sizes.size()));
        QCOMPARE(deepest, 1);
        QCOMPARE(progressSum, expected.size());
        QVERIFY(!completeBeforeItsBytes);
        QVERIFY(c.received == expected);
    }
};

QTEST_GUILESS_MAIN(WinsockTest)
#include "tst_winsock.moc"
