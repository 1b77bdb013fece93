// The control session from the greeting to the listing request, against a
// scripted peer that sends exact bytes in chosen chunks and records every
// command: what goes out, in which order, and when the session fails instead.
#include "ftp/ControlSession.h"
#include "ftp/Job.h"
#include "platform/TimeScale.h"
#include "platform/Winsock.h"
#include "schedule/Engine.h"
#include "support/RecordingView.h"
#include "support/ScriptedFtpPeer.h"
#include "support/TemporaryCurrentFolder.h"

#include <QtTest>

using Chunks = ScriptedFtpPeer::Chunks;

namespace {

// One program second lasts 20 ms, so the program's own bounds pass quickly.
constexpr double kTimeScale = 0.02;
// Real milliseconds. Bounds only catch hangs.
constexpr int kWaitMs = 5000;
// Long enough for a command the program should not have sent to reach the peer.
constexpr int kSettleMs = 100;
constexpr int kSplitPauseMs = 150;

const QString kUser = QStringLiteral("USER alice");
const QString kPass = QStringLiteral("PASS s3cret");
const QString kCwd = QStringLiteral("CWD /in");

// A fresh engine with site 1 of one job pointed at a fresh peer.
struct PeerSession {
    TemporaryCurrentFolder folder;
    ScriptedFtpPeer peer;
    RecordingView view;
    Engine engine { view };
    Job job;

    explicit PeerSession(bool download) : job(download ? downloadJob(engine) : uploadJob(engine))
    {
        setSite(peer.port());
    }

    void setSite(quint16 port)
    {
        job.site.hosts[1] = peer.host();
        job.site.ports[1] = QString::number(port);
        job.site.users[1] = QStringLiteral("alice");
        job.site.passwords[1] = QStringLiteral("s3cret");
        job.site.paths[1] = QStringLiteral("/in");
        job.site.patterns[1] = QStringLiteral("*.dat");
        job.site.index = 1;
    }

    // PORT as it must read for the port the data socket really listens on, or,
    // once it has accepted, the port the connection arrived at.
    QString portCommand() const
    {
        const int port = job.data.LocalPort();
        return QStringLiteral("PORT 127,0,0,1,%1,%2").arg(port / 256).arg(port % 256);
    }

    // Sends one more reply and waits until the job has taken it, then long
    // enough for any command sent in answer to reach the peer: a step that
    // ignored the failure flag would answer it.
    bool probeHandled()
    {
        const QString probe = QStringLiteral("200 Probe.\r\n");
        peer.sendRaw(probe.toLatin1());
        const bool handled = QTest::qWaitFor([&] { return job.reply == probe; }, kWaitMs);
        QTest::qWait(kSettleMs);
        return handled;
    }
};

}

class ControlSessionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TimeScale::set(kTimeScale); }

    void wholeLoginSendsEachCommandInTurn_data();
    void wholeLoginSendsEachCommandInTurn();
    void refusedLoginFailsAndSendsNothingMore_data();
    void refusedLoginFailsAndSendsNothingMore();
    void reply425FailsTheSession_data();
    void reply425FailsTheSession();
    void eachCompleteReplyDrivesOneStep_data();
    void eachCompleteReplyDrivesOneStep();
};

void ControlSessionTest::wholeLoginSendsEachCommandInTurn_data()
{
    QTest::addColumn<bool>("download");
    QTest::addColumn<bool>("nlst");
    QTest::addColumn<QString>("patternField");
    QTest::addColumn<QString>("listingRequest");
    QTest::addColumn<bool>("cwdRefused");
    QTest::newRow("download NLST") << true << true << "abc" << "NLST *.dat" << false;
    QTest::newRow("download LIST adds the pattern field in capitals")
        << true << false << "abc" << "LIST *.dat ABC" << false;
    QTest::newRow("download LIST with an empty pattern field") << true << false << "" << "LIST *.dat " << false;
    QTest::newRow("upload NLST") << false << true << "abc" << "NLST *.dat" << false;
    QTest::newRow("upload LIST takes no pattern field") << false << false << "abc" << "LIST *.dat" << false;
    QTest::newRow("CWD refused goes on to TYPE without PWD") << true << true << "abc" << "NLST *.dat" << true;
}

