// Whole upload jobs against a scripted peer, with the exact commands they send:
// which local files go out, in which order and under which remote name, in
// which chunks, and which are recorded "pass" (named in "fileupl1.log", deleted
// locally under "Delete After UpLoad") only once the server has confirmed them.
#include "support/FaultChecks.h"

#include <QTcpSocket>
#include <QtTest>

using Chunks = ScriptedFtpPeer::Chunks;
using Transfer = ScriptedFtpPeer::Transfer;

namespace {

// Real milliseconds: long enough for a command the program should not send
// yet to reach the peer.
constexpr int kSettleMs = 150;

// Login and listing of the upload site (the empty delivery folder is listed
// once more without the pattern), then the listener for the files.
const QStringList kLogin { "USER alice", "PASS s3cret", "CWD /in", "PWD", "TYPE A", "PORT", "NLST *.dat",
                           "PORT", "NLST", "TYPE A", "PORT" };

QStringList storeCommands(const QString& remoteName)
{
    return { "TYPE I", "PORT", "REST 0", "STOR " + remoteName };
}

QByteArray contentOf(const QString& name)
{
    return "bytes of " + name.toLatin1() + QByteArray("\r\n\0\xff", 4);
}

QString outcome(const QString& name, qint64 length, const char* status)
{
    return QStringLiteral("%1 %2 %3").arg(name).arg(length).arg(QLatin1String(status));
}

// An upload job on a scripted peer, and the bytes of each send on its data
// socket: each completed send ends one chunk, and one chunk in flight at a
// time means no send covers two.
struct UploadRun : PeerJob {
    QList<qint64> chunks;
    qint64 inFlight = 0;

    UploadRun() : PeerJob(false)
    {
        QObject::connect(&p.ftpclient3, &Winsock::SendProgress, &peer,
                         [this](int bytesSent, int) { inFlight += bytesSent; });
        QObject::connect(&p.ftpclient3, &Winsock::SendComplete, &peer, [this] {
            chunks << inFlight;
            inFlight = 0;
        });
    }

    bool hasLocal(const QString& name) const { return folderEntries(p.workPath).contains(name); }
};

}

class StoringPeerTest : public QObject {
    Q_OBJECT
private slots:
    void filesChosenInListOrder_data();
    void filesChosenInListOrder();
    void remoteNameCarriesTheDateUnderUploadTimestamp();
    void confirmedFileStoredInChunks_data();
    void confirmedFileStoredInChunks();
    void refusedStorMovesOnAtOnce_data();
    void refusedStorMovesOnAtOnce();
    void filesWaitForTheReplyToTheListingPort();
};

void StoringPeerTest::filesChosenInListOrder_data()
{
    QTest::addColumn<QStringList>("localFiles");
    QTest::addColumn<QString>("recorded");
    QTest::addColumn<bool>("dupeCheck");
    QTest::addColumn<QString>("downloading");
    QTest::addColumn<QStringList>("storing");
    QTest::addColumn<QStringList>("outcomes");

    const QStringList abc { "c.dat", "a.dat", "b.dat", "notes.txt" };
    auto pass = [](const QString& name) { return outcome(name, contentOf(name).size(), "pass"); };
    const QStringList allThree = storeCommands("a.dat") + storeCommands("b.dat") + storeCommands("c.dat");
    const QStringList allPassed { pass("a.dat"), pass("b.dat"), pass("c.dat") };
    QTest::newRow("three files in list order, others left out")
        << abc << "" << true << "" << allThree << allPassed;
    QTest::newRow("no file matches: nothing sent, the list used up at once")
        << QStringList { "notes.txt" } << "" << true << "" << QStringList {} << QStringList {};
    const QString latin1Name = QString::fromLatin1("caf\xe9.dat");
    QTest::newRow("a name that is not UTF-8 goes out under its own bytes")
        << QStringList { latin1Name } << "" << true << "" << storeCommands(latin1Name)
        << QStringList { pass(latin1Name) };
    QTest::newRow("a recorded name is skipped under the duplicate check")
        << abc << "b.dat" << true << "" << storeCommands("a.dat") + storeCommands("c.dat")
        << QStringList { pass("a.dat"), pass("c.dat") };
    QTest::newRow("duplicate check off: a recorded name goes out again")
        << abc << "b.dat" << false << "" << allThree << allPassed;
    QTest::newRow("a longer recorded name hides no file")
        << abc << "b.dat.old" << true << "" << allThree << allPassed;
    QTest::newRow("the file the download job retrieves gives way to the next")
        << abc << "" << true << "b.dat" << storeCommands("a.dat") + storeCommands("c.dat")
        << QStringList { pass("a.dat"), pass("c.dat") };
    QTest::newRow("the last file being retrieved ends the list after its REST")
        << abc << "" << true << "c.dat"
        << storeCommands("a.dat") + storeCommands("b.dat") + QStringList { "TYPE I", "PORT", "REST 0" }
        << QStringList { pass("a.dat"), pass("b.dat") };
    // Servers take a lone LF as the end of a command line.
    const QString smuggler = QStringLiteral("b\nDELE c.dat");
    QTest::newRow("a name with a line end is recorded fail and never sent")
        << QStringList { "a.dat", smuggler, "c.dat" } << "" << true << ""
        << storeCommands("a.dat") + storeCommands("c.dat")
        << QStringList { pass("a.dat"), outcome(smuggler, contentOf(smuggler).size(), "fail"), pass("c.dat") };
    QTest::newRow("a name with a line end in place of the retrieved file: refused once, then the next")
        << QStringList { "a.dat", smuggler, "c.dat" } << "" << true << "a.dat"
        << QStringList { "TYPE I", "PORT", "REST 0" } + storeCommands("c.dat")
        << QStringList { outcome(smuggler, contentOf(smuggler).size(), "fail"), pass("c.dat") };
}

