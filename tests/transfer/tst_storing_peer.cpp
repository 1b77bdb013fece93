// Whole upload jobs against a scripted peer, with the exact commands they send:
// which local files go out, in which order and under which remote name, and
// which are recorded "pass" (named in "fileupl1.log", deleted locally under
// "Delete After UpLoad") only once the server has confirmed them.
#include "ftp/Job.h"
#include "support/PeerJob.h"

#include <QTcpSocket>
#include <QtTest>

using namespace PeerSteps;

namespace {

// The listing of the upload site (the empty delivery folder is listed once
// more without the pattern), the listener for the files, then each file's
// commands.
QStringList stored(const QStringList& remoteNames, const QStringList& more = {})
{
    QStringList commands { "NLST *.dat", "PORT", "NLST", "TYPE A", "PORT" };
    for (const QString& name : remoteNames)
        commands << "TYPE I" << "PORT" << "REST 0" << "STOR " + name;
    return commands + more;
}

JobCase storing(const char* name, const QStringList& local, const QStringList& commands, const QStringList& outcomes,
                const std::function<void(PeerJob&)>& setUp = {})
{
    JobCase c { .name = name, .download = false, .files = {}, .deleteAfter = false, .setUp = setUp,
                .commands = commands, .outcomes = outcomes };
    for (const QString& file : local)
        c.files.insert(file.toLatin1(), faultBytes(file.toLatin1(), 100));
    return c;
}

const QStringList kThree { "c.dat", "a.dat", "b.dat", "notes.txt" };
const QStringList kThreePassed { "a.dat pass", "b.dat pass", "c.dat pass" };
// Servers take a lone LF as the end of a command line.
const QString kSmuggler = QStringLiteral("b\nDELE c.dat");

std::function<void(PeerJob&)> recorded(const QString& name)
{
    return [=](PeerJob& r) {
        r.p.transfer.uploadedNames.record(name);
        r.p.options.uploadDupeCheck = true;
    };
}

std::function<void(PeerJob&)> downloading(const QString& name)
{
    return [=](PeerJob& r) { r.p.session.downloadCurrentFile = name; };
}

}

class StoringPeerTest : public QObject {
    Q_OBJECT
private slots:
    void filesChosenInListOrder_data();
    void filesChosenInListOrder() { QFETCH(JobCase, row); runJobCase(row); }
    void refusedStorMovesOnAtOnce_data();
    void refusedStorMovesOnAtOnce();
    void filesWaitForTheReplyToTheListingPort();
    void aReplySentMidUploadIsSeenBeforeTheDataEnds();
};

void StoringPeerTest::filesChosenInListOrder_data()
{
    const QString latin1 = QString::fromLatin1("caf\xe9.dat");
    addRows<JobCase>({
        storing("three files in list order, others left out", kThree, stored({ "a.dat", "b.dat", "c.dat" }),
                kThreePassed),
        storing("a name that is not UTF-8 goes out under its own bytes", { latin1 }, stored({ latin1 }),
                { latin1 + " pass" }),
        storing("a recorded name is skipped under the duplicate check", kThree, stored({ "a.dat", "c.dat" }),
                { "a.dat pass", "c.dat pass" }, recorded("b.dat")),
        storing("the file the download job retrieves gives way to the next", kThree, stored({ "a.dat", "c.dat" }),
                { "a.dat pass", "c.dat pass" }, downloading("b.dat")),
        storing("the last file being retrieved ends the list after its REST", kThree,
                stored({ "a.dat", "b.dat" }, { "TYPE I", "PORT", "REST 0" }), { "a.dat pass", "b.dat pass" },
                downloading("c.dat")),
        storing("a name with a line end is recorded fail and never sent", { "a.dat", kSmuggler, "c.dat" },
                stored({ "a.dat", "c.dat" }), { "a.dat pass", kSmuggler + " fail", "c.dat pass" }),
        // Only the server's copy carries the date: the local file and its
        // records keep the local name.
        storing("Upload Timestamp dates the remote name", { "a.dat" }, stored({ "20240305_a.dat" }), { "a.dat pass" },
                [](PeerJob& r) {
                    r.p.options.ai_ustamp = true;
                    r.arrivedAs = [](const QByteArray& name) { return "20240305_" + name; };
                }),
        // Sent in 2000-byte chunks: none, and a whole number of them. The job
        // waits for the server's word on its last file before it ends.
        { .name = "an empty file stored on 226, then two whole chunks confirmed with 250", .download = false,
          .files = { { "a.dat", {} }, { "b.dat", faultBytes("b.dat", 4000) } },
          .scripts = { { "STOR#2", { "150", openData, takeData, "250 File stored." } } },
          .commands = stored({ "a.dat", "b.dat" }), .outcomes = { "a.dat pass", "b.dat pass" } },
    });
}