// Also proves the PORT argument: the peer connects to the address it names,
// and the job's own data socket takes the connection.
void ControlSessionTest::wholeLoginSendsEachCommandInTurn()
{
    QFETCH(bool, download);
    QFETCH(bool, nlst);
    QFETCH(QString, patternField);
    QFETCH(QString, listingRequest);
    QFETCH(bool, cwdRefused);
    PeerSession s(download);
    if (cwdRefused)
        s.peer.replyTo("CWD", "550 Failed to change directory.\r\n");
    s.engine.options.ai_nlst = nlst;
    s.engine.downloadFields.pattern = patternField;
    // The listing stays open and unanswered: the session stays in state 7.
    s.peer.setDataOrder(ScriptedFtpPeer::DataOrder::FinalAfterClientCloses);

    startControlSession(s.job);
    QVERIFY(s.peer.waitForCommand(listingRequest.left(4).toLatin1()));
    QTRY_COMPARE_WITH_TIMEOUT(s.job.data.State(), int(Winsock::sckConnected), kWaitMs);

    QStringList expected { kUser, kPass, kCwd, "PWD", "TYPE A", s.portCommand(), listingRequest };
    if (cwdRefused)
        expected.removeAll(QStringLiteral("PWD"));
    QCOMPARE(s.peer.transcript(), expected);
    QCOMPARE(s.job.state, ProtocolState::ListingUnderWay);
    QVERIFY(!s.job.failed);
    QCOMPARE(s.job.errorNumber, 0);
}

void ControlSessionTest::reply425FailsTheSession_data()
{
    QTest::addColumn<int>("earlierErrorNumber");
    QTest::addColumn<int>("expectedErrorNumber");
    QTest::newRow("no socket error before: error number 1") << 0 << 1;
    QTest::newRow("a socket error before is kept") << int(Winsock::wsaConnectionReset)
                                                   << int(Winsock::wsaConnectionReset);
}

void ControlSessionTest::reply425FailsTheSession()
{
    QFETCH(int, earlierErrorNumber);
    QFETCH(int, expectedErrorNumber);
    PeerSession s(true);
    s.peer.replyTo("NLST", "425 Can't open data connection.\r\n");

    startControlSession(s.job);
    // As an earlier Error event of the control socket would have left it.
    s.job.errorNumber = earlierErrorNumber;
    QTRY_VERIFY_WITH_TIMEOUT(s.job.failed, kWaitMs);

    QCOMPARE(s.job.errorNumber, expectedErrorNumber);
    QCOMPARE(s.peer.transcript().last(), QStringLiteral("NLST *.dat"));
}

void ControlSessionTest::refusedLoginFailsAndSendsNothingMore_data()
{
    QTest::addColumn<bool>("download");
    QTest::addColumn<QByteArray>("verb");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("refused");
    QTest::newRow("530 to USER") << true << QByteArray("USER") << QByteArray("530 Not logged in.\r\n") << true;
    QTest::newRow("upload 530 to USER") << false << QByteArray("USER") << QByteArray("530 Not logged in.\r\n")
                                        << true;
    QTest::newRow("incorrect under a 230")
        << true << QByteArray("PASS") << QByteArray("230 Password incorrect, welcome anyway.\r\n") << true;
    QTest::newRow("DENIED in capitals") << false << QByteArray("PASS") << QByteArray("230 ACCESS DENIED.\r\n") << true;
    QTest::newRow("Invalid in mixed case") << true << QByteArray("PASS") << QByteArray("230 Invalid account.\r\n")
                                           << true;
    QTest::newRow("530 inside a message of the day")
        << false << QByteArray("PASS") << QByteArray("230-Yesterday's error 530 is mended.\r\n230 Login successful.\r\n")
        << true;
    QTest::newRow("a plain 230 is no refusal") << true << QByteArray("PASS") << QByteArray("230 Login successful.\r\n")
                                               << false;
}

