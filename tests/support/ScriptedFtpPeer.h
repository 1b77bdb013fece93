#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QObject>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTcpServer;

// A scripted FTP server on 127.0.0.1 for the protocol's corner cases. It runs on
// the test's own thread: the program and the peer take turns in the same event
// loop, so every wait of the test must process events (waitForCommand does).
//
// What a test does with it:
//   ScriptedFtpPeer peer;                         // listening on peer.port()
//   peer.putFile("a.dat", "bytes");               // files the default responder serves
//   peer.replyTo("USER", "530 Not logged in.\r\n");  // exact bytes for the next USER
//   ... point a site at 127.0.0.1:peer.port() and start the session ...
//   QVERIFY(peer.waitForCommand("PASS"));
//   QCOMPARE(peer.transcript(), QStringList({"USER u", "PASS p"}));
//
// Every command is answered in the order received, one answer at a time, as a
// server does. A command without a scripted answer gets the default responder's:
// a single flat folder whose files are the file map, with the usual codes
// (220 331 230 250 257 200 150 226 350 550 221 502). On PORT the peer takes the
// data address; on NLST, LIST and RETR it connects there, sends the listing or
// the file and closes; on STOR it takes the bytes until the client closes and
// stores them. CWD always succeeds and only changes what PWD reports; REST is
// acknowledged but every transfer starts at byte 0.
//
// All pauses and bounds here are real milliseconds, not scaled by TimeScale.
class ScriptedFtpPeer : public QObject {
    Q_OBJECT
public:
    // Bytes sent in one write, after a pause.
    struct Chunk {
        QByteArray bytes;
        int pauseMs = 0;
    };
    using Chunks = QList<Chunk>;

    // When the replies of a data transfer go out, relative to the data
    // connection. Each order is one that real servers produce on loopback.
    // A client sends a STOR file only after the 150, so STOR follows
    // ConnectFirst and otherwise PreliminaryFirst.
    enum class DataOrder {
        PreliminaryFirst,       // 150, connect, bytes, close, 226
        LateConnect,            // 150, a pause, connect, bytes, close, 226
        ConnectFirst,           // connect, 150, bytes, close, 226
        PreliminaryWithFinal,   // connect, bytes, close, then 150 and 226 in one chunk
        FinalBeforeLastBytes,   // 150, connect, all but the last bytes, 226, pause, the rest, close
        FinalAfterClientCloses, // 150, connect, bytes, then 226 only once the client has closed
        ServerClosesFirst,      // 150, connect, bytes, the server's end closed, 226 once the client's is too
    };

    // A fault in one data transfer.
    enum class DataFault {
        None,
        // The preliminary reply, then nothing: the data connection never opens
        // and no final reply comes. Later commands are answered again.
        NeverConnect,
        // Half the bytes (for STOR: the first bytes received), then a reset
        // (SO_LINGER 0 and close, so the client sees RST), then the final reply,
        // by default "426". STOR keeps the bytes received so far.
        ResetHalfway,
        // The same, but the final reply goes out before the reset: a client
        // may take the refusal of the transfer before it sees the reset.
        FinalThenReset,
        // Half the bytes (for STOR: the first bytes received), then both the
        // control and the data connection close, as when a server dies.
        CloseControlHalfway,
    };

    // A plan for the next transfer of one verb; fields left unset keep the
    // default responder's.
    struct Transfer {
        std::optional<QByteArray> preliminary; // the whole 150 reply, CR LF included
        std::optional<QByteArray> final;       // the whole 226 reply (or 552, 426...)
        std::optional<QByteArray> content;     // the listing or file bytes sent
        DataFault fault = DataFault::None;
    };

    static constexpr int kDefaultWaitMs = 5000;
    // In LateConnect, the pause: long enough for the client to act on the 150
    // before the data connection comes.
    static constexpr int kLateConnectMs = 40;
    // In FinalBeforeLastBytes, how many bytes follow the final reply, and after
    // what pause: well past the program's 9-second pause after a final reply
    // at the tests' usual scale (20 ms a second).
    static constexpr int kHeldBackBytes = 64;
    static constexpr int kHeldBackPauseMs = 800;

    explicit ScriptedFtpPeer(QObject* parent = nullptr);
    ~ScriptedFtpPeer() override;

