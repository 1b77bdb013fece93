// Whole download jobs against a scripted FTP server: the exact commands sent,
// the files that arrive in the working folder, the outcome and name records,
// and above all that DELE goes out only for a file whose transfer the server
// confirmed and whose every byte reached the local file.
#include "app/Program.h"
#include "platform/TextFiles.h"
#include "schedule/JobRun.h"
#include "support/FileBytes.h"
#include "support/ProgramUnderTest.h"
#include "support/ScriptedFtpPeer.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QtTest>

#include <fcntl.h>

using Chunks = ScriptedFtpPeer::Chunks;
using DataOrder = ScriptedFtpPeer::DataOrder;
using DataFault = ScriptedFtpPeer::DataFault;

Q_DECLARE_METATYPE(ScriptedFtpPeer::DataOrder)

namespace {

const QDateTime kNow(QDate(2002, 10, 15), QTime(14, 5, 9));
const QString kOutcomeLead = QStringLiteral("2002/10/15 02:05:09 PM 127.0.0.1 ");
const QRegularExpression kPortCommand(QStringLiteral("^PORT 127,0,0,1,(\\d+),(\\d+)$"));

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator { quint32(size) };
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

QByteArray unknownSizeOpening(const QByteArray& name, qsizetype size)
{
    return "150 Opening BINARY mode data connection for " + name + " (" + QByteArray::number(size) + " bytes).\r\n";
}

// The commands of a session up to the first file, with "*.dat" as the site's
// pattern.
QStringList sessionStart(const QString& listingRequest = QStringLiteral("NLST *.dat"))
{
    return { "USER alice", "PASS s3cret", "CWD /in", "PWD", "TYPE A", "PORT", listingRequest, "TYPE A", "PORT" };
}

QStringList fileCommands(const QString& name)
{
    return { "TYPE I", "PORT", "REST 0", "RETR " + name };
}

QString outcome(const QString& name, const QString& size, const QString& status)
{
    return kOutcomeLead + name + QLatin1Char(' ') + size + QLatin1Char(' ') + status;
}

QStringList linesOf(const QString& path)
{
    QStringList lines;
    for (const QByteArray& line : readLines(path).value_or(QList<QByteArray> {}))
        lines << QString::fromLatin1(line);
    return lines;
}

// The address of the latest PORT the peer received.
quint16 latestPortOf(const ScriptedFtpPeer& peer)
{
    quint16 port = 0;
    for (const QString& line : peer.transcript()) {
        const QRegularExpressionMatch match = kPortCommand.match(line);
        if (match.hasMatch())
            port = quint16(match.captured(1).toInt() * 256 + match.captured(2).toInt());
    }
    return port;
}

// Plays the server's side of one file's data connection, for timings the peer
// does not make: once the RETR line has arrived it waits, connects to the
// latest PORT address, sends each part after its pause and closes. With a
// final reply given, the peer sends it once the connection has closed, or 425
// when the connection was refused. The peer's scripted answer to RETR gives the
// replies before that.
class DataSide : public QObject {
public:
    DataSide(ScriptedFtpPeer& peer, const QString& retrLine, int connectAfterMs, const Chunks& parts,
             const QByteArray& finalReply = {})
    {
        auto connectToClient = [this, &peer] { socket.connectToHost(QHostAddress::LocalHost, latestPortOf(peer)); };
        connect(&peer, &ScriptedFtpPeer::commandReceived, this, [=, this](const QString& line) {
            if (line == retrLine)
                QTimer::singleShot(connectAfterMs, this, connectToClient);
        });
        connect(&socket, &QTcpSocket::connected, this, [this, parts] {
            int at = 0;
            for (const ScriptedFtpPeer::Chunk& part : parts) {
                at += part.pauseMs;
                QTimer::singleShot(at, this, [this, part] { socket.write(part.bytes); });
            }
            QTimer::singleShot(at, this, [this] { socket.disconnectFromHost(); });
        });
        if (finalReply.isEmpty())
            return;
        connect(&socket, &QTcpSocket::disconnected, this, [&peer, finalReply] { peer.sendRaw(finalReply); });
        connect(&socket, &QTcpSocket::errorOccurred, this, [&peer](QAbstractSocket::SocketError error) {
            if (error == QAbstractSocket::ConnectionRefusedError)
                peer.sendRaw("425 Failed to establish connection.\r\n");
        });
    }
    ~DataSide() override { socket.disconnect(); }

private:
    QTcpSocket socket;
};

// A download job of site 1, pointed at a fresh scripted peer.
struct PeerDownload {
    ProgramUnderTest t;
    ScriptedFtpPeer peer;
    Program& p = t.program;