void ControlSessionTest::refusedLoginFailsAndSendsNothingMore()
{
    QFETCH(bool, download);
    QFETCH(QByteArray, verb);
    QFETCH(QByteArray, reply);
    QFETCH(bool, refused);
    PeerSession s(download);
    s.peer.replyTo(verb, reply);
    s.peer.stopAnsweringAt("CWD");

    startControlSession(s.job);
    if (!refused) {
        QVERIFY(s.peer.waitForCommand("CWD"));
        QCOMPARE(s.peer.transcript(), QStringList({ kUser, kPass, kCwd }));
        QVERIFY(!s.job.failed);
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(s.job.failed, kWaitMs);
    QVERIFY(s.probeHandled());
    QCOMPARE(s.peer.transcript(), verb == "USER" ? QStringList({ kUser }) : QStringList({ kUser, kPass }));
    // A failure with no error number is how a refused login is told apart
    // from a socket failure.
    QCOMPARE(s.job.errorNumber, 0);
    if (download && verb == "PASS")
        QCOMPARE(s.engine.session.downloadCurrentFile, QStringLiteral("done"));
}

void ControlSessionTest::eachCompleteReplyDrivesOneStep_data()
{
    QTest::addColumn<Chunks>("greeting");
    QTest::addColumn<QByteArray>("scriptedVerb");
    QTest::addColumn<Chunks>("scriptedReply");
    QTest::addColumn<QByteArray>("silentFrom");
    QTest::addColumn<QStringList>("expectedTranscript");
    QTest::addColumn<int>("expectedState");
    QTest::addColumn<QString>("lastReply");

    const Chunks plainGreeting { { "220 Ready.\r\n" } };
    const Chunks defaultReply;
    const QString passwordWanted = QStringLiteral("331 Please specify the password.\r\n");
    QTest::newRow("two replies in one chunk drive two steps")
        << plainGreeting << QByteArray("USER") << Chunks { { "331 Password required.\r\n230 Logged in.\r\n" } }
        << QByteArray("PASS") << QStringList { kUser, kPass, kCwd } << 3 << "230 Logged in.\r\n";
    QTest::newRow("a reply split between CR and LF drives one step")
        << plainGreeting << QByteArray("USER") << Chunks { { "331 Password required.\r" }, { "\n", kSplitPauseMs } }
        << QByteArray("PASS") << QStringList { kUser, kPass } << 2 << "331 Password required.\r\n";
    QTest::newRow("a multi-line greeting over two chunks drives one step")
        << Chunks { { "220-Welcome.\r\n" }, { "220 Ready.\r\n", kSplitPauseMs } } << QByteArray() << defaultReply
        << QByteArray("PASS") << QStringList { kUser, kPass } << 2 << passwordWanted;
    QTest::newRow("two replies to CWD send PWD once")
        << plainGreeting << QByteArray("CWD") << Chunks { { "250 Directory changed.\r\n200 Noted.\r\n" } }
        << QByteArray("PWD") << QStringList { kUser, kPass, kCwd, "PWD" } << 3 << "200 Noted.\r\n";
}

// The peer answers nothing from one command on, so the steps seen are exactly
// those the chunks before drove.
void ControlSessionTest::eachCompleteReplyDrivesOneStep()
{
    QFETCH(Chunks, greeting);
    QFETCH(QByteArray, scriptedVerb);
    QFETCH(Chunks, scriptedReply);
    QFETCH(QByteArray, silentFrom);
    QFETCH(QStringList, expectedTranscript);
    QFETCH(int, expectedState);
    QFETCH(QString, lastReply);
    PeerSession s(true);
    s.peer.setGreeting(greeting);
    if (!scriptedVerb.isEmpty())
        s.peer.replyTo(scriptedVerb, scriptedReply);
    s.peer.stopAnsweringAt(silentFrom);

    startControlSession(s.job);
    QVERIFY(s.peer.waitForCommandCount(int(expectedTranscript.size())));
    // A command sent too early comes before the last chunk: wait that out too.
    QTest::qWait(kSplitPauseMs + kSettleMs);

    QCOMPARE(s.peer.transcript(), expectedTranscript);
    QCOMPARE(int(s.job.state), expectedState);
    QCOMPARE(s.job.reply, lastReply);
    QVERIFY(!s.job.failed);
}

QTEST_MAIN(ControlSessionTest)
#include "tst_control_session.moc"