    QString host() const { return QStringLiteral("127.0.0.1"); }
    quint16 port() const;

    // The file map the default responder serves and stores into.
    void putFile(const QByteArray& name, const QByteArray& bytes);
    bool hasFile(const QByteArray& name) const { return files.contains(name); }
    QByteArray file(const QByteArray& name) const { return files.value(name); }
    QList<QByteArray> fileNames() const { return files.keys(); }

    // --- Scripting ---------------------------------------------------------

    // Sent to every new control connection; by default one "220" line.
    void setGreeting(const Chunks& chunks);
    // The answer to the next command with this verb (case-insensitive), in
    // place of the default responder's; each call queues one answer. Nothing
    // else happens for that command, except that PORT always takes its address.
    void replyTo(const QByteArray& verb, const Chunks& chunks);
    void replyTo(const QByteArray& verb, const QByteArray& bytes);
    // Changes the next transfer of this verb (NLST, LIST, RETR, STOR); each call
    // queues one plan.
    void planTransfer(const QByteArray& verb, const Transfer& transfer);
    // The order of the replies around every later transfer.
    void setDataOrder(DataOrder order) { dataOrder = order; }

    // --- Faults ------------------------------------------------------------

    // The connection that receives this verb answers neither it nor anything
    // after it. Once.
    void stopAnsweringAt(const QByteArray& verb);
    // Sends bytes on the newest control connection after the answers in
    // progress: noise, a megabyte without a line end, an unasked reply.
    void sendRaw(const Chunks& chunks);
    void sendRaw(const QByteArray& bytes);

    // --- What the client did -----------------------------------------------

    // Every command line received on any connection, in order, without CR LF
    // (bytes read as Latin-1).
    QStringList transcript() const { return commands; }
    // Waits, processing events, until the verb has arrived this many times.
    bool waitForCommand(const QByteArray& verb, int occurrence = 1, int boundMs = kDefaultWaitMs);
    // Waits until this many command lines have arrived.
    bool waitForCommandCount(int count, int boundMs = kDefaultWaitMs);
    int connectionCount() const { return int(sessions.size()); }

signals:
    void commandReceived(const QString& line);

private:
    struct Session;
    using Next = std::function<void(bool goOn)>;
    using Step = std::function<void(const Next& next)>;
    using Steps = std::deque<Step>;

    void acceptConnections();
    void readCommands(Session& s);
    void enqueue(Session& s, std::function<Steps()> work);
    void workOn(Session& s);
    void runSteps(Session& s, const std::shared_ptr<Steps>& steps);

    Steps answer(Session& s, const QByteArray& line);
    Steps defaultAnswer(Session& s, const QByteArray& verb, const QByteArray& argument);
    Steps sendingTransfer(Session& s, const Transfer& plan);
    Steps receivingTransfer(Session& s, const QByteArray& name, const Transfer& plan);
    QByteArray listing(const QByteArray& verb, const QByteArray& argument) const;
    Transfer takePlan(const QByteArray& verb);
    static QByteArray finalReply(const Transfer& plan, const QByteArray& success);

    Steps replySteps(Session& s, const Chunks& chunks);
    Step replyStep(Session& s, const Chunk& chunk);
    Step pauseStep(Session& s, int ms);
    Step connectStep(Session& s);
    Step sendStep(Session& s, const QByteArray& bytes);
    Step closeDataStep(Session& s);
    Step closeDataSendingSideStep(Session& s);
    Step resetDataStep(Session& s);
    Step closeControlStep(Session& s);
    enum class DataTaken { UntilClose, UntilFirstBytes };
    Step takeDataStep(Session& s, const std::shared_ptr<QByteArray>& received, DataTaken until);

    QTcpServer* server;
    std::vector<std::unique_ptr<Session>> sessions;
    QMap<QByteArray, QByteArray> files;
    Chunks greeting;
    QHash<QByteArray, std::deque<Chunks>> scriptedReplies;
    QHash<QByteArray, std::deque<Transfer>> plannedTransfers;
    DataOrder dataOrder = DataOrder::PreliminaryFirst;
    QByteArray stopVerb;
    QStringList commands;
};

// Chunks as a column of QtTest data rows.
Q_DECLARE_METATYPE(ScriptedFtpPeer::Chunk)