void StoringPeerTest::refusedStorMovesOnAtOnce_data()
{
    QTest::addColumn<bool>("connectAtPort");
    QTest::newRow("no data connection: no wait for one") << false;
    QTest::newRow("data connection opened at PORT, as pyftpdlib does: no byte sent on it") << true;
}

// A refused file must not sit out the wait for a data connection: the seconds
// counter runs only while the job waits.
void StoringPeerTest::refusedStorMovesOnAtOnce()
{
    QFETCH(bool, connectAtPort);
    PeerJob run({ .download = false, .scripts = { { "STOR#1", { "550 Permission denied." } } },
                  .commands = stored({ "a.dat", "b.dat" }), .outcomes = kFirstFails });
    // A server that connects to the listener as soon as it gets PORT: the
    // test plays it for the first file's PORT, the third of the session.
    QTcpSocket early;
    int ticks = 0;
    QList<int> ticksAtStorAndNext;
    QObject::connect(&run.p.Timerg, &Timer::Tick, [&] { ++ticks; });
    QObject::connect(&run.peer, &ScriptedFtpPeer::commandReceived, [&](const QString& line) {
        if (connectAtPort && line.startsWith("PORT") && run.argumentsOf("PORT").size() == 3)
            early.connectToHost(QHostAddress::LocalHost, quint16(run.p.ftpclient3.LocalPort()));
        if (line == "STOR a.dat" || (line == "TYPE I" && ticksAtStorAndNext.size() == 1))
            ticksAtStorAndNext << ticks;
    });

    run.run();

    run.verify();
    QCOMPARE(ticksAtStorAndNext.size(), 2);
    QCOMPARE(ticksAtStorAndNext[1], ticksAtStorAndNext[0]);
    QCOMPARE(early.bytesAvailable(), 0);
}

// Every reply answers one command: a file's commands that went out before the
// reply to the listener's PORT would each be answered by the reply meant for
// the command before.
void StoringPeerTest::filesWaitForTheReplyToTheListingPort()
{
    PeerJob run({ .download = false, .files = { { "a.dat", faultBytes("a.dat", 3000) } }, .scripts = { { "PORT#3", {} } },
                  .commands = stored({ "a.dat" }), .outcomes = { "a.dat pass" } });
    QString lastBeforeReply;
    QObject::connect(&run.peer, &ScriptedFtpPeer::commandReceived, [&](const QString& line) {
        if (line.startsWith("PORT") && run.argumentsOf("PORT").size() == 3) {
            // Long enough for a command the program should not send yet to reach the peer.
            QTimer::singleShot(150, &run.peer, [&] {
                lastBeforeReply = run.peer.transcript.last();
                run.peer.say({ "200" });
            });
        }
    });

    run.run();

    run.verify();
    QVERIFY2(lastBeforeReply.startsWith("PORT"), qPrintable(lastBeforeReply));
}

// A long upload yields to the event loop between bursts of chunks, so a reply
// the server sends while it still reads reaches the session within a few
// bursts: not once the socket's buffers are full (some MiB on loopback), let
// alone once the whole file has gone out.
void StoringPeerTest::aReplySentMidUploadIsSeenBeforeTheDataEnds()
{
    constexpr qint64 kSize = 8 * 1024 * 1024;
    qint64 sentWhenSeen = -1;
    runJobCase({ .download = false, .files = { { "a.dat", faultBytes("a.dat", kSize) } },
                 .scripts = { { "STOR", { "150", openData, takeSome, "426 Connection closed; transfer aborted.", takeData } } },
                 .setUp =
                     [&](PeerJob& r) {
                         r.p.transferReply = [&r, &sentWhenSeen, handle = r.p.transferReply](Job& job) {
                             if (sentWhenSeen < 0 && job.reply.startsWith(QLatin1String("426")))
                                 sentWhenSeen = r.p.fText6b;
                             handle(job);
                         };
                     },
                 .outcomes = { "a.dat fail" } });
    QVERIFY2(sentWhenSeen >= 0 && sentWhenSeen < kSize / 8, qPrintable(QString::number(sentWhenSeen)));
}

QTEST_MAIN(StoringPeerTest)
#include "tst_storing_peer.moc"