void StoringPeerTest::filesChosenInListOrder()
{
    QFETCH(QStringList, localFiles);
    QFETCH(QString, recorded);
    QFETCH(bool, dupeCheck);
    QFETCH(QString, downloading);
    QFETCH(QStringList, storing);
    QFETCH(QStringList, outcomes);
    UploadRun run;
    for (const QString& name : localFiles)
        run.putFile(name.toLatin1(), contentOf(name));
    if (!recorded.isEmpty())
        run.p.transfer.uploadedNames.record(recorded);
    run.p.options.uploadDupeCheck = dupeCheck;
    if (!downloading.isEmpty())
        run.p.session.downloadCurrentFile = downloading;

    run.run();

    QCOMPARE(run.commands(), kLogin + storing);
    QCOMPARE(run.outcomeLines(), outcomes);
    QList<QByteArray> stored;
    for (const QString& command : storing) {
        if (command.startsWith(QLatin1String("STOR ")))
            stored << command.mid(5).toLatin1();
    }
    QCOMPARE(run.peer.fileNames(), stored);
    for (const QByteArray& name : stored)
        QCOMPARE(run.peer.file(name), contentOf(QString::fromLatin1(name)));
    // The job ends by the index passing the end of the list.
    QCOMPARE(run.p.transfer.uploadFileIndex, run.p.File2.ListCount() + 1);
    QCOMPARE(run.p.caption, QStringLiteral("Tolvane - Idle"));
}

void StoringPeerTest::remoteNameCarriesTheDateUnderUploadTimestamp()
{
    UploadRun run;
    run.putFile("a.dat", contentOf("a.dat"));
    run.p.clock.set(QDateTime(QDate(2002, 10, 15), QTime(9, 30, 5)));
    run.p.options.ai_ustamp = true;

    run.run();

    QCOMPARE(run.commands(), kLogin + storeCommands("20021015_a.dat"));
    QCOMPARE(run.peer.fileNames(), QList<QByteArray> { "20021015_a.dat" });
    QCOMPARE(run.peer.file("20021015_a.dat"), contentOf("a.dat"));
    // Only the server's copy carries the date: the local file and its records
    // keep the local name.
    QVERIFY(run.hasLocal("a.dat"));
    QCOMPARE(run.recordedNames(), QStringList { "a.dat" });
    QCOMPARE(run.outcomeLines(), QStringList { outcome("a.dat", contentOf("a.dat").size(), "pass") });
}

void StoringPeerTest::confirmedFileStoredInChunks_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("finalReply");
    QTest::addColumn<QList<qint64>>("chunks");

    const QByteArray complete = "226 Transfer complete.\r\n";
    QTest::newRow("empty file: nothing sent, stored on 226") << 0 << complete << QList<qint64> {};
    QTest::newRow("4000 bytes: two full chunks and no empty third")
        << 4000 << complete << QList<qint64> { 2000, 2000 };
    QTest::newRow("4500 bytes: 2000, 2000 and the 500 left")
        << 4500 << complete << QList<qint64> { 2000, 2000, 500 };
    QTest::newRow("1999 bytes: one short chunk; 250 confirms as 226 does")
        << 1999 << QByteArray("250 File stored.\r\n") << QList<qint64> { 1999 };
    QTest::newRow("a multi-line 226 confirms")
        << 2000 << QByteArray("226-Transfer complete.\r\n226 Bye.\r\n") << QList<qint64> { 2000 };
}