    PeerDownload()
    {
        pointDownloadSite(p, { peer.host(), peer.port(), QStringLiteral("alice"), QStringLiteral("s3cret"),
                               QStringLiteral("/in"), QStringLiteral("*.dat") });
        p.clock.set(kNow);
    }

    void run() { runDownloadJob(p); }

    // What the peer received, each PORT checked to name this host and then
    // written as "PORT": its port is chosen anew for every transfer.
    QStringList commands() const
    {
        QStringList lines = peer.transcript();
        for (QString& line : lines) {
            if (line.startsWith(QLatin1String("PORT ")) && kPortCommand.match(line).hasMatch())
                line = QStringLiteral("PORT");
        }
        return lines;
    }

    // The bytes of the working folder's file whose name is these bytes.
    QByteArray local(const QByteArray& name) const
    {
        const int descriptor = ::open((QFile::encodeName(p.workPath) + '/' + name).constData(), O_RDONLY);
        QFile file;
        if (descriptor < 0 || !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            return "(missing)";
        return file.readAll();
    }
    QStringList workEntries() const { return folderEntries(p.workPath); }
    QStringList outcomes() const { return linesOf(t.logFile(QStringLiteral("dl_file_size.log"))); }
    QStringList recorded() const { return linesOf(t.logFile(QStringLiteral("filename2.log"))); }
};

}

class RetrievalPeerTest : public QObject {
    Q_OBJECT
private slots:
    void twoFilesDeletedAfterDownload_data();
    void twoFilesDeletedAfterDownload();
    void lastBytesLongAfterTheFinalReply();
    void partnerFilesNeverTouchOtherFiles_data();
    void partnerFilesNeverTouchOtherFiles();
    void emptyFile_data();
    void emptyFile();
    void listModeTakesEveryMatchingEntry();
    void namesKeepTheirBytes();
    void fileNamedLikeTheEndOfTheListing();
};

void RetrievalPeerTest::twoFilesDeletedAfterDownload_data()
{
    QTest::addColumn<DataOrder>("order");
    QTest::addColumn<bool>("sizeAnnounced");
    QTest::newRow("150, then the data connection") << DataOrder::PreliminaryFirst << true;
    QTest::newRow("150, then the data connection, size unknown") << DataOrder::PreliminaryFirst << false;
    QTest::newRow("data connection before the 150") << DataOrder::ConnectFirst << true;
    QTest::newRow("150 and 226 in one chunk after the data") << DataOrder::PreliminaryWithFinal << true;
    QTest::newRow("150 and 226 in one chunk after the data, size unknown")
        << DataOrder::PreliminaryWithFinal << false;
    QTest::newRow("226 before the last bytes") << DataOrder::FinalBeforeLastBytes << true;
    QTest::newRow("226 before the last bytes, size unknown") << DataOrder::FinalBeforeLastBytes << false;
    QTest::newRow("226 held until the client closes the data connection")
        << DataOrder::FinalAfterClientCloses << true;
}

void RetrievalPeerTest::twoFilesDeletedAfterDownload()
{
    QFETCH(DataOrder, order);
    QFETCH(bool, sizeAnnounced);
    PeerDownload d;
    d.p.options.deleteAfterDownload = true;
    const QByteArray a = randomBytes(3000);
    const QByteArray b = randomBytes(70'000);
    d.peer.putFile("a.dat", a);
    d.peer.putFile("b.dat", b);
    d.peer.setDataOrder(order);
    if (!sizeAnnounced) {
        d.peer.planTransfer("RETR", { unknownSizeOpening("a.dat", a.size()), {}, {}, DataFault::None });
        d.peer.planTransfer("RETR", { unknownSizeOpening("b.dat", b.size()), {}, {}, DataFault::None });
    }

    d.run();

    // The DELE of a file goes out as the next one begins; the last file's at
    // the end of the job.
    QCOMPARE(d.commands(), sessionStart() + fileCommands("a.dat") + QStringList { "DELE a.dat" }
                               + fileCommands("b.dat") + QStringList { "DELE b.dat" });
    QCOMPARE(d.local("a.dat"), a);
    QCOMPARE(d.local("b.dat"), b);
    QCOMPARE(d.workEntries(), QStringList({ "a.dat", "b.dat" }));
    QCOMPARE(d.outcomes(), QStringList({ outcome("a.dat", "3000", "pass"), outcome("b.dat", "70000", "pass") }));
    QCOMPARE(d.recorded(), QStringList({ "a.dat", "b.dat" }));
    QVERIFY(d.peer.fileNames().isEmpty());
}

// A file of unknown size whose last bytes come long after the server's 226:
// they are written before the file is judged, and DELE waits for them.
void RetrievalPeerTest::lastBytesLongAfterTheFinalReply()
{
    constexpr int kFinalAfterMs = 100;
    // Well past the program's pause after the 226 (9 s at 20 ms each).
    constexpr int kTailAfterMs = 800;
    PeerDownload d;
    d.p.options.deleteAfterDownload = true;
    const QByteArray a = randomBytes(20'000);
    d.peer.putFile("a.dat", a);
    d.peer.replyTo("RETR", Chunks { { unknownSizeOpening("a.dat", a.size()) },
                                    { "226 Transfer complete.\r\n", kFinalAfterMs } });
    DataSide data(d.peer, "RETR a.dat", 0, { { a.left(a.size() / 2) }, { a.mid(a.size() / 2), kTailAfterMs } });

    d.run();

    QCOMPARE(d.local("a.dat"), a);
    QCOMPARE(d.outcomes(), QStringList({ outcome("a.dat", "20000", "pass") }));
    QCOMPARE(d.commands(), sessionStart() + fileCommands("a.dat") + QStringList { "DELE a.dat" });
}

void RetrievalPeerTest::partnerFilesNeverTouchOtherFiles_data()
{
    QTest::addColumn<QByteArrayList>("names");
    QTest::newRow("a listed file named like the next one's partner") << QByteArrayList { ".a.dat.part", "a.dat" };
    QTest::newRow("a name too long to go whole into its partner's") << QByteArrayList { QByteArray(250, 'n') + ".dat" };
}

// Files pass into place through hidden partner files: whatever the names, a
// partner never overwrites a file that passed, and never fails for its length.
void RetrievalPeerTest::partnerFilesNeverTouchOtherFiles()
{
    QFETCH(QByteArrayList, names);
    PeerDownload d;
    d.p.options.deleteAfterDownload = true;
    QByteArray listing;
    for (const QByteArray& name : names) {
        d.peer.putFile(name, randomBytes(1000 + int(name.size())));
        listing += name + "\r\n";
    }
    d.peer.planTransfer("NLST", { {}, {}, listing, DataFault::None });

    d.run();

    for (const QByteArray& name : names)
        QCOMPARE(d.local(name), randomBytes(1000 + int(name.size())));
    QVERIFY(d.peer.fileNames().isEmpty());
}

void RetrievalPeerTest::emptyFile_data()
{
    QTest::addColumn<bool>("connectsLater");
    QTest::newRow("150 (0 bytes), the data connection a moment later") << true;
    QTest::newRow("data connection before the 150 (0 bytes)") << false;
}

// The data connection must be taken even when the size says nothing will come
// on it: a server refused its connection answers 425, not 226.
void RetrievalPeerTest::emptyFile()
{
    QFETCH(bool, connectsLater);
    constexpr int kConnectAfterMs = 40;
    PeerDownload d;
    d.p.options.deleteAfterDownload = true;
    d.peer.putFile("empty.dat", {});
    std::optional<DataSide> data;
    if (connectsLater) {
        d.peer.replyTo("RETR", "150 Opening BINARY mode data connection for empty.dat (0 bytes)\r\n");
        data.emplace(d.peer, "RETR empty.dat", kConnectAfterMs, Chunks {}, "226 Transfer complete.\r\n");
    } else {
        d.peer.setDataOrder(DataOrder::ConnectFirst);
    }

    d.run();

    QCOMPARE(d.commands(), sessionStart() + fileCommands("empty.dat") + QStringList { "DELE empty.dat" });
    QVERIFY(QFileInfo(d.t.workFile("empty.dat")).isFile());
    QCOMPARE(d.local("empty.dat"), QByteArray());
    QCOMPARE(d.outcomes(), QStringList({ outcome("empty.dat", "0", "pass") }));
    QCOMPARE(d.recorded(), QStringList({ "empty.dat" }));
}

// The pattern field *.dat leaves the tail "dat"; an entry without it, and a
// line dated with a year, give no file.
void RetrievalPeerTest::listModeTakesEveryMatchingEntry()
{
    PeerDownload d;
    d.p.form.ai_nlst->setChecked(false);
    const QByteArray listing = "-rw-r--r--    1 ftp      ftp          1000 Oct 15 09:12 a.dat\r\n"
                               "-rw-r--r--    1 ftp      ftp             5 Oct 15 09:13 notes.txt\r\n"
                               "-rw-r--r--    1 ftp      ftp          2000 Oct 15 10:40 b.dat\r\n"
                               "-rw-r--r--    1 ftp      ftp             7 Oct 15  2001 old.dat\r\n"
                               "-rw-r--r--    1 ftp      ftp          3000 Oct 15 11:59 c.dat\r\n";
    d.peer.planTransfer("LIST", { {}, {}, listing, DataFault::None });
    const QList<QByteArray> names { "a.dat", "b.dat", "c.dat" };
    d.peer.putFile("a.dat", randomBytes(1000));
    d.peer.putFile("b.dat", randomBytes(2000));
    d.peer.putFile("c.dat", randomBytes(3000));
    d.peer.putFile("notes.txt", "notes");
    d.peer.putFile("old.dat", "old one");

    d.run();

    QCOMPARE(d.commands(), sessionStart("LIST *.dat *.DAT") + fileCommands("a.dat") + fileCommands("b.dat")
                               + fileCommands("c.dat"));
    for (const QByteArray& name : names)
        QCOMPARE(d.local(name), d.peer.file(name));
    QCOMPARE(d.workEntries(), QStringList({ "a.dat", "b.dat", "c.dat" }));
    QCOMPARE(d.outcomes(), QStringList({ outcome("a.dat", "1000", "pass"), outcome("b.dat", "2000", "pass"),
                                         outcome("c.dat", "3000", "pass") }));
}

// A server that spells names in Latin-1 sends bytes that are not UTF-8. Each
// file must land under exactly those bytes, not under a lossy reading of them
// that two names share.
void RetrievalPeerTest::namesKeepTheirBytes()
{
    PeerDownload d;
    d.p.options.deleteAfterDownload = true;
    const QByteArrayList names { "caf\xe8.dat", "caf\xe9.dat" };
    for (const QByteArray& name : names)
        d.peer.putFile(name, "bytes of " + name);

    d.run();

    for (const QByteArray& name : names)
        QCOMPARE(d.local(name), "bytes of " + name);
    QCOMPARE(d.workEntries(), QStringList({ QString::fromLatin1(names[0]), QString::fromLatin1(names[1]) }));
    QVERIFY(d.peer.fileNames().isEmpty());
}

// "done" is an ordinary file name; the job must not take it for the end of
// the listing and stop before it, or before the files after it.
void RetrievalPeerTest::fileNamedLikeTheEndOfTheListing()
{
    PeerDownload d;
    d.peer.putFile("done", "a file named done");
    d.peer.putFile("z.dat", "after it");
    d.peer.planTransfer("NLST", { {}, {}, "done\r\nz.dat\r\n", DataFault::None });

    d.run();

    QCOMPARE(d.commands(), sessionStart() + fileCommands("done") + fileCommands("z.dat"));
    QCOMPARE(d.local("done"), QByteArray("a file named done"));
    QCOMPARE(d.local("z.dat"), QByteArray("after it"));
}

QTEST_MAIN(RetrievalPeerTest)
#include "tst_retrieval_peer.moc"