// The file is the last of the list, so this also proves that the job waits
// for the server's word on the last file before it ends.
void StoringPeerTest::confirmedFileStoredInChunks()
{
    QFETCH(int, size);
    QFETCH(QByteArray, finalReply);
    QFETCH(QList<qint64>, chunks);
    UploadRun run;
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + i / 2000);
    run.putFile("a.dat", bytes);
    run.p.options.deleteAfterUpload = true;
    run.peer.planTransfer("STOR", Transfer { .final = finalReply });

    run.run();

    QCOMPARE(run.commands(), kLogin + storeCommands("a.dat"));
    QCOMPARE(run.chunks, chunks);
    QCOMPARE(run.peer.file("a.dat"), bytes);
    QCOMPARE(run.outcomeLines(), QStringList { outcome("a.dat", size, "pass") });
    QCOMPARE(run.recordedNames(), QStringList { "a.dat" });
    QVERIFY(!run.hasLocal("a.dat"));
    QCOMPARE(run.p.fText6b, qint64(size));
    QCOMPARE(run.job.put.view.byteCount.value(JobKind::Upload), qint64(size));
}

void StoringPeerTest::refusedStorMovesOnAtOnce_data()
{
    QTest::addColumn<bool>("connectAtPort");
    QTest::newRow("no data connection: no wait for one") << false;
    QTest::newRow("data connection opened at PORT, as pyftpdlib does: no byte sent on it") << true;
}

void StoringPeerTest::refusedStorMovesOnAtOnce()
{
    QFETCH(bool, connectAtPort);
    UploadRun run;
    run.putFile("a.dat", QByteArray(2500, 'a'));
    run.putFile("b.dat", QByteArray(2500, 'b'));
    run.p.options.deleteAfterUpload = true;
    run.peer.replyTo("STOR", "550 Permission denied.\r\n");

    // A server that connects to the listener as soon as it gets PORT: the
    // test plays it for the first file's PORT.
    QTcpSocket early;
    QByteArray earlyReceived;
    QObject::connect(&early, &QTcpSocket::readyRead, [&] { earlyReceived += early.readAll(); });
    // The seconds counter runs only while the job waits; a refused file must
    // not sit out the wait for a data connection.
    int secondsTicks = 0;
    int ticksAtStor = -1;
    int ticksAtNextFile = -1;
    QObject::connect(&run.p.Timerg, &Timer::Tick, [&] { ++secondsTicks; });
    QObject::connect(&run.peer, &ScriptedFtpPeer::commandReceived, [&](const QString& line) {
        const int ports = int(run.commands().count(QStringLiteral("PORT")));
        if (connectAtPort && line.startsWith(QLatin1String("PORT")) && ports == 3)
            early.connectToHost(QHostAddress::LocalHost, quint16(run.p.ftpclient3.LocalPort()));
        if (line == QLatin1String("STOR a.dat"))
            ticksAtStor = secondsTicks;
        if (line == QLatin1String("TYPE I") && ticksAtStor >= 0 && ticksAtNextFile < 0)
            ticksAtNextFile = secondsTicks;
    });

    run.run();

    QCOMPARE(run.commands(), kLogin + storeCommands("a.dat") + storeCommands("b.dat"));
    QCOMPARE(ticksAtNextFile - ticksAtStor, 0);
    QCOMPARE(earlyReceived, QByteArray());
    QCOMPARE(run.outcomeLines(), QStringList({ outcome("a.dat", 2500, "fail"), outcome("b.dat", 2500, "pass") }));
    QVERIFY(run.hasLocal("a.dat"));
    QVERIFY(!run.hasLocal("b.dat"));
    QCOMPARE(run.peer.file("b.dat"), QByteArray(2500, 'b'));
}

// Every reply answers one command: a file's commands that went out before the
// reply to the listing's PORT would each be answered by the reply meant for
// the command before.
void StoringPeerTest::filesWaitForTheReplyToTheListingPort()
{
    UploadRun run;
    run.putFile("a.dat", QByteArray(3000, 'a'));
    for (int listingPort = 1; listingPort <= 2; ++listingPort)
        run.peer.replyTo("PORT", "200 PORT command successful.\r\n");
    run.peer.replyTo("PORT", Chunks {});
    qsizetype commandsBeforeReply = -1;
    QObject::connect(&run.peer, &ScriptedFtpPeer::commandReceived, [&](const QString& line) {
        if (line.startsWith(QLatin1String("PORT")) && run.commands().count(QStringLiteral("PORT")) == 3) {
            QTimer::singleShot(kSettleMs, &run.peer, [&] {
                commandsBeforeReply = run.peer.transcript().size();
                run.peer.sendRaw("200 PORT command successful.\r\n");
            });
        }
    });

    run.run();

    QCOMPARE(commandsBeforeReply, kLogin.size());
    QCOMPARE(run.commands(), kLogin + storeCommands("a.dat"));
    QCOMPARE(run.outcomeLines(), QStringList { outcome("a.dat", 3000, "pass") });
    QCOMPARE(run.peer.file("a.dat"), QByteArray(3000, 'a'));
}

QTEST_MAIN(StoringPeerTest)
#include "tst_storing_peer.moc"
